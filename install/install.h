#pragma once

#include <QString>
#include <boost/filesystem/path.hpp>

class QWidget;

// Puts the embedded converter into a Unity editor bundle and takes it out again.
// Static functions only. Paths hold UTF-8 bytes.
class Install
{
public:
    Install() = delete;

    // State codes of CheckMirrelState (5 is never returned).
    enum {
        StateToolNotFound = 0,    // the tool file can't be opened for reading
        StateInstalled = 1,       // the converter, and something at PVRTexTool_org
        StateNotInstalled = 2,    // Unity's own tool
        StateOriginalMissing = 3, // the converter, nothing at PVRTexTool_org
        StateOtherTool = 4,       // neither text found
        StateReadError = 6        // fewer bytes read than the file's size
    };

    // Result codes of the install and uninstall operations.
    enum {
        ResultOk = 0,
        ResultRenameFailed = 2,
        ResultCopyFailed = 3,
        ResultDeleteFailed = 4,
        ResultOutOfMemory = 5,
        ResultOpenFailed = 6,
        ResultWriteFailed = 7
    };

    // target = <unityPath>/Contents/Tools/PVRTexTool, org = .../PVRTexTool_org.
    static void GetMirrelTargetPath(const QString& unityPath, boost::filesystem::path& target,
                                    boost::filesystem::path& org);
    // Reads the tool file and tells the state; fills target and org first. Changes nothing.
    // A status query of org that fails other than "not found" throws filesystem_error.
    static int CheckMirrelState(const QString& unityPath, boost::filesystem::path& target,
                                boost::filesystem::path& org);

    // File work only; return a Result code. A texture tool stands at target at every moment,
    // even when the process is killed midway. Only the install's status queries of org throw.
    static int InstallMirrelCore(boost::filesystem::path target, boost::filesystem::path org);
    static int UninstallMirrelCore(boost::filesystem::path target, boost::filesystem::path org);

    // Run the file work and report the outcome in a message box (none when `silent`).
    static void InstallMirrel_OSX(QWidget* parent, boost::filesystem::path target,
                                  boost::filesystem::path org);
    static void UninstallMirrel_OSX(QWidget* parent, bool silent, boost::filesystem::path target,
                                    boost::filesystem::path org);
};
