#include "tempdocuments.h"

#include <QDir>
#include <QFile>

TempDocuments::TempDocuments()
    : m_oldHome(qgetenv("HOME")), m_oldConfigHome(qgetenv("XDG_CONFIG_HOME")),
      m_hadHome(qEnvironmentVariableIsSet("HOME")),
      m_hadConfigHome(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
{
    QDir().mkpath(documents());
    QDir().mkpath(home() + QStringLiteral("/.config"));
    qputenv("HOME", QFile::encodeName(home()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home() + QStringLiteral("/.config")));
}

TempDocuments::~TempDocuments()
{
    if (m_hadHome)
        qputenv("HOME", m_oldHome);
    else
        qunsetenv("HOME");
    if (m_hadConfigHome)
        qputenv("XDG_CONFIG_HOME", m_oldConfigHome);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

QString TempDocuments::home() const
{
    return m_dir.path() + QStringLiteral("/home");
}

QString TempDocuments::documents() const
{
    return home() + QStringLiteral("/Documents");
}

QString TempDocuments::settingsFolder() const
{
    return documents() + QStringLiteral("/Sorvel Quorvane for Unity 5");
}

QString TempDocuments::settingsFile() const
{
    return settingsFolder() + QStringLiteral("/settings.xml");
}

QByteArray TempDocuments::readSettingsFile() const
{
    QFile file(settingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TempDocuments::writeSettingsFile(const QByteArray& content) const
{
    QDir().mkpath(settingsFolder());
    QFile file(settingsFile());
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}
