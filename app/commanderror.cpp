#include "commanderror.h"

#include "producttitle.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <exception>

bool runCommand(QWidget* parent, const std::function<void()>& command)
{
    QString detail;
    try {
        command();
        return true;
    } catch (const std::exception& error) {
        // File-system errors name the path in UTF-8, as every path of this system is.
        detail = QString::fromUtf8(error.what());
    } catch (...) {
    }

    QString text = QCoreApplication::translate(
        "QWidget", "処理中にエラーが発生したため、操作を中止しました。");
    if (!detail.isEmpty())
        text += QStringLiteral("\n\n") + detail;
    QMessageBox::warning(parent, QString::fromUtf8(ProductTitle), text);
    return false;
}
