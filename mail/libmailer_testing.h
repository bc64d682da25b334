#pragma once

// For tests only: the application never includes this header, and nothing it reads (such as
// settings.xml) reaches these functions.

#include "libmailer.h"
#include "transfersettings.h"

// Replaces the transfer settings of every later send in this process, e.g. to trust a test
// CA, shorten the time bounds or send a name and port to a local server.
LIBMAILER_API void setMailerTestSettings(const mailer::TransferSettings& settings);

// Restores the defaults.
LIBMAILER_API void resetMailerTestSettings();
