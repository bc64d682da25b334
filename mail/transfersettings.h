#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace mailer
{

// How a send reaches and trusts its server. The defaults are what the application gets; only
// tests change them (see libmailer_testing.h).
struct TransferSettings {
    std::string caFile; // empty: the system's store
    std::chrono::milliseconds connectTimeout = std::chrono::seconds(10); // name lookup to TCP up
    std::chrono::milliseconds totalTimeout = std::chrono::seconds(30);   // the whole exchange
    std::vector<std::string> connectTo; // libcurl CONNECT_TO entries "HOST:PORT:ADDRESS:PORT"
};

// A copy of the settings in force; safe from any thread. The shipping library always gives the
// defaults; the test library gives what the test set last.
TransferSettings currentTransferSettings();

} // namespace mailer
