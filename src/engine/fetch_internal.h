// libcurl pieces shared by the fetchers.
#pragma once

#include <curl/curl.h>

#include <string>
#include <string_view>

#include "engine/fetch.h"

namespace kaplo {

void GlobalInit();
// An easy handle for a GET of url into *body with the limits applied (a
// body larger than spill_bytes goes to a temporary file); free it with
// FreeGetHandle. Null when libcurl cannot make one.
CURL* NewGetHandle(std::string_view url, const FetchLimits& limits, std::string* body,
                   std::int64_t spill_bytes);
void FreeGetHandle(CURL* handle);
// What a finished GET handle came to (all but the body); call before freeing it.
void ReadOutcome(CURL* handle, CURLcode result, const FetchLimits& limits, Response& response);

}  // namespace kaplo
