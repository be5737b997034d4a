#include <gtest/gtest.h>

#include "io/header_tags.h"

namespace kavr {
namespace {

platform::LocalTime day(int year, int month, int d) { return platform::LocalTime{year, month, d, 12, 0, 0, 0, 0}; }

struct ExpiresCase {
    const char* expires;
    platform::LocalTime today;
    const char* sent;
};

TEST(TemplateCookieExpires, DaysNowNeverAndText) {
    const ExpiresCase cases[] = {
        {"30", day(1996, 12, 5), "Sat, 04 Jan 1997 00:00:00 GMT"},
        {"+30", day(1996, 12, 5), "Sat, 04 Jan 1997 00:00:00 GMT"},
        {"0", day(1996, 12, 5), "Thu, 05 Dec 1996 00:00:00 GMT"},
        {"-5", day(2000, 3, 2), "Sat, 26 Feb 2000 00:00:00 GMT"},  // leap year 2000
        {"Never", day(1996, 12, 5), "Fri, 31 Dec 9999 00:00:00 GMT"},
        {"NOW", day(1996, 3, 1), "Thu, 29 Feb 1996 00:00:00 GMT"},
        {"now", day(1997, 1, 1), "Tue, 31 Dec 1996 00:00:00 GMT"},
        {"366", day(2023, 3, 1), "Fri, 01 Mar 2024 00:00:00 GMT"},
        {"Friday, 31-Dec-99", day(1996, 12, 5), "Friday, 31-Dec-99"},
        {"12abc", day(1996, 12, 5), "12abc"},  // digits only count as days
        {"-", day(1996, 12, 5), "-"},
        {"", day(1996, 12, 5), ""},
    };
    for (const ExpiresCase& c : cases) EXPECT_EQ(CookieExpires(c.expires, c.today), c.sent) << c.expires;
}

TEST(TemplateCookieExpires, HugeOffsetsStayInRange) {
    std::string far = CookieExpires("99999999999999999999999", day(1996, 12, 5));
    EXPECT_FALSE(far.empty());
    EXPECT_EQ(far, "Fri, 31 Dec 9999 00:00:00 GMT");
    std::string past = CookieExpires("-99999999999999999999999", day(1996, 12, 5));
    EXPECT_EQ(past, "Thu, 01 Jan 1970 00:00:00 GMT");
}

TEST(TemplateHeaderValue, LineBreaksCannotStartAnotherHeader) {
    EXPECT_EQ(HeaderValue("a\r\nSet-Cookie:x=1"), "aSet-Cookie:x=1");
    EXPECT_EQ(HeaderValue(std::string("a\0b", 3)), "ab");
    EXPECT_EQ(HeaderValue("/next.kvl?a=1&b=2"), "/next.kvl?a=1&b=2");
}

}  // namespace
}  // namespace kavr
