#pragma once

#include "setting.h"

#include <QString>
#include <string>

// Sends the notification mail for `code` with the SMTP settings of `mail`, each text as its
// UTF-8 bytes up to the first NUL; returns what AppUtil::MirrelSendErrorMail returns.
int sendErrorMail(const QString& code, const ErrorMailSetting& mail);

// The same, and puts libSendMail's one-line reason for a non-zero result into `errorText`
// (empty when the mail went or was not attempted).
int sendErrorMail(const QString& code, const ErrorMailSetting& mail, std::string& errorText);
