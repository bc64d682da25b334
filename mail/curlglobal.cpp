#include "curlglobal.h"

namespace mailer
{

CURLcode initCurlOnce()
{
    // A function-local static is initialised exactly once, also under concurrent first calls.
    static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
    return result;
}

} // namespace mailer
