#pragma once

#include <curl/curl.h>

namespace mailer
{

// Runs curl_global_init once per process, whichever thread comes first, and returns its
// result to every caller. libcurl stays initialised until the process ends.
CURLcode initCurlOnce();

} // namespace mailer
