#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>

class Ui_MainWindow;

// The one window: installs the converter into the Unity bundle named in the settings, takes it
// out again, and edits the converter's options, which OK writes to settings.xml.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    enum InstallMode {
        ModeCheck = 0,    // only tell whether the converter is installed
        ModeInstall = 1,  // install it, or say why not
        ModeUninstall = 2 // uninstall it, or say why not
    };

    // Builds the form, records this application's bundle in settings.xml and shows the state.
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Fills the form from the settings and saves them once, with ConfigPath set to this
    // application's bundle (two folders above the executable's).
    void initWidget();
    // Enables the controls and draws the state line from a fresh state query.
    void enableControl();
    // ModeCheck: whether the converter is installed. Otherwise: whether the install or
    // uninstall operation ran (its own box reports how it went); false after an explaining box.
    // Either way the controls are refreshed afterwards.
    bool installQuorvane(InstallMode mode);

private Q_SLOTS:
    void on_pushButton_7_clicked();
    void on_pushButton_6_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_5_clicked();
    void on_pushButton_clicked();
    void on_checkBox_stateChanged(int);

private:
    // Owned here, so a constructor that throws after creating it frees it too.
    std::unique_ptr<Ui_MainWindow> ui;
    QString unityPath;
};
