#include "fakeunitybundle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace
{
const QFile::Permissions Mode0755 =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser |
    QFile::ExeUser | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.setPermissions(Mode0755);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

FakeUnityBundle::FakeUnityBundle(const QString& bundleName) : m_bundleName(bundleName)
{
    QDir().mkpath(toolsFolder());
}

QString FakeUnityBundle::unityPath() const
{
    return m_dir.path() + QLatin1Char('/') + m_bundleName;
}

QString FakeUnityBundle::toolsFolder() const
{
    return unityPath() + QStringLiteral("/Contents/Tools");
}

QString FakeUnityBundle::toolPath() const
{
    return toolsFolder() + QStringLiteral("/PVRTexTool");
}

QString FakeUnityBundle::originalPath() const
{
    return toolsFolder() + QStringLiteral("/PVRTexTool_org");
}

QByteArray FakeUnityBundle::unityToolBytes()
{
    return QByteArrayLiteral("#!/bin/sh\n"
                             "# PVRTexToolCL version %d.%d (stands in for Unity's texture tool)\n"
                             "exit 0\n");
}

QByteArray FakeUnityBundle::converterBytes()
{
    return readFile(QStringLiteral(":/bin/res/mirrel"));
}

bool FakeUnityBundle::writeTool(const QByteArray& bytes) const
{
    return writeFile(toolPath(), bytes);
}

bool FakeUnityBundle::writeOriginal(const QByteArray& bytes) const
{
    return writeFile(originalPath(), bytes);
}

bool FakeUnityBundle::makeInstalled(bool withOriginal) const
{
    const QByteArray converter = converterBytes();
    return !converter.isEmpty() && writeTool(converter) &&
           (!withOriginal || writeOriginal(unityToolBytes()));
}

bool FakeUnityBundle::makeToolFolder() const
{
    return QDir().mkpath(toolPath()) && writeFile(toolPath() + QStringLiteral("/inside"), "x");
}

bool FakeUnityBundle::makeOriginal(Original kind) const
{
    switch (kind) {
    case Original::Nothing:
        return true;
    case Original::UnityTool:
        return writeOriginal(unityToolBytes());
    case Original::EmptyFolder:
        return QDir().mkpath(originalPath());
    case Original::NonEmptyFolder:
        return QDir().mkpath(originalPath()) &&
               writeFile(originalPath() + QStringLiteral("/leftover"), "x");
    case Original::DanglingLink:
        return QFile::link(toolsFolder() + QStringLiteral("/nowhere"), originalPath());
    }
    return false;
}

QByteArray FakeUnityBundle::readTool() const
{
    return readFile(toolPath());
}

QByteArray FakeUnityBundle::readOriginal() const
{
    return readFile(originalPath());
}

bool FakeUnityBundle::openToOthers() const
{
    bool ok = true;
    for (QString folder = toolsFolder(); folder.startsWith(root()) && ok;
         folder = QFileInfo(folder).path())
        ok = QFile::setPermissions(folder, QFile::permissions(folder) | QFile::ExeOther |
                                               QFile::ReadOther | QFile::ExeGroup |
                                               QFile::ReadGroup);
    return ok;
}
