#include "install.h"

#include "textscan.h"

#include <boost/filesystem/operations.hpp>

#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace
{
const char Marker[] = "MirrelGUID={4E680F12-D865-449F-BBB5-637D1C30F35D}";
const char VersionText[] = "PVRTexToolCL version %d.%d";
const std::size_t MarkerSize = sizeof(Marker) - 1;
const std::size_t VersionTextSize = sizeof(VersionText) - 1;

// Both scans stop one start position short of the end, so an occurrence that ends on the file's
// last byte doesn't count; files have always been judged that way.
bool containsBefore(const char* data, std::size_t size, const char* text, std::size_t textSize)
{
    return size > textSize && containsText(data, size - textSize - 1, text, textSize);
}

// A tool file's bytes, read whole.
struct Content {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
};

enum class ReadOutcome { Read, NotOpened, Short };

// The whole file in one read, its size taken first. A buffer too large to allocate throws
// std::bad_alloc.
ReadOutcome readWhole(const boost::filesystem::path& file, Content& content)
{
    const std::unique_ptr<FILE, int (*)(FILE*)> stream(std::fopen(file.c_str(), "rb"), std::fclose);
    if (!stream)
        return ReadOutcome::NotOpened;
    struct stat info;
    if (fstat(fileno(stream.get()), &info) != 0)
        return ReadOutcome::Short;
    content.size = static_cast<std::size_t>(info.st_size);
    content.data.reset(new char[content.size]);
    const std::size_t count = std::fread(content.data.get(), 1, content.size, stream.get());
    return count == content.size ? ReadOutcome::Read : ReadOutcome::Short;
}
} // namespace

void Install::GetMirrelTargetPath(const QString& unityPath, boost::filesystem::path& target,
                                  boost::filesystem::path& org)
{
    // A QString may hold NULs; the path ends at the first one, as a C string would.
    target = std::string(unityPath.toUtf8().constData());
    target /= "Contents";
    target /= "Tools";
    org = target;
    target /= "PVRTexTool";
    org /= "PVRTexTool_org";
}

int Install::CheckMirrelState(const QString& unityPath, boost::filesystem::path& target,
                              boost::filesystem::path& org)
{
    GetMirrelTargetPath(unityPath, target, org);
    const bool originalExists = boost::filesystem::exists(boost::filesystem::status(org));

    Content content;
    switch (readWhole(target, content)) {
    case ReadOutcome::NotOpened:
        return StateToolNotFound;
    case ReadOutcome::Short:
        return StateReadError;
    case ReadOutcome::Read:
        break;
    }
    if (containsBefore(content.data.get(), content.size, Marker, MarkerSize))
        return originalExists ? StateInstalled : StateOriginalMissing;
    if (containsBefore(content.data.get(), content.size, VersionText, VersionTextSize))
        return StateNotInstalled;
    return StateOtherTool;
}
