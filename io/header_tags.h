// The response header tags: kavlocation (a redirect) and kavcookie. Each
// only builds its header text and keeps it in the request; the template
// run writes it before the body.
#pragma once
#include <string>

#include "platform/clock.h"
#include "template/tag_table.h"

namespace kavr {

int KavLocation(TagCall& call);
int KavCookie(TagCall& call);

// Adds both rows to the tag table.
void RegisterHeaderTags();

// The expires value of a cookie as sent: a whole number of days from
// today, "Now" (yesterday, so that the browser drops the cookie), "Never"
// (today's month and day in the year 99), or any other text as written.
// Dates are "mm/dd/yy" with the year counted from 1900.
std::string CookieExpires(const std::string& expires, const platform::LocalTime& today);

// Line breaks and NUL bytes would end the header line early and start a
// header of the sender's choosing; they are dropped from header values.
std::string HeaderValue(const std::string& text);

}  // namespace kavr
