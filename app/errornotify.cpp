#include "apputil.h"
#include "convertererror.h"
#include "errormailsettings.h"
#include "producttitle.h"

#include <QMessageBox>

namespace
{

enum class BoxKind { Warning, Critical };

struct NotifyRow {
    int code;
    BoxKind kind;
    const char* headingKey;
    const char* detailKey;
    bool appendCode;
};

const char GeneralHeadingKey[] = "ErrorNotifyHeading";

// Warnings for what the user can put right in the settings or the image; critical for the
// rest. The image-size row leaves out the code: its text already names the cause and the cure.
const NotifyRow NotifyTable[] = {
    {ErrorSettingsUnreadable, BoxKind::Warning, "ErrorNotifySettingsHeading",
     "ErrorNotifySettingsDetail", true},
    {ErrorOriginalToolMissing, BoxKind::Critical, "ErrorNotifyOriginalMissingHeading",
     "ErrorNotifyOriginalMissingDetail", true},
    {ErrorConversionFailed, BoxKind::Critical, GeneralHeadingKey, "ErrorNotifyConvertFailedDetail",
     true},
    {ErrorOutOfMemory, BoxKind::Critical, "ErrorNotifyOutOfMemoryHeading",
     "ErrorNotifyOutOfMemoryDetail", true},
    {ErrorImageTooLarge, BoxKind::Warning, "ErrorNotifyTooLargeHeading",
     "ErrorNotifyTooLargeDetail", false},
    {ErrorOriginalToolFailed, BoxKind::Critical, "ErrorNotifyOriginalFailedHeading",
     "ErrorNotifyOriginalFailedDetail", true},
    {ErrorImageUnreadable, BoxKind::Warning, "ErrorNotifyImageUnreadableHeading",
     "ErrorNotifyImageUnreadableDetail", true},
    {ErrorOutputNotWritten, BoxKind::Critical, "ErrorNotifyOutputHeading",
     "ErrorNotifyOutputDetail", true},
};

const NotifyRow* findRow(int code)
{
    for (const NotifyRow& row : NotifyTable)
        if (row.code == code)
            return &row;
    return nullptr;
}

// The converter's codes are a digit or two. A longer text, however it came, would widen the box
// beyond the screen: the box shows its start only (the mail carries it whole).
const int ShownCodeLength = 32;

QString shownCode(const QString& code)
{
    if (code.size() <= ShownCodeLength)
        return code;
    return code.left(ShownCodeLength) + QChar(0x2026); // HORIZONTAL ELLIPSIS
}

// Codes without a row show the general heading and nothing more than their code: every code
// the converter sends has a row, so an unknown one carries no description of its own.
QString notificationText(const NotifyRow* row, const QString& code)
{
    const QString heading = AppUtil::IDS(QLatin1String(row ? row->headingKey : GeneralHeadingKey));
    const QString detail = row ? AppUtil::IDS(QLatin1String(row->detailKey)) : QString();
    QString text = heading + QStringLiteral("\n\n") + detail;
    if (!row || row->appendCode)
        text += QStringLiteral("\n(Error code: ") + shownCode(code) + QLatin1Char(')');
    return text;
}

} // namespace

void AppUtil::MirrelNotifyError(QWidget* parent, const QString& code)
{
    const int value = code.toInt(nullptr, 10);
    const ErrorMailSetting mail = loadSetting().ErrorMail;
    if (mail.ErrorMailUse)
        sendErrorMail(code, mail);

    const NotifyRow* row = findRow(value);
    const QString title = QString::fromUtf8(ProductTitle);
    const QString text = notificationText(row, code);
    if (row && row->kind == BoxKind::Warning)
        QMessageBox::warning(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
    else
        QMessageBox::critical(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
}
