#include "apputil.h"
#include "pathjoin.h"
#include "utility.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <boost/filesystem/operations.hpp>

namespace
{
// Shared with the converter, which reads the same file: never change them.
const QString appFolderName = QStringLiteral("Sorvel Quorvane for Unity 5");
const QString settingFileName = QStringLiteral("settings.xml");
} // namespace

QString Utility::getDocumentPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString AppUtil::getAppDataPath()
{
    return joinPath(Utility::getDocumentPath(), appFolderName);
}

QString AppUtil::getSettingFile()
{
    return joinPath(getAppDataPath(), settingFileName);
}

bool Utility::createAppDirectory(const QString& filePath)
{
    namespace fs = boost::filesystem;
    const fs::path folder = toFsPath(QFileInfo(filePath).absolutePath());
    // The throwing status() reports only a missing object as file_not_found; anything else
    // (EACCES, ELOOP, ...) leaves as filesystem_error, as does a failed mkdir.
    const fs::file_type type = fs::status(folder).type();
    if (type != fs::status_error && type != fs::file_not_found)
        return true;
    // create_directory() returns false when the mkdir failed but a directory stands there now.
    return fs::create_directory(folder);
}
