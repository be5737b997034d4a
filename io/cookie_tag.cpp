// kavcookie name=... value=... [expires=...] [path=...] [domain=...]
// [samesite=Strict|Lax|None] [secure] [httponly]: a Set-Cookie line for the
// header, and the new value in the request's cookie table.
#include <cstdio>

#include "cgi/cookie_text.h"

#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "expr/variables.h"
#include "io/header_tags.h"

namespace kavr {

namespace {

constexpr size_t kAttributeSize = 1024;
// Offsets beyond this many days (some 2.7 million years) are held here.
constexpr long long kMaxDayOffset = 999999999;

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
long long days_from_civil(long long y, int m, int d) {
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    long long yoe = y - era * 400;
    long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(long long z, long long& y, int& m, int& d) {
    z += 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

// Browsers read only the HTTP date form ("Sat, 04 Jan 1997 00:00:00 GMT");
// a two- or three-digit year such as 97 or 127 would be ignored or taken
// as a past date, and the cookie would not last. Years beyond 9999 (huge
// offsets) are held at the last day a cookie date can name.
std::string date_text(long long year, int month, int day) {
    static const char* const kWeekdays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (year > 9999) {
        year = 9999;
        month = 12;
        day = 31;
    } else if (year < 1970) {
        year = 1970;
        month = 1;
        day = 1;
    }
    long long days = days_from_civil(year, month, day);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04lld 00:00:00 GMT", kWeekdays[days % 7], day,
                  kMonths[month - 1], year);
    return buf;
}

// An optional sign, then digits only.
bool day_offset(const std::string& text, long long& days) {
    size_t i = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
    if (i == text.size()) return false;
    long long n = 0;
    for (size_t k = i; k < text.size(); ++k) {
        if (text[k] < '0' || text[k] > '9') return false;
        if (n < kMaxDayOffset) n = n * 10 + (text[k] - '0');
    }
    if (n > kMaxDayOffset) n = kMaxDayOffset;
    days = text[0] == '-' ? -n : n;
    return true;
}

std::string shifted(const platform::LocalTime& today, long long days) {
    long long y;
    int m, d;
    civil_from_days(days_from_civil(today.year, today.month, today.day) + days, y, m, d);
    return date_text(y, m, d);
}

// Replaces the value of a cookie of that name, or adds one; 0 when the
// table is full.
int enter_cookie(RequestTables& t, const std::string& name, const std::string& value) {
    for (NameValue& c : t.cookies) {
        if (EqualsNoCase(c.name, name)) {
            c.value = value;
            return 1;
        }
    }
    if (t.cookies.size() >= RequestTables::kMaxCookies) return 0;
    t.cookies.push_back(NameValue{name, value});
    return 1;
}

}  // namespace

std::string CookieExpires(const std::string& expires, const platform::LocalTime& today) {
    long long days;
    if (day_offset(expires, days)) return shifted(today, days);
    if (EqualsNoCase(expires, "Now")) return shifted(today, -1);
    // "Never" means as far ahead as a cookie date can go.
    if (EqualsNoCase(expires, "Never")) return date_text(9999, 12, 31);
    return expires;
}

// An attribute's value ends at ";": a ";" in it, or a control byte, would
// start an attribute of the sender's choosing, so they are dropped.
static std::string attribute_value(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != ';' && static_cast<unsigned char>(c) >= ' ' && c != 127) out += c;
    return out;
}

// SameSite takes one of three words, written as browsers document them.
static bool same_site_word(const std::string& text, std::string& word) {
    for (const char* w : {"Strict", "Lax", "None"}) {
        if (EqualsNoCase(text, w)) {
            word = w;
            return true;
        }
    }
    return false;
}

int KavCookie(TagCall& call) {
    Lexer& lexer = call.lexer;
    Request& r = call.request;
    WriteLog(r.thread_number, 1, "Meet KavCookie\n");
    std::string item, name, value, expires, path, domain, same_site;
    bool secure = false, http_only = false;
    for (;;) {
        if (lexer.ReadItem(false, item) == kTokEnd) return 0;
        if (item == ">") break;
        std::string* target = EqualsNoCase(item, "name")       ? &name
                              : EqualsNoCase(item, "value")    ? &value
                              : EqualsNoCase(item, "expires")  ? &expires
                              : EqualsNoCase(item, "path")     ? &path
                              : EqualsNoCase(item, "domain")   ? &domain
                              : EqualsNoCase(item, "samesite") ? &same_site
                                                               : nullptr;
        if (EqualsNoCase(item, "secure")) {
            secure = true;
        } else if (EqualsNoCase(item, "httponly")) {
            http_only = true;
        } else if (target) {
            if (lexer.NextToken(item) == kTokEnd || item != "=") return 0;
            if (lexer.ReadItem(false, *target) == kTokEnd) return 0;
            if (!ExpandAttribute(kExpandText, *target, kAttributeSize, r)) return 0;
            *target = HeaderValue(*target);
        }
    }
    expires = CookieExpires(expires, platform::local_time());
    if (name.empty() || value.empty()) return 0;
    std::string same_site_word_text;
    if (!same_site.empty() && !same_site_word(same_site, same_site_word_text)) return 0;
    if (!enter_cookie(r.input, name, value)) return 0;

    std::string line = "Set-Cookie:" + CookieEncode(name, true) + "=" + CookieEncode(value, false);
    if (!expires.empty()) line += ";expires=" + attribute_value(expires);
    path = attribute_value(path);
    domain = attribute_value(domain);
    if (!path.empty()) line += ";path=" + path;
    if (!domain.empty()) line += ";domain=" + domain;
    if (secure) line += ";secure";
    if (http_only) line += ";HttpOnly";
    if (!same_site_word_text.empty()) line += ";SameSite=" + same_site_word_text;
    line += "\n";
    r.pending_cookie += line;
    // The statement's own line end ends the log line.
    if (LogWanted(1)) WriteLog(r.thread_number, 1, "Cookie Statement: " + line);
    return 1;
}

}  // namespace kavr
