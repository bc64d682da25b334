// Saves a settings record from a separate process, so a test can run the save as another
// user. Exit code 0: saved; 1: saving returned false. The argument becomes ConfigPath.
#include "apputil.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Setting setting;
    setting.ConfigPath = app.arguments().value(1);
    return AppUtil::saveSetting(setting) ? 0 : 1;
}
