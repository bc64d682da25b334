#include "xvfbserver.h"

#include <QDeadlineTimer>

XvfbServer::XvfbServer(const QString& screen) : m_screen(screen)
{
}

XvfbServer::~XvfbServer()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(5000)) {
        m_server.kill();
        m_server.waitForFinished(5000);
    }
}

bool XvfbServer::start(int timeoutMs)
{
    // -displayfd: the server takes the first free display number and writes it to its
    // standard output once it accepts connections, which is both the number and the signal.
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    m_server.start(QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                    QStringLiteral("0"), m_screen, QStringLiteral("-nolisten"),
                    QStringLiteral("tcp"), QStringLiteral("-noreset")});
    if (!m_server.waitForStarted(timeoutMs))
        return false;

    QByteArray output;
    const QDeadlineTimer deadline(timeoutMs);
    while (!output.contains('\n') && !deadline.hasExpired() &&
           m_server.state() == QProcess::Running) {
        m_server.waitForReadyRead(100);
        output += m_server.readAllStandardOutput();
    }
    bool isNumber = false;
    const int number = output.trimmed().toInt(&isNumber);
    if (!output.contains('\n') || !isNumber)
        return false;
    m_display = QStringLiteral(":%1").arg(number);
    return true;
}

QProcessEnvironment XvfbServer::environment(QProcessEnvironment base) const
{
    base.insert(QStringLiteral("DISPLAY"), m_display);
    base.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return base;
}

QByteArray XvfbServer::runClient(const QString& program, const QStringList& arguments, bool* ok,
                                 int timeoutMs) const
{
    QProcess client;
    client.setProcessEnvironment(environment());
    client.start(program, arguments);
    const bool finished = client.waitForStarted(timeoutMs) && client.waitForFinished(timeoutMs);
    if (!finished) {
        client.kill();
        client.waitForFinished(5000);
    }
    if (ok)
        *ok = finished && client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
    return client.readAllStandardOutput();
}

QImage XvfbServer::grab(const QString& windowId) const
{
    bool ok = false;
    const QByteArray png = runClient(QStringLiteral("import"),
                                     {QStringLiteral("-display"), m_display,
                                      QStringLiteral("-window"), windowId, QStringLiteral("png:-")},
                                     &ok);
    return ok ? QImage::fromData(png, "PNG") : QImage();
}
