#include "install.h"

#include <QFile>
#include <boost/filesystem/operations.hpp>

#include <sys/stat.h>

namespace fs = boost::filesystem;

namespace
{
const char ConverterResource[] = ":/bin/res/mirrel";

// Whether anything stands at `path`, links followed. Fails with filesystem_error unless the
// query succeeds or reports "not found".
bool existsFollowingLinks(const fs::path& path)
{
    return fs::exists(fs::status(path));
}

// Copies the embedded converter to `target`, which must not exist yet, and makes it executable.
int copyConverter(const fs::path& target)
{
    QFile converter(QString::fromLatin1(ConverterResource));
    if (!converter.open(QIODevice::ReadOnly))
        return Install::ResultOpenFailed;
    if (!converter.copy(QString::fromUtf8(target.c_str())))
        return Install::ResultWriteFailed;
    chmod(target.c_str(), 0775);
    return Install::ResultOk;
}

// After a failed copy Unity's tool goes back to its place, so the bundle keeps a working
// texture tool; whatever appeared at `target` meanwhile is left alone.
void putOriginalBack(const fs::path& target, const fs::path& org)
{
    boost::system::error_code error;
    if (fs::symlink_status(target, error).type() == fs::file_not_found)
        fs::rename(org, target, error);
}
} // namespace

int Install::InstallMirrelCore(boost::filesystem::path target, boost::filesystem::path org)
{
    boost::system::error_code error;
    if (existsFollowingLinks(org))
        fs::remove(org, error);
    if (existsFollowingLinks(org))
        return ResultRenameFailed;
    fs::rename(target, org, error);
    if (error)
        return ResultRenameFailed;
    const int result = copyConverter(target);
    if (result != ResultOk)
        putOriginalBack(target, org);
    return result;
}

int Install::UninstallMirrelCore(boost::filesystem::path target, boost::filesystem::path org)
{
    // Without Unity's tool to put back, removing the converter would leave no tool at all.
    if (!existsFollowingLinks(org))
        return ResultRenameFailed;
    boost::system::error_code error;
    fs::remove(target, error);
    if (error)
        return ResultDeleteFailed;
    fs::rename(org, target, error);
    if (error)
        return ResultRenameFailed;
    return ResultOk;
}
