// libcurl pieces shared by the fetchers.
#pragma once

#include <curl/curl.h>

#include <string>
#include <string_view>

#include "engine/fetch.h"

namespace kaplo {

void GlobalInit();
// An easy handle for a GET of url into *body with the limits applied; free
// it with FreeGetHandle. Null when libcurl cannot make one.
CURL* NewGetHandle(std::string_view url, const FetchLimits& limits, std::string* body);
void FreeGetHandle(CURL* handle);
// What a finished GET handle came to (all but the body); call before freeing it.
void ReadOutcome(CURL* handle, CURLcode result, Response& response);

}  // namespace kaplo
