#pragma once

#include "setting.h"

#include <QString>

// Sends the notification mail for `code` with the SMTP settings of `mail`, each text as its
// UTF-8 bytes up to the first NUL; returns what AppUtil::MirrelSendErrorMail returns.
int sendErrorMail(const QString& code, const ErrorMailSetting& mail);
