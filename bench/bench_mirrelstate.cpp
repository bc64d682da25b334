// The state query against its floor: reading the same tool file whole and finding the text with
// memmem. Each file is the size of the shipped converter, random bytes with one text near the end.

#include "install.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string.h>
#include <string>
#include <sys/stat.h>

namespace
{
const int ToolSize = 3350656;
const int TextOffsetFromEnd = 4096;
const char Marker[] = "MirrelGUID={4E680F12-D865-449F-BBB5-637D1C30F35D}";
const char VersionText[] = "PVRTexToolCL version %d.%d";

// A bundle whose PVRTexTool holds random bytes with `text` near the end; PVRTexTool_org exists.
QString makeBundle(const QString& root, const char* name, const char* text)
{
    const QString unityPath = root + QLatin1Char('/') + QLatin1String(name);
    const QString tools = unityPath + QStringLiteral("/Contents/Tools");
    QDir().mkpath(tools);
    QByteArray bytes(ToolSize, '\0');
    std::uint32_t state = 2463534242u; // xorshift32
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = char(state);
    }
    bytes.replace(ToolSize - TextOffsetFromEnd, int(std::strlen(text)), text);
    QFile tool(tools + QStringLiteral("/PVRTexTool"));
    QFile original(tools + QStringLiteral("/PVRTexTool_org"));
    if (!tool.open(QIODevice::WriteOnly) || tool.write(bytes) != bytes.size() ||
        !original.open(QIODevice::WriteOnly))
        std::abort();
    return unityPath;
}

void stateQuery(benchmark::State& state, const QString& unityPath, int expected)
{
    boost::filesystem::path target;
    boost::filesystem::path org;
    for (auto _ : state) {
        if (Install::CheckMirrelState(unityPath, target, org) != expected)
            state.SkipWithError("unexpected state");
    }
}

void readAndMemmem(benchmark::State& state, const QString& unityPath, const char* text)
{
    const std::string tool =
        (unityPath + QStringLiteral("/Contents/Tools/PVRTexTool")).toStdString();
    const std::size_t textSize = std::strlen(text);
    for (auto _ : state) {
        FILE* file = std::fopen(tool.c_str(), "rb");
        struct stat info;
        fstat(fileno(file), &info);
        const std::size_t size = std::size_t(info.st_size);
        const std::unique_ptr<char[]> data(new char[size]);
        const bool complete = std::fread(data.get(), 1, size, file) == size;
        std::fclose(file);
        const void* found = memmem(data.get(), size, text, textSize);
        if (!complete || !found)
            state.SkipWithError("text not found");
        benchmark::DoNotOptimize(found);
    }
}
} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir root;
    const QString withMarker = makeBundle(root.path(), "marker.app", Marker);
    const QString withVersion = makeBundle(root.path(), "version.app", VersionText);

    benchmark::RegisterBenchmark("marker/CheckMirrelState", stateQuery, withMarker,
                                 int(Install::StateInstalled))
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("marker/floor", readAndMemmem, withMarker, Marker)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("version/CheckMirrelState", stateQuery, withVersion,
                                 int(Install::StateNotInstalled))
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("version/floor", readAndMemmem, withVersion, VersionText)
        ->Unit(benchmark::kMicrosecond);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
