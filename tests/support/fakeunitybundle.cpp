#include "fakeunitybundle.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

FakeUnityBundle::FakeUnityBundle(const QString& bundleName) : m_bundleName(bundleName)
{
    // QTemporaryDir makes its root 0700; the folders below it get 0755 from the umask.
    chmod(QFile::encodeName(root()), 0755);
    QDir().mkpath(toolsFolder());
}

bool FakeUnityBundle::writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && chmod(QFile::encodeName(path), 0755) == 0;
}

QByteArray FakeUnityBundle::readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
