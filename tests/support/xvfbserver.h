#pragma once

#include <QProcess>

// An Xvfb of the test's own, on a display it picks itself so parallel tests never collide.
class XvfbServer
{
public:
    ~XvfbServer();

    // Starts Xvfb and waits until it accepts clients; false when it did not.
    bool start();
    // The system environment with DISPLAY set to this server and Qt told to use it.
    QProcessEnvironment environment() const;
    // Runs X client `program` here; its standard output, and in `ok` whether it exited with 0.
    QByteArray runClient(const QString& program, const QStringList& args, bool* ok = nullptr) const;

private:
    QString m_display;
    QProcess m_server;
};
