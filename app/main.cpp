#include "apputil.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    try {
        int exitCode = 1;
        if (AppUtil::checkSendMail(nullptr, exitCode))
            return exitCode;
        MainWindow window;
        window.show();
        return application.exec();
    } catch (...) {
        // Whatever escapes start-up or the notification ends the process without a box.
        return 1;
    }
}
