#pragma once

#include <QDialog>
#include <memory>

class Ui_ErrroNotifySettingDialog;

// The error-notification settings: whether to mail converter errors, the SMTP server, port,
// addresses and optional SMTP authentication. Saves into settings.xml and offers a test mail.
class ErrroNotifySettingDialog : public QDialog
{
    Q_OBJECT

public:
    // Builds the form and fills it from settings.xml (the defaults when it is missing).
    explicit ErrroNotifySettingDialog(QWidget* parent = nullptr);
    ~ErrroNotifySettingDialog() override;

    // Enables the fields that the two check boxes make meaningful.
    void enableControl();

private Q_SLOTS:
    void on_pushButton_2_clicked();
    void on_pushButton_clicked();
    void on_checkBox_2_stateChanged(int);
    void on_checkBox_stateChanged(int);

private:
    // Owned here, so a constructor that throws after creating it frees it too.
    std::unique_ptr<Ui_ErrroNotifySettingDialog> ui;
};
