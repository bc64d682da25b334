#include "install.h"

#include <QFile>
#include <boost/filesystem/operations.hpp>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = boost::filesystem;

// Unity runs PVRTexTool at any moment, so the install and uninstall steps are ordered to leave a
// texture tool at that path at every moment, even when this process is killed between them.

namespace
{
const char ConverterResource[] = ":/bin/res/mirrel";

// Whether anything stands at `path`, links followed. Fails with filesystem_error unless the
// query succeeds or reports "not found".
bool existsFollowingLinks(const fs::path& path)
{
    return fs::exists(fs::status(path));
}

// Keeps Unity's tool at `org` too, leaving it in place at `target`: a hard link, or a copy where
// the file system has none. A failed copy is removed again.
bool keepOriginal(const fs::path& target, const fs::path& org)
{
    if (linkat(AT_FDCWD, target.c_str(), AT_FDCWD, org.c_str(), 0) == 0)
        return true;
    boost::system::error_code error;
    if (fs::copy_file(target, org, error))
        return true;
    fs::remove(org, error);
    return false;
}

bool writeAll(int file, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = write(file, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Writes `bytes` to a new file beside `target` with mode 0775 and renames it over `target`,
// which POSIX rename() replaces in one step. On failure `target` is as it was and the new file
// is gone.
bool replaceBy(const fs::path& target, const QByteArray& bytes)
{
    std::string temporary = target.string() + ".XXXXXX";
    const int file = mkstemp(&temporary[0]);
    if (file < 0)
        return false;
    bool written = writeAll(file, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    fchmod(file, 0775);
    written = close(file) == 0 && written;
    if (written && std::rename(temporary.c_str(), target.c_str()) == 0)
        return true;
    unlink(temporary.c_str());
    return false;
}

// Puts the embedded converter at `target` in place of what is there.
int replaceByConverter(const fs::path& target)
{
    QFile converter(QString::fromLatin1(ConverterResource));
    if (!converter.open(QIODevice::ReadOnly))
        return Install::ResultOpenFailed;
    return replaceBy(target, converter.readAll()) ? Install::ResultOk : Install::ResultWriteFailed;
}
} // namespace

int Install::InstallMirrelCore(boost::filesystem::path target, boost::filesystem::path org)
{
    boost::system::error_code error;
    if (existsFollowingLinks(org))
        fs::remove(org, error);
    if (existsFollowingLinks(org))
        return ResultRenameFailed;
    if (!keepOriginal(target, org))
        return ResultRenameFailed;
    const int result = replaceByConverter(target);
    if (result != ResultOk) // Unity's tool never left `target`
        fs::remove(org, error);
    return result;
}

int Install::UninstallMirrelCore(boost::filesystem::path target, boost::filesystem::path org)
{
    boost::system::error_code error;
    // Without Unity's tool to put back, removing the converter would leave no tool at all; an
    // original whose status can't be read (a link loop, say) counts as none.
    if (!fs::exists(fs::status(org, error)))
        return ResultRenameFailed;
    fs::rename(org, target, error);
    if (!error)
        return ResultOk;
    // A folder at either path can't replace or be replaced in one step: the converter goes first.
    fs::remove(target, error);
    if (error)
        return ResultDeleteFailed;
    fs::rename(org, target, error);
    return error ? ResultRenameFailed : ResultOk;
}
