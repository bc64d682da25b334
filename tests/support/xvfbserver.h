#pragma once

#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// An X server of the test's own: Xvfb on a display number that the server picks itself, so
// parallel tests never collide. The server stops when the object goes.
class XvfbServer
{
public:
    // `screen` is Xvfb's WIDTHxHEIGHTxDEPTH of screen 0.
    explicit XvfbServer(const QString& screen = QStringLiteral("1024x768x24"));
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Starts Xvfb and waits until it accepts clients; false when it did not come up in time.
    bool start(int timeoutMs = 15000);
    // ":N" once started, empty before.
    QString display() const { return m_display; }
    // `base` with DISPLAY set to this server and Qt told to use it (QT_QPA_PLATFORM=xcb).
    QProcessEnvironment
    environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const;

    // Runs an X client (xdotool, xwininfo, ...) against this server and returns its standard
    // output; `ok` (when given) tells whether it ended with exit code 0 within the time.
    QByteArray runClient(const QString& program, const QStringList& arguments, bool* ok = nullptr,
                         int timeoutMs = 15000) const;
    // The picture of window `windowId` ("root" for the whole screen) as the server shows it;
    // a null image when it can't be taken.
    QImage grab(const QString& windowId = QStringLiteral("root")) const;

private:
    QString m_screen;
    QString m_display;
    QProcess m_server;
};
