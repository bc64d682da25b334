#include "startup.h"

#include "apputil.h"
#include "commanderror.h"
#include "mainwindow.h"
#include "producttitle.h"

#include <QApplication>
#include <QMessageBox>

namespace
{

// True when the command line asked for the notification; its exit code is then in `exitCode`.
bool ranNotification(int& exitCode)
{
    try {
        return AppUtil::checkSendMail(nullptr, exitCode);
    } catch (...) {
        // The converter starts this mode, once for each texture that fails in an import: its
        // failures only tell in the exit code rather than stacking boxes over Unity.
        exitCode = 1;
        return true;
    }
}

int runWindow()
{
    QString text;
    try {
        MainWindow window;
        window.show();
        return QApplication::exec();
    } catch (...) {
        // The user started the tool by hand: a process that ends without a word looks as
        // though the start never happened.
        text = caughtErrorText(QCoreApplication::translate(
            "main", "Sorvel Quorvane for Unityを起動できませんでした。"));
    }
    QMessageBox::critical(nullptr, QString::fromUtf8(ProductTitle), text);
    return 1;
}

} // namespace

int runApplication()
{
    int exitCode = 1;
    return ranNotification(exitCode) ? exitCode : runWindow();
}
