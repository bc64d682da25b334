// Runs AppUtil::checkSendMail on this process's own command line, as main does, answers the
// notification box with OK and prints what happened as "name=value" lines.
#include "apputil.h"
#include "modalboxdriver.h"

#include <QApplication>
#include <QPushButton>
#include <QTextStream>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    ModalBoxDriver driver;
    int exitCode = 7;
    int exitCodeWhileShown = -1;
    driver.answerWith([&exitCode, &exitCodeWhileShown](QWidget* box) {
        exitCodeWhileShown = exitCode;
        qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
    });

    const bool notified = AppUtil::checkSendMail(nullptr, exitCode);

    QTextStream out(stdout);
    out << "notified=" << int(notified) << "\nexit=" << exitCode
        << "\nexitWhileShown=" << exitCodeWhileShown << "\nboxes=" << driver.seen().size()
        << "\ntext="
        << (driver.seen().isEmpty() ? QByteArray()
                                    : driver.seen().front().text.toUtf8().toPercentEncoding())
        << "\n";
    return 0;
}
