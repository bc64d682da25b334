#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A Unity editor bundle in a throw-away folder: <root>/<bundle name>/Contents/Tools, with
// whatever tool files a test puts there. Everything goes with the object.
class FakeUnityBundle
{
public:
    explicit FakeUnityBundle(const QString& bundleName = QStringLiteral("Unity.app"));
    FakeUnityBundle(const FakeUnityBundle&) = delete;
    FakeUnityBundle& operator=(const FakeUnityBundle&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString root() const { return m_dir.path(); }
    QString unityPath() const; // the bundle folder, as the UnityPath setting names it
    QString toolsFolder() const;
    QString toolPath() const;     // Contents/Tools/PVRTexTool
    QString originalPath() const; // Contents/Tools/PVRTexTool_org

    // Unity's own tool: a shell script that carries Unity's version text and exits with 0.
    static QByteArray unityToolBytes();
    // The embedded converter ":/bin/res/mirrel"; empty unless the test links the `res` library.
    static QByteArray converterBytes();

    // Each returns false when the file system refused. Files are written with mode 0755.
    bool writeTool(const QByteArray& bytes) const;
    bool writeOriginal(const QByteArray& bytes) const;
    bool makeUnityTool() const { return writeTool(unityToolBytes()); }
    // The converter at PVRTexTool; Unity's tool at PVRTexTool_org when `withOriginal`.
    bool makeInstalled(bool withOriginal = true) const;
    // A folder at PVRTexTool holding a file: it opens, but can't be read or removed.
    bool makeToolFolder() const;

    // What a test can put at PVRTexTool_org.
    enum class Original { Nothing, UnityTool, EmptyFolder, NonEmptyFolder, DanglingLink };
    bool makeOriginal(Original kind) const;

    QByteArray readTool() const;     // empty when unreadable
    QByteArray readOriginal() const; // empty when unreadable

    // Lets other users search the folders down to Tools (QTemporaryDir makes its root 0700), for
    // tests that run their subject as an unprivileged user.
    bool openToOthers() const;

private:
    QTemporaryDir m_dir;
    QString m_bundleName;
};
