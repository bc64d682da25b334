#pragma once

#include <curl/curl.h>

#include <memory>

namespace mailer
{

struct CurlEasyCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlListFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// Owns one easy handle.
using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;
// Owns a whole string list.
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;

// Appends a copy of `text` to `list`. False when memory ran out; `list` is then unchanged.
inline bool appendTo(CurlList& list, const char* text)
{
    curl_slist* const longer = curl_slist_append(list.get(), text);
    if (longer == nullptr)
        return false;
    static_cast<void>(list.release()); // `longer` begins with the old list
    list.reset(longer);
    return true;
}

} // namespace mailer
