#include "smtpserver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace
{

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;

QString securityName(SmtpServer::Security security)
{
    switch (security) {
    case SmtpServer::Security::None:
        return QStringLiteral("none");
    case SmtpServer::Security::StartTls:
        return QStringLiteral("starttls");
    case SmtpServer::Security::ImplicitTls:
        return QStringLiteral("implicit");
    }
    return {};
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

SmtpServer::Message messageFrom(const QJsonObject& record, const QByteArray& raw)
{
    SmtpServer::Message message;
    message.raw = raw;
    message.mailFrom = record.value("mail_from").toString();
    for (const QJsonValue& rcpt : record.value("rcpt_tos").toArray())
        message.rcptTo << rcpt.toString();
    message.tls = record.value("tls").toBool();
    message.authUser = record.value("auth_login").toString();
    message.subject = record.value("subject").toString();
    message.body = record.value("body").toString();
    if (record.value("date").isDouble())
        message.date = QDateTime::fromSecsSinceEpoch(qint64(record.value("date").toDouble()));
    const QJsonObject headers = record.value("headers").toObject();
    for (auto it = headers.begin(); it != headers.end(); ++it)
        message.headers.insert(it.key(), it.value().toString());
    for (const QJsonValue& defect : record.value("defects").toArray())
        message.defects << defect.toString();
    return message;
}

} // namespace

SmtpServer::SmtpServer(const Options& options)
{
    if (!m_captureDir.isValid()) {
        m_error = QStringLiteral("no temporary folder for the captured mail");
        return;
    }
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/bin/python3"), arguments(options));
    if (!waitUntilReady()) {
        m_process.kill();
        m_process.waitForFinished(kStopTimeoutMs);
    }
}

SmtpServer::SmtpServer() : SmtpServer(Options{})
{
}

SmtpServer::~SmtpServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(kStopTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(kStopTimeoutMs);
    }
}

QStringList SmtpServer::arguments(const Options& options) const
{
    QStringList args{QStringLiteral(QUORVANE_SMTPSERVER_SCRIPT), "--capture", m_captureDir.path(),
                     "--security", securityName(options.security)};
    if (options.security != Security::None)
        args << "--cert" << options.certificateFile << "--key" << options.keyFile;
    if (!options.user.isEmpty()) {
        args << "--user-hex" << QString::fromLatin1(options.user.toHex()) << "--password-hex"
             << QString::fromLatin1(options.password.toHex());
    }
    if (options.authBeforeTls)
        args << "--clear-auth";
    if (!options.rejectRecipient.isEmpty())
        args << "--reject-rcpt" << options.rejectRecipient;
    if (options.silent)
        args << "--silent";
    return args;
}

bool SmtpServer::waitUntilReady()
{
    QElapsedTimer timer;
    timer.start();
    while (!m_process.canReadLine()) {
        const int left = kStartTimeoutMs - int(timer.elapsed());
        if (left <= 0 || !m_process.waitForReadyRead(left)) {
            m_error = QStringLiteral("the SMTP server did not start: ") + m_process.errorString();
            return false;
        }
    }
    const QList<QByteArray> words = m_process.readLine().trimmed().split(' ');
    const quint16 port = words.size() == 2 && words[0] == "READY" ? words[1].toUShort() : 0;
    if (port == 0)
        m_error = QStringLiteral("the SMTP server said something other than READY <port>");
    m_port = port;
    return port != 0;
}

QList<SmtpServer::Message> SmtpServer::messages() const
{
    QList<Message> messages;
    const QDir dir(m_captureDir.path());
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
        const QString stem = dir.filePath(name.chopped(5));
        const QJsonObject record = QJsonDocument::fromJson(readFile(stem + ".json")).object();
        messages << messageFrom(record, readFile(stem + ".eml"));
    }
    return messages;
}
