#pragma once

// For tests only: these functions exist in the mailer_testing library alone, which test
// builds link in place of mailer; the library the application ships has no such door.

#include "libmailer.h"
#include "transfersettings.h"

// Replaces the transfer settings of every later send in this process, e.g. to trust a test
// CA, shorten the time bounds or send a name and port to a local server.
LIBMAILER_API void setMailerTestSettings(const mailer::TransferSettings& settings);

// Restores the defaults.
LIBMAILER_API void resetMailerTestSettings();
