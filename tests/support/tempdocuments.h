#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A throw-away home folder with a Documents folder in it. While the object lives, HOME and
// XDG_CONFIG_HOME point into it, so QStandardPaths::DocumentsLocation is <home>/Documents and
// the real home folder is never touched. The old values come back on destruction.
class TempDocuments
{
public:
    TempDocuments();
    ~TempDocuments();
    TempDocuments(const TempDocuments&) = delete;
    TempDocuments& operator=(const TempDocuments&) = delete;

    QString root() const { return m_dir.path(); }
    QString home() const;
    QString documents() const;
    QString settingsFolder() const; // <documents>/Sorvel Quorvane for Unity 5
    QString settingsFile() const;   // <settingsFolder>/settings.xml

    QByteArray readSettingsFile() const;
    bool writeSettingsFile(const QByteArray& content) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
    QByteArray m_oldConfigHome;
    bool m_hadHome;
    bool m_hadConfigHome;
};
