#include "mirrelinstallbox.h"

#include "install.h"
#include "manualpage.h"
#include "producttitle.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace
{
QString tr(const char* text)
{
    return QCoreApplication::translate("QWidget", text);
}

QString title()
{
    return QString::fromUtf8(ProductTitle);
}

// The reason appended to an install failure's head for `code`.
QString installFailureReason(int code)
{
    switch (code) {
    case Install::ResultRenameFailed:
        return tr("\n\nファイルのリネームができませんでした。");
    case Install::ResultCopyFailed:
        return tr("\n\nファイルのコピーができませんでした。");
    case Install::ResultDeleteFailed:
        return tr("\n\n不要となるファイルの削除ができませんでした。");
    case Install::ResultOutOfMemory:
        return tr("\n\n処理に必要なメモリが不足しています。");
    case Install::ResultOpenFailed:
        return tr("\n\nファイルを開くことができませんでした。");
    case Install::ResultWriteFailed:
        return tr("\n\nファイルの書き込みができませんでした。");
    }
    return QString();
}

// A link to the manual's answer on editors that Unity Hub installed. The address is escaped for
// the single-quoted attribute.
QString unityHubHelpLink()
{
    const QString address = manualPageUrl(QString::fromLatin1(ManualUnityHubSection)).toString();
    return QStringLiteral("<a href='%1'>%2</a>")
        .arg(address.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;")),
             tr("対処方法を見る"));
}

void showFailureBox(QWidget* parent, int code)
{
    QMessageBox box(parent);
    box.setWindowTitle(title());
    QString text = tr("Quorvaneの組み込みに失敗しました。") + installFailureReason(code);
    if (code == Install::ResultRenameFailed) {
        text +=
            tr("\n\nUnity Hubをご使用ではありませんか？") + QLatin1Char('\n') + unityHubHelpLink();
        text.replace(QLatin1String("\n"), QLatin1String("<br/>"));
        box.setTextFormat(Qt::RichText);
    }
    box.setText(text);
    box.exec();
}
} // namespace

void showInstallResult(QWidget* parent, int code)
{
    if (code == Install::ResultOk)
        QMessageBox::information(parent, title(), tr("UnityへQuorvaneを組み込みました。"));
    else
        showFailureBox(parent, code);
}

void showUninstallResult(QWidget* parent, int code)
{
    QString text;
    if (code == Install::ResultOk)
        text = tr("UnityからQuorvaneを取り外しました。");
    else if (code == Install::ResultRenameFailed)
        text = tr("Quorvaneの取り外しに失敗しました。") +
               tr("\n\nファイルのリネームができませんでした。");
    else
        text = tr("Quorvaneの取り外しに失敗しました。") +
               tr("\n\n不要となるファイルの削除ができませんでした。");
    QMessageBox::information(parent, title(), text);
}

void Install::InstallMirrel_OSX(QWidget* parent, boost::filesystem::path target,
                                boost::filesystem::path org)
{
    showInstallResult(parent, InstallMirrelCore(target, org));
}

void Install::UninstallMirrel_OSX(QWidget* parent, bool silent, boost::filesystem::path target,
                                  boost::filesystem::path org)
{
    const int code = UninstallMirrelCore(target, org);
    if (!silent)
        showUninstallResult(parent, code);
}
