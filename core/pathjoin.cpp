#include "pathjoin.h"

#include "utf8bytes.h"

boost::filesystem::path toFsPath(const QString& text)
{
    return boost::filesystem::path(utf8UpToNul(text));
}

QString joinPath(const QString& base, const QString& name)
{
    boost::filesystem::path joined = toFsPath(base);
    joined /= toFsPath(name);
    return QString::fromStdString(joined.string());
}
