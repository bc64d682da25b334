# cmake -DCONVERTER=<file> -DOUTPUT=<file> -P embedconverter.cmake
# Copies the converter to be embedded to OUTPUT. A converter without the marker text would be
# installed and then never recognised again (nor uninstalled), so it stops the build instead.
set(marker "MirrelGUID={4E680F12-D865-449F-BBB5-637D1C30F35D}")
# The installer never finds a marker that ends on the file's last byte, so that byte is left out.
file(SIZE "${CONVERTER}" size)
set(found "")
if(size GREATER 1)
    math(EXPR searched "${size} - 1")
    file(STRINGS "${CONVERTER}" found REGEX "${marker}" LIMIT_COUNT 1 LIMIT_INPUT ${searched})
endif()
if(NOT found)
    message(FATAL_ERROR
        "The converter ${CONVERTER} does not hold the marker text ${marker}. Once installed it "
        "could not be recognised, so it can't be embedded.")
endif()
get_filename_component(output_folder "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${output_folder}")
file(COPY_FILE "${CONVERTER}" "${OUTPUT}")
