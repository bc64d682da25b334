#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A self-signed certificate and its key, made with the openssl command in a temporary folder
// that goes away with the object. The certificate is its own CA: trust it by naming
// certificateFile() as the CA file.
class TestCertificate
{
public:
    // `subjectAltNames` in openssl's notation, e.g. {"DNS:localhost", "IP:127.0.0.1"}.
    explicit TestCertificate(const QStringList& subjectAltNames);

    bool isValid() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; } // openssl's complaint when not valid
    QString certificateFile() const { return m_dir.filePath(QStringLiteral("cert.pem")); }
    QString keyFile() const { return m_dir.filePath(QStringLiteral("key.pem")); }

private:
    QTemporaryDir m_dir;
    QString m_error;
};
