#include "commanderror.h"

#include "producttitle.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <exception>

bool runCommand(QWidget* parent, const std::function<void()>& command)
{
    QString text;
    try {
        command();
        return true;
    } catch (...) {
        text = caughtErrorText(QCoreApplication::translate(
            "QWidget", "処理中にエラーが発生したため、操作を中止しました。"));
    }
    QMessageBox::warning(parent, QString::fromUtf8(ProductTitle), text);
    return false;
}

QString caughtErrorText(const QString& sentence)
{
    QString detail;
    try {
        throw;
    } catch (const std::exception& error) {
        // File-system errors name the path in UTF-8, as every path of this system is.
        detail = QString::fromUtf8(error.what());
    } catch (...) {
    }
    return detail.isEmpty() ? sentence : sentence + QStringLiteral("\n\n") + detail;
}
