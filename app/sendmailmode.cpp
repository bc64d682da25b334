#include "apputil.h"

#include <QCoreApplication>
#include <QStringList>

namespace
{
const QString SendMailSwitch = QStringLiteral("/SendMail");
const QString ErrorCodePrefix = QStringLiteral("/ErrorCode:");
} // namespace

bool AppUtil::checkSendMail(QWidget* parent, int& exitCode)
{
    exitCode = 1;

    // The converter starts us as "<bundle executable> /SendMail /ErrorCode:<n>"; the program
    // path itself may read anything, so it is never looked at.
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();

    bool sendMail = false;
    bool haveCode = false;
    QString code;
    for (const QString& argument : arguments) {
        if (argument == SendMailSwitch)
            sendMail = true;
        if (argument.startsWith(ErrorCodePrefix)) {
            code = argument.split(QLatin1Char(':'), Qt::KeepEmptyParts).at(1);
            haveCode = true;
        }
    }
    if (!sendMail || !haveCode)
        return false;

    // The converter only needs to know that we took over; what became of the mail is ours.
    exitCode = 0;
    MirrelNotifyError(parent, code);
    return true;
}
