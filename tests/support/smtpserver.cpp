#include "smtpserver.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace
{

QStringList arguments(const SmtpServer::Options& options, const QString& captureDir)
{
    static const char* const security[] = {"none", "starttls", "implicit"};
    return QStringList() << QStringLiteral(QUORVANE_SMTPSERVER_SCRIPT) << captureDir
                         << security[int(options.security)] << options.certificateFile
                         << options.keyFile << options.user.toHex() << options.password.toHex()
                         << (options.authBeforeTls ? "1" : "0") << options.command << options.reply;
}

SmtpServer::Message readMessage(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QVariantMap r = QJsonDocument::fromJson(file.readAll()).object().toVariantMap();
    return {r["raw"].toString().toLatin1(), r["mail_from"].toString(),
            r["rcpt_tos"].toStringList(),   r["tls"].toBool(),
            r["auth_login"].toString(),     r["subject"].toString(),
            r["body"].toString(),           r["defects"].toStringList()};
}

} // namespace

SmtpServer::SmtpServer(const Options& options)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/bin/python3"), arguments(options, m_captureDir.path()));
    // The script's one line of output, the port, comes in a single write.
    if (m_process.waitForReadyRead(10000))
        m_port = m_process.readLine().trimmed().toUShort();
    if (m_port == 0)
        m_error = "waited for smtpserver.py to print its port: " +
                  (m_process.state() == QProcess::Running ? QStringLiteral("none within 10 s")
                   : m_process.error() == QProcess::FailedToStart
                       ? m_process.errorString()
                       : QStringLiteral("it ended with exit code %1").arg(m_process.exitCode()));
}

SmtpServer::~SmtpServer()
{
    m_process.kill();
    m_process.waitForFinished();
}

QList<SmtpServer::Message> SmtpServer::messages() const
{
    QList<Message> messages;
    const QDir dir(m_captureDir.path());
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name))
        messages << readMessage(dir.filePath(name));
    return messages;
}
