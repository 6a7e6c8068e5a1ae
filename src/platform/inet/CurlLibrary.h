// libcurl, opened the first time a web request or a URL needs it: a process that only moves
// files over FTP never loads it, nor the TLS, directory and name libraries it brings along.
#pragma once

#include <curl/curl.h>

namespace kvr::inet {

struct CurlLibrary {
    decltype(&curl_easy_init) easy_init;
    decltype(&curl_easy_cleanup) easy_cleanup;
    decltype(&curl_easy_setopt) easy_setopt;
    decltype(&curl_easy_getinfo) easy_getinfo;
    decltype(&curl_easy_pause) easy_pause;
    decltype(&curl_multi_init) multi_init;
    decltype(&curl_multi_cleanup) multi_cleanup;
    decltype(&curl_multi_add_handle) multi_add_handle;
    decltype(&curl_multi_remove_handle) multi_remove_handle;
    decltype(&curl_multi_perform) multi_perform;
    decltype(&curl_multi_poll) multi_poll;
    decltype(&curl_multi_info_read) multi_info_read;
    decltype(&curl_url) url;
    decltype(&curl_url_cleanup) url_cleanup;
    decltype(&curl_url_get) url_get;
    decltype(&curl_url_set) url_set;
    decltype(&curl_free) free;
};

// The library, loaded and initialised once for the process (any thread may ask first);
// nullptr when it cannot be loaded or lacks a function.
const CurlLibrary* curl_library();

} // namespace kvr::inet
