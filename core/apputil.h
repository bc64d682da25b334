#pragma once

#include "setting.h"

#include <QDomDocument>
#include <QDomElement>
#include <QMap>
#include <QString>
#include <string>

class QWidget;

// Application services: settings paths and file, password scrambling, the UI string table,
// and error notification. Static functions only; the string table is the one piece of state.
class AppUtil
{
public:
    AppUtil() = delete;

    // The settings folder "Sorvel Quorvane for Unity 5" inside Documents, and settings.xml in it.
    static QString getAppDataPath();
    static QString getSettingFile();

    // Scrambles `password` with a key derived from `user`; always true, replaces `out`.
    static bool EncodeAuthPassword(const QString& user, const QString& password, QString& out);
    // Unscrambles `text`; false (with `out` untouched) when it is not a text scrambled for `user`.
    static bool DecodeAuthPassword(const QString& user, const QString& text, QString& out);

    // Reads settings.xml; the defaults wherever the file gives nothing. Makes the settings
    // folder when missing; its file-system errors throw boost::filesystem::filesystem_error.
    static Setting loadSetting();
    // Writes the whole record to settings.xml; true when it was written and committed.
    static bool saveSetting(const Setting& setting);
    // An element `tag` of `doc` holding one text child `value`, not yet attached.
    static QDomElement createElem(QDomDocument& doc, const QString& tag, const QString& value);

    // The text stored under `key` in the string table of the system language, "(nullptr)" if none.
    static QString IDS(const QString& key);
    // Fills stringTable from ":/string/res/gui.<lang>.xml"; failures are silent.
    static void loadResouceString();
    static QMap<QString, QString> stringTable;

    // The members below belong to the application shell and are defined in the app library.

    // Composes the notification mail for `code` and sends it through libSendMail; 0 without
    // sending when the port is 0 or the server, sender or recipient is empty.
    static int MirrelSendErrorMail(const std::string& code, const std::string& server, int port,
                                   const std::string& from, const std::string& to, bool useAuth,
                                   const std::string& user, const std::string& password);
    // Mails (when enabled in the settings) and shows the notification for `code`.
    static void MirrelNotifyError(QWidget* parent, const QString& code);
    // Runs the notification when the arguments hold "/SendMail" and "/ErrorCode:<code>".
    // Writes 1 to `exitCode` on entry and 0 just before the notification runs.
    static bool checkSendMail(QWidget* parent, int& exitCode);
};
