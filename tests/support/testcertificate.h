#pragma once

#include <QStringList>
#include <QTemporaryDir>

// A self-signed certificate and its key, made with openssl in a temporary folder that goes away
// with the object. It is its own CA: trust it by naming certificateFile() as the CA file.
class TestCertificate
{
public:
    // `subjectAltNames` in openssl's notation, e.g. {"DNS:localhost", "IP:127.0.0.1"}.
    explicit TestCertificate(const QStringList& subjectAltNames);

    QString errorString() const { return m_error; } // openssl's complaint; empty on success
    QString certificateFile() const { return m_dir.filePath(QStringLiteral("cert.pem")); }
    QString keyFile() const { return m_dir.filePath(QStringLiteral("key.pem")); }

private:
    QTemporaryDir m_dir;
    QString m_error;
};
