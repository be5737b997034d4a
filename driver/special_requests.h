// Requests that need no template: the product information page and the
// administrator's version query.
#pragma once

namespace kavr {

struct Request;

// Answers a special request; false when the request is not one.
bool HandleSpecialRequest(Request& request);

// The product information page, header and page end included.
void DisplayInfo(Request& request);

}  // namespace kavr
