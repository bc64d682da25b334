#include "testcertificate.h"

#include <QProcess>

TestCertificate::TestCertificate(const QStringList& subjectAltNames)
{
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    // An EC key is made in milliseconds, unlike RSA.
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                   "-days", "2", "-subj", "/CN=Quorvane test", "-addext",
                   "subjectAltName=" + subjectAltNames.join(','), "-keyout", keyFile(), "-out",
                   certificateFile()});
    if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0)
        m_error = openssl.errorString() + ": " + QString::fromLocal8Bit(openssl.readAll());
}
