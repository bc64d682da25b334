#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A Unity editor bundle in a throw-away folder that other users may search (for tests that run
// their subject as an unprivileged user): <root>/<bundle name>/Contents/Tools.
class FakeUnityBundle
{
public:
    explicit FakeUnityBundle(const QString& bundleName = QStringLiteral("Unity.app"));

    QString root() const { return m_dir.path(); }
    QString unityPath() const { return root() + QLatin1Char('/') + m_bundleName; }
    QString toolsFolder() const { return unityPath() + QStringLiteral("/Contents/Tools"); }
    QString toolPath() const { return toolsFolder() + QStringLiteral("/PVRTexTool"); }
    QString originalPath() const { return toolsFolder() + QStringLiteral("/PVRTexTool_org"); }

    // Whole-file write (mode 0755) and read; false or empty when the file system refused.
    static bool writeFile(const QString& path, const QByteArray& bytes);
    static QByteArray readFile(const QString& path);
    // Unity's own tool: a shell script that carries Unity's version text and succeeds.
    static QByteArray unityToolBytes() { return "#!/bin/sh\n# PVRTexToolCL version %d.%d\n"; }
    // The embedded converter; empty unless the test links the `res` library.
    static QByteArray converterBytes() { return readFile(QStringLiteral(":/bin/res/mirrel")); }

    bool writeTool(const QByteArray& bytes) const { return writeFile(toolPath(), bytes); }
    bool makeUnityTool() const { return writeTool(unityToolBytes()); }
    // The converter at PVRTexTool; Unity's tool at PVRTexTool_org when `withOriginal`.
    bool makeInstalled(bool withOriginal = true) const
    {
        return writeTool(converterBytes()) &&
               (!withOriginal || writeFile(originalPath(), unityToolBytes()));
    }
    QByteArray readTool() const { return readFile(toolPath()); }
    QByteArray readOriginal() const { return readFile(originalPath()); }

private:
    QTemporaryDir m_dir;
    QString m_bundleName;
};
