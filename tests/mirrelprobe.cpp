// Runs one installer operation on a Unity bundle in a process of its own, so a test can run it
// as another user or under a file-size limit, and prints its code (or "filesystem_error").
//   mirrelprobe state <unity path>
//   mirrelprobe install <unity path> [<file size limit in bytes>]
//   mirrelprobe uninstall <unity path>

#include "install.h"

#include <boost/filesystem/exception.hpp>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

namespace
{
// Makes writes beyond `bytes` fail with EFBIG instead of killing the process with SIGXFSZ.
void limitFileSize(const char* bytes)
{
    const rlim_t limit = std::strtoull(bytes, nullptr, 10);
    const rlimit fileSize = {limit, limit};
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &fileSize);
}

int run(const char* operation, const QString& unityPath)
{
    boost::filesystem::path target;
    boost::filesystem::path org;
    if (std::strcmp(operation, "state") == 0)
        return Install::CheckMirrelState(unityPath, target, org);
    Install::GetMirrelTargetPath(unityPath, target, org);
    if (std::strcmp(operation, "install") == 0)
        return Install::InstallMirrelCore(target, org);
    return Install::UninstallMirrelCore(target, org);
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3)
        return 2;
    if (argc > 3)
        limitFileSize(argv[3]);
    try {
        std::printf("%d\n", run(argv[1], QString::fromUtf8(argv[2])));
    } catch (const boost::filesystem::filesystem_error&) {
        std::printf("filesystem_error\n");
    }
    return 0;
}
