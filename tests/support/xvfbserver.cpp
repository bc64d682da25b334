#include "xvfbserver.h"

XvfbServer::~XvfbServer()
{
    m_server.terminate();
    m_server.waitForFinished(5000);
}

bool XvfbServer::start()
{
    // -displayfd: the server takes the first free display number and writes it to its standard
    // output once it accepts connections, which is both the number and the signal.
    m_server.start(QStringLiteral("Xvfb"),
                   QStringLiteral("-displayfd 1 -nolisten tcp -noreset").split(' '));
    QByteArray output;
    while (!output.contains('\n') && m_server.waitForReadyRead(15000))
        output += m_server.readAllStandardOutput();
    m_display = QLatin1Char(':') + QString::fromLatin1(output.trimmed());
    return output.contains('\n');
}

QProcessEnvironment XvfbServer::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return environment;
}

QByteArray XvfbServer::runClient(const QString& program, const QStringList& args, bool* ok) const
{
    QProcess client;
    client.setProcessEnvironment(environment());
    client.start(program, args);
    const bool finished = client.waitForFinished(15000);
    if (ok)
        *ok = finished && client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
    return client.readAllStandardOutput();
}
