#include "mainwindow.h"

#include "apputil.h"
#include "commanderror.h"
#include "errronotifysettingdialog.h"
#include "install.h"
#include "manualpage.h"
#include "mylabelicon.h"
#include "producttitle.h"
#include "setting.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <boost/filesystem/path.hpp>
#include <iterator>

namespace
{

// The size box's items; an item's index is its place in this table.
const int ImageSizes[] = {512, 1024, 2048, 4096};
const int ImageSizeCount = int(std::size(ImageSizes));
const int DefaultImageSizeIndex = 1;

int imageSizeIndex(int limit)
{
    for (int index = 0; index < ImageSizeCount; ++index)
        if (ImageSizes[index] == limit)
            return index;
    return DefaultImageSizeIndex;
}

int imageSizeAt(int index)
{
    return index >= 0 && index < ImageSizeCount ? ImageSizes[index]
                                                : ImageSizes[DefaultImageSizeIndex];
}

// This application's bundle: the executable sits in its Contents/MacOS folder.
QString applicationBundlePath()
{
    QString path = QCoreApplication::applicationDirPath();
    for (int level = 0; level < 2; ++level)
        path = QFileInfo(path).absolutePath();
    return path;
}

// Asks before the bundle is changed; Cancel is the default, so Return and Escape both decline.
bool confirmed(QWidget* parent, const QString& text)
{
    QMessageBox box(parent);
    box.setWindowTitle(MainWindow::tr("警告"));
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    box.button(QMessageBox::Cancel)->setText(MainWindow::tr("キャンセル"));
    box.setIconPixmap(QIcon(QStringLiteral(":/images/res/mirrel.icns"))
                          .pixmap(48, 48, QIcon::Normal, QIcon::Off));
    return box.exec() == QMessageBox::Ok;
}

// Why a command can't run on a bundle in `state`. Installed and Unity's own tool reach here only
// with the command that doesn't fit them, when the bundle changed after the last refresh.
QString refusal(int state, const QString& toolPath)
{
    switch (state) {
    case Install::StateToolNotFound:
        return MainWindow::tr("PVRTexToolが見つかりません。"
                              "Unityが正常にインストールされているか確認してください。\n") +
               toolPath;
    case Install::StateInstalled:
        return MainWindow::tr("UnityへQuorvaneを組み込みました。");
    case Install::StateNotInstalled:
        return MainWindow::tr("Quorvaneは組み込まれていません。");
    case Install::StateOriginalMissing:
        return MainWindow::tr(
            "Quorvaneはすでに組み込まれていますが、オリジナルのPVRTexToolが見つかりません。");
    case Install::StateOtherTool:
        return MainWindow::tr("他のPVRTexTool置き換えツールがすでに組み込まれています。");
    default:
        return MainWindow::tr("確認中にエラーが発生しました。\n") + toolPath;
    }
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui_MainWindow>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    setFixedSize(width(), height() - 16);
    initWidget();
    enableControl();
}

// Out of line: the form's class is complete only here.
MainWindow::~MainWindow() = default;

void MainWindow::initWidget()
{
    for (int size : ImageSizes)
        ui->comboBox->addItem(QStringLiteral("%1 x %1").arg(size));

    Setting setting = AppUtil::loadSetting();
    unityPath = setting.UnityPath;
    // Saved on every start, so the converter always finds the bundle that runs now.
    setting.ConfigPath = applicationBundlePath();
    AppUtil::saveSetting(setting);

    ui->checkBox->setChecked(setting.Enabled);
    ui->checkBox_4->setChecked(setting.pvrtcfast);
    ui->checkBox_5->setChecked(setting.pvrtcnormal);
    ui->checkBox_6->setChecked(setting.pvrtcbest);
    ui->comboBox->setCurrentIndex(imageSizeIndex(setting.LimitImageSize));
    ui->checkBox_2->setChecked(setting.Only32bit);
    ui->checkBox_3->setChecked(setting.UseDebugConvert);
}

void MainWindow::enableControl()
{
    const bool installed = installQuorvane(ModeCheck);
    ui->groupBox->setEnabled(ui->checkBox->isChecked() && installed);
    ui->checkBox->setEnabled(installed);
    ui->pushButton_2->setEnabled(!installed);
    ui->pushButton_3->setEnabled(installed);

    const QIcon icon = style()->standardIcon(installed ? QStyle::SP_DialogApplyButton
                                                       : QStyle::SP_MessageBoxWarning);
    ui->widget->setIcon(&icon);
    ui->widget->textLabel->setStyleSheet(installed
                                             ? QStringLiteral("font-weight: bold; color: cyan")
                                             : QStringLiteral("font-weight: bold; color: red"));
    ui->widget->textLabel->setText(installed ? tr("Quorvaneが組み込まれています")
                                             : tr("Quorvaneが組み込まれていません"));
}

bool MainWindow::installQuorvane(InstallMode mode)
{
    boost::filesystem::path target;
    boost::filesystem::path org;
    const int state = Install::CheckMirrelState(unityPath, target, org);
    if (mode == ModeCheck)
        return state == Install::StateInstalled;

    bool ran = true;
    if (mode == ModeInstall && state == Install::StateNotInstalled) {
        Install::InstallMirrel_OSX(this, target, org);
    } else if (mode == ModeUninstall && state == Install::StateInstalled) {
        Install::UninstallMirrel_OSX(this, false, target, org);
    } else {
        QMessageBox::information(this, QString::fromUtf8(ProductTitle),
                                 refusal(state, QString::fromUtf8(target.string().c_str())));
        ran = false;
    }
    // A refusal, too, may come from a bundle changed behind the window's back: the controls
    // then catch up with it.
    enableControl();
    return ran;
}

void MainWindow::on_pushButton_7_clicked()
{
    runCommand(this, [this] {
        Setting setting = AppUtil::loadSetting();
        setting.Enabled = ui->checkBox->isChecked();
        setting.pvrtcfast = ui->checkBox_4->isChecked();
        setting.pvrtcnormal = ui->checkBox_5->isChecked();
        setting.pvrtcbest = ui->checkBox_6->isChecked();
        setting.LimitImageSize = imageSizeAt(ui->comboBox->currentIndex());
        setting.Only32bit = ui->checkBox_2->isChecked();
        setting.UseDebugConvert = ui->checkBox_3->isChecked();
        if (AppUtil::saveSetting(setting)) {
            close();
            return;
        }
        QMessageBox::warning(this, QString::fromUtf8(ProductTitle),
                             tr("設定の保存に失敗しました。"));
    });
}

void MainWindow::on_pushButton_6_clicked()
{
    close();
}

void MainWindow::on_pushButton_2_clicked()
{
    runCommand(this, [this] {
        if (confirmed(this, tr("UnityにQuorvaneを組み込みます。\n\n"
                               "※Unityを終了させた状態で実行してください。")))
            installQuorvane(ModeInstall);
    });
}

void MainWindow::on_pushButton_3_clicked()
{
    runCommand(this, [this] {
        if (confirmed(this, tr("UnityからQuorvaneを取り外します。\n\n"
                               "※Unityを終了させた状態で実行してください。")))
            installQuorvane(ModeUninstall);
    });
}

void MainWindow::on_pushButton_5_clicked()
{
    QDesktopServices::openUrl(manualPageUrl());
}

void MainWindow::on_pushButton_clicked()
{
    runCommand(this, [this] {
        ErrroNotifySettingDialog dialog(this);
        dialog.exec();
    });
}

void MainWindow::on_checkBox_stateChanged(int)
{
    // Until the window is shown this runs inside the constructor (initWidget ticks the box),
    // and an error there belongs to main, which ends the process like any start-up error.
    if (!isVisible()) {
        enableControl();
        return;
    }
    runCommand(this, [this] { enableControl(); });
}
