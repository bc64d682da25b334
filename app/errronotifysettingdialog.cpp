#include "errronotifysettingdialog.h"
#include "ui_errronotifysettingdialog.h"

#include "apputil.h"
#include "commanderror.h"
#include "errormailsettings.h"
#include "libmailer.h"
#include "producttitle.h"
#include "settingfields.h"
#include "settinglimits.h"
#include "utf8bytes.h"

#include <QIntValidator>
#include <QMessageBox>
#include <QPushButton>
#include <initializer_list>
#include <optional>

namespace
{

const char Context[] = "ErrroNotifySettingDialog";
const int TextLimit = 256;
const int PortLimit = 5;
const char TestMailCode[] = "1234";

QString translated(const char* text)
{
    return QCoreApplication::translate(Context, text);
}

QString productTitle()
{
    return QString::fromUtf8(ProductTitle);
}

// QIntValidator follows the default locale and accepts group separators ("1,000"), which
// QString::toInt reads as 0. One fixed C locale without separators, used both to rate and to
// read the text, makes every port that passes the check the number the user typed.
QIntValidator* makePortValidator(QObject* parent)
{
    auto* validator = new QIntValidator(1, 65535, parent);
    QLocale locale = QLocale::c();
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    validator->setLocale(locale);
    return validator;
}

bool isAcceptablePort(const QLineEdit* field)
{
    QString text = field->text();
    int position = 0;
    return field->validator()->validate(text, position) == QValidator::Acceptable;
}

// 0 for a text that is not a whole number.
int readPort(const QLineEdit* field)
{
    return field->validator()->locale().toInt(field->text());
}

struct FieldProblem {
    QLineEdit* field;
    QString message;
};

FieldProblem refusal(QLineEdit* field, const char* message)
{
    return FieldProblem{field, translated(message)};
}

// The first problem of `text`, the value of `field`: empty, or refused by `accepts`.
std::optional<FieldProblem> checkField(QLineEdit* field, const QString& text,
                                       bool (*accepts)(const QString&), const char* emptyMessage,
                                       const char* refusedMessage)
{
    if (text.isEmpty())
        return refusal(field, emptyMessage);
    if (!accepts(text))
        return refusal(field, refusedMessage);
    return std::nullopt;
}

// The mail layer judges the very bytes that the test mail and the notification hand to it.
bool isMailServer(const QString& text)
{
    return libMailAcceptsServer(utf8UpToNul(text));
}

bool isMailAddress(const QString& text)
{
    return libMailAcceptsAddress(utf8UpToNul(text));
}

// The first of server, port, sender and recipient that is empty or that the mail layer would
// refuse before it connects.
std::optional<FieldProblem> findMailProblem(const Ui_ErrroNotifySettingDialog& ui,
                                            const ErrorMailSetting& mail)
{
    if (std::optional<FieldProblem> problem = checkField(
            ui.lineEdit, mail.ErrorMailServer, isMailServer,
            QT_TRANSLATE_NOOP("ErrroNotifySettingDialog", "SMTPサーバーを指定してください。"),
            QT_TRANSLATE_NOOP("ErrroNotifySettingDialog",
                              "SMTPサーバーにはホスト名またはIPアドレスだけを、空白を入れずに半角"
                              "文字で指定してください。")))
        return problem;
    if (!isAcceptablePort(ui.lineEdit_2))
        return refusal(ui.lineEdit_2,
                       QT_TRANSLATE_NOOP("ErrroNotifySettingDialog",
                                         "ポート番号を1から65535の範囲で指定してください。"));
    if (std::optional<FieldProblem> problem = checkField(
            ui.lineEdit_3, mail.ErrorMailFrom, isMailAddress,
            QT_TRANSLATE_NOOP("ErrroNotifySettingDialog", "Fromメールアドレスを指定してください。"),
            QT_TRANSLATE_NOOP("ErrroNotifySettingDialog",
                              "Fromメールアドレスには名前や空白を付けずに、user@example.comの形の"
                              "アドレスを1つだけ半角文字で指定してください。")))
        return problem;
    return checkField(
        ui.lineEdit_4, mail.ErrorMailTo, isMailAddress,
        QT_TRANSLATE_NOOP("ErrroNotifySettingDialog", "Toメールアドレスを指定してください。"),
        QT_TRANSLATE_NOOP("ErrroNotifySettingDialog",
                          "Toメールアドレスには名前や空白を付けずに、user@example.comの形のアドレ"
                          "スを1つだけ半角文字で指定してください。"));
}

// The first of user name and password that is empty or that settings.xml would not give back.
// The password is scrambled under the user name, so a lost user name loses it too.
std::optional<FieldProblem> findLoginProblem(const Ui_ErrroNotifySettingDialog& ui,
                                             const ErrorMailSetting& mail)
{
    if (std::optional<FieldProblem> problem = checkField(
            ui.lineEdit_5, mail.ErrorMailAuthName, isStorableText,
            QT_TRANSLATE_NOOP("ErrroNotifySettingDialog",
                              "SMTP Authユーザー名を指定してください。"),
            QT_TRANSLATE_NOOP("ErrroNotifySettingDialog",
                              "SMTP Authユーザー名には空白以外の文字を含めて指定してください。")))
        return problem;
    if (mail.ErrorMailAuthPass.isEmpty())
        return refusal(ui.lineEdit_6, QT_TRANSLATE_NOOP("ErrroNotifySettingDialog",
                                                        "SMTP Authパスワードを指定してください。"));
    if (!isStorablePassword(mail.ErrorMailAuthPass)) {
        FieldProblem problem = refusal(
            ui.lineEdit_6, QT_TRANSLATE_NOOP("ErrroNotifySettingDialog",
                                             "SMTP Authパスワードが長すぎます。UTF-8で%1バイト"
                                             "（半角英数字で%1文字）以内で指定してください。"));
        problem.message = problem.message.arg(StoredPasswordLimit);
        return problem;
    }
    return std::nullopt;
}

// The first field, in the order of the form, whose value in `mail` keeps the settings from
// being saved.
std::optional<FieldProblem> findProblem(const Ui_ErrroNotifySettingDialog& ui,
                                        const ErrorMailSetting& mail)
{
    if (!mail.ErrorMailUse)
        return std::nullopt;
    if (std::optional<FieldProblem> problem = findMailProblem(ui, mail))
        return problem;
    if (!mail.ErrorMailAuthUse)
        return std::nullopt;
    return findLoginProblem(ui, mail);
}

void showProblem(QWidget* dialog, const FieldProblem& problem)
{
    QMessageBox::warning(dialog, productTitle(), problem.message, QMessageBox::Ok,
                         QMessageBox::NoButton);
    problem.field->selectAll();
    problem.field->setFocus(Qt::OtherFocusReason);
}

// The form's values as settings.xml will hold them, without the characters that XML forbids:
// the checks and the test mail must judge what is saved, or a user name that passes could read
// back empty, losing the password scrambled under it, and the test mail could log in with a
// name other than the saved one. The fields keep what the user typed.
ErrorMailSetting readForm(const Ui_ErrroNotifySettingDialog& ui)
{
    Setting setting;
    ErrorMailSetting& mail = setting.ErrorMail;
    mail.ErrorMailUse = ui.checkBox->isChecked();
    mail.ErrorMailServer = ui.lineEdit->text();
    mail.ErrorMailPort = readPort(ui.lineEdit_2);
    mail.ErrorMailFrom = ui.lineEdit_3->text();
    mail.ErrorMailTo = ui.lineEdit_4->text();
    mail.ErrorMailAuthUse = ui.checkBox_2->isChecked();
    mail.ErrorMailAuthName = ui.lineEdit_5->text();
    mail.ErrorMailAuthPass = ui.lineEdit_6->text();
    dropNonXmlChars(setting);
    return mail;
}

// Asks whether to send the test mail; No is the default, so a stray Return sends nothing.
bool wantsTestMail(QWidget* dialog)
{
    QMessageBox box(dialog);
    box.setWindowTitle(productTitle());
    box.setText(translated("メールの設定を行いました。試験メールを送信しますか？\n"
                           "[はい]を選択すると、以下の内容の試験メールを送信します。\n"
                           "メールが受信できるかを確認してください。\n\n"
                           "Subject: Sorvel Quorvane for Unity execution error\n"
                           "Sorvel Quorvane for Unity execution error\n"
                           "Error code : 1234"));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(translated("はい"));
    box.button(QMessageBox::No)->setText(translated("いいえ"));
    box.setIcon(QMessageBox::Information);
    return box.exec() == QMessageBox::Yes;
}

// Sends the test mail; the settings are saved already, so a failure only needs telling, with
// the mail layer's reason, before the dialog closes.
void sendTestMail(QWidget* dialog, const ErrorMailSetting& mail)
{
    std::string reason;
    if (sendErrorMail(QString::fromLatin1(TestMailCode), mail, reason) == 0)
        return;
    QMessageBox::warning(dialog, productTitle(),
                         translated("試験メールを送信できませんでした。設定は保存されています。"
                                    "\n\n%1")
                             .arg(QString::fromStdString(reason)),
                         QMessageBox::Ok, QMessageBox::NoButton);
}

// OK: checks the fields, saves them, offers the test mail and closes the dialog. Only the mail
// fields are ours: the conversion options stay as the file holds them, not as the main window
// shows them.
void saveAndOfferTestMail(QDialog* dialog, const Ui_ErrroNotifySettingDialog& ui)
{
    Setting setting = AppUtil::loadSetting();
    setting.ErrorMail = readForm(ui);
    if (const std::optional<FieldProblem> problem = findProblem(ui, setting.ErrorMail)) {
        showProblem(dialog, *problem);
        return;
    }
    if (!AppUtil::saveSetting(setting)) {
        QMessageBox::warning(dialog, productTitle(), translated("設定の保存に失敗しました。"),
                             QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    if (setting.ErrorMail.ErrorMailUse && wantsTestMail(dialog))
        sendTestMail(dialog, setting.ErrorMail);
    dialog->accept();
}

} // namespace

ErrroNotifySettingDialog::ErrroNotifySettingDialog(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui_ErrroNotifySettingDialog>())
{
    ui->setupUi(this);
    setFixedSize(size());

    // The limits go in before the values, so a longer stored text shows cut to the limit.
    for (QLineEdit* field : {ui->lineEdit, ui->lineEdit_2, ui->lineEdit_3, ui->lineEdit_4,
                             ui->lineEdit_5, ui->lineEdit_6})
        field->setMaxLength(field == ui->lineEdit_2 ? PortLimit : TextLimit);
    ui->lineEdit_2->setValidator(makePortValidator(this));

    const ErrorMailSetting mail = AppUtil::loadSetting().ErrorMail;
    ui->checkBox->setChecked(mail.ErrorMailUse);
    ui->lineEdit->setText(mail.ErrorMailServer);
    ui->lineEdit_2->setText(QString::number(mail.ErrorMailPort, 10));
    ui->lineEdit_3->setText(mail.ErrorMailFrom);
    ui->lineEdit_4->setText(mail.ErrorMailTo);
    ui->checkBox_2->setChecked(mail.ErrorMailAuthUse);
    ui->lineEdit_5->setText(mail.ErrorMailAuthName);
    ui->lineEdit_6->setText(mail.ErrorMailAuthPass);
    enableControl();
}

ErrroNotifySettingDialog::~ErrroNotifySettingDialog() = default;

void ErrroNotifySettingDialog::enableControl()
{
    const bool use = ui->checkBox->isChecked();
    for (QWidget* widget : std::initializer_list<QWidget*>{
             ui->label, ui->lineEdit, ui->label_2, ui->lineEdit_2, ui->label_3, ui->lineEdit_3,
             ui->label_4, ui->lineEdit_4, ui->checkBox_2})
        widget->setEnabled(use);

    const bool login = use && ui->checkBox_2->isChecked();
    for (QWidget* widget :
         std::initializer_list<QWidget*>{ui->lineEdit_5, ui->label_5, ui->lineEdit_6, ui->label_6})
        widget->setEnabled(login);
}

void ErrroNotifySettingDialog::on_pushButton_2_clicked()
{
    runCommand(this, [this] { saveAndOfferTestMail(this, *ui); });
}

void ErrroNotifySettingDialog::on_pushButton_clicked()
{
    reject();
}

void ErrroNotifySettingDialog::on_checkBox_2_stateChanged(int)
{
    enableControl();
}

void ErrroNotifySettingDialog::on_checkBox_stateChanged(int)
{
    enableControl();
}
