#pragma once

#include "fakeunitybundle.h"
#include "setting.h"
#include "tempdocuments.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QWidget>

// What the tests put into the fake bundle's Tools folder; each gives one state of the installer.
enum class BundleState {
    ToolMissing,     // nothing at PVRTexTool
    Installed,       // the converter, Unity's tool at PVRTexTool_org
    NotInstalled,    // Unity's own tool
    OriginalMissing, // the converter, nothing at PVRTexTool_org
    OtherTool,       // some other program
    ReadError,       // a file whose reported size is more than a read gives
    OriginalLoop     // Unity's tool, and a PVRTexTool_org whose status query fails (ELOOP)
};
Q_DECLARE_METATYPE(BundleState)

// Empties the bundle's Tools folder and fills it for `state`; false when the file system refused.
bool setBundleState(const FakeUnityBundle& bundle, BundleState state);
// Every file of the Tools folder with its kind and content, to tell whether anything moved.
QByteArray toolsSnapshot(const FakeUnityBundle& bundle);
// The snapshot of a bundle in `state`.
QByteArray snapshotOf(BundleState state);

// A temporary Documents folder and a fake Unity bundle that settings.xml points at.
struct MainWindowFixture {
    TempDocuments documents;
    FakeUnityBundle bundle;

    // Saves `setting` with UnityPath set to the bundle.
    bool storeSettings(Setting setting = Setting()) const;
};

// Every field of `setting` as "name=text", for comparisons that show what differs.
QStringList describe(const Setting& setting);

// The bundle folder of an executable that stands in Contents/MacOS: two folders above it.
QString bundleOfApplication();

// The window's child `name` of class T; fails the calling test function when there is none.
template <class T>
T* child(QWidget* window, const char* name)
{
    return window->findChild<T*>(QString::fromLatin1(name));
}
