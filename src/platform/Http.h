// Fetching one web page through the system's own HTTP stack (Windows: WinHTTP, which checks
// certificates against the system's store). Linux fetches through libcurl in the update check.
#pragma once
#include <cstddef>
#include <string>

namespace platform {

struct HttpRequest {
  std::string url;        // http:// or https:// only
  std::string userAgent;
  long connectTimeoutMs = 10000;
  long totalTimeoutMs = 20000;
  size_t maxBytes = 1 << 20;  // a larger answer fails
  int maxRedirects = 5;
};

// The body of a 2xx answer; false on any failure, an error status or a body over maxBytes.
bool HttpGet(const HttpRequest& request, std::string& body);

}  // namespace platform
