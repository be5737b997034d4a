// The echo blocks that close a page when the configuration asks for them:
// CGI variables, URL and form variables, cookies. Names and values are
// written as they are, without HTML escaping.
#pragma once
#include "driver/core/request.h"
#include "driver/core/response_stream.h"

namespace kavr {

void EchoCgiVariables(ResponseStream& out);
void EchoFormVariables(const RequestTables& t, ResponseStream& out);
void EchoCookies(const RequestTables& t, ResponseStream& out);

}  // namespace kavr
