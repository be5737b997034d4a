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
        {"30", day(1996, 12, 5), "01/04/97"},
        {"+30", day(1996, 12, 5), "01/04/97"},
        {"0", day(1996, 12, 5), "12/05/96"},
        {"-5", day(2000, 3, 2), "02/26/100"},   // leap year 2000, years count from 1900
        {"Never", day(1996, 12, 5), "12/05/99"},
        {"NOW", day(1996, 3, 1), "02/29/96"},
        {"now", day(1997, 1, 1), "12/31/96"},
        {"366", day(2023, 3, 1), "03/01/124"},
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
    std::string past = CookieExpires("-99999999999999999999999", day(1996, 12, 5));
    EXPECT_FALSE(past.empty());
    EXPECT_NE(far, past);
}

TEST(TemplateHeaderValue, LineBreaksCannotStartAnotherHeader) {
    EXPECT_EQ(HeaderValue("a\r\nSet-Cookie:x=1"), "aSet-Cookie:x=1");
    EXPECT_EQ(HeaderValue(std::string("a\0b", 3)), "ab");
    EXPECT_EQ(HeaderValue("/next.kvl?a=1&b=2"), "/next.kvl?a=1&b=2");
}

}  // namespace
}  // namespace kavr
