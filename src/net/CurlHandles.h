#pragma once

#include <curl/curl.h>
#include <memory>

// Owners of libcurl handles: every exit path frees them.
struct CCurlEasyDeleter
{
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CCurlMultiDeleter
{
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct CCurlShareDeleter
{
    void operator()(CURLSH* share) const { curl_share_cleanup(share); }
};

using CCurlEasyPtr = std::unique_ptr<CURL, CCurlEasyDeleter>;
using CCurlMultiPtr = std::unique_ptr<CURLM, CCurlMultiDeleter>;
using CCurlSharePtr = std::unique_ptr<CURLSH, CCurlShareDeleter>;

// libcurl's process-wide set-up, done once before the first handle exists; true when it
// succeeded. The first call must come before any other thread uses libcurl.
bool EnsureCurlGlobalInit();
