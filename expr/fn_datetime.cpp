// Date and time functions. Texts are split into tokens by the lexer, so
// "-", ":", "/", "," and "." are tokens of their own and digits form numbers.
#include <cstdio>
#include <vector>

#include "driver/core/charset.h"
#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/builtin_functions.h"
#include "expr/lexer.h"
#include "expr/values.h"
#include "platform/clock.h"

namespace kavr {

namespace {

constexpr size_t kUnitChars = 1023;
constexpr size_t kDateTextChars = 4095;

const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};

std::vector<std::string> tokens_of(const std::string& text) {
    Lexer lex(text, kRefHashIsChar);
    std::vector<std::string> out;
    std::string tok;
    while (lex.NextToken(tok) != kTokEnd) out.push_back(tok);
    return out;
}

// The one argument, without enclosing quotes.
bool one_argument(FunctionCall& call, std::string& value) {
    if (!call.OneArgument(value)) return false;
    value = StripQuotes(value);
    return true;
}

bool read_number(const std::vector<std::string>& t, size_t i, int& out) {
    return i < t.size() && ReadInt32(t[i], out);
}

std::string two_digits(long long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld", v);
    return buf;
}

// Month number (1 to 12) of a name as IsDate reads it: a word of at least
// three letters that occurs within the name, months tried in order.
int month_of_word(const std::string& word) {
    if (word.size() < 3) return 0;
    for (int m = 0; m < 12; ++m)
        if (FindNoCase(kMonths[m], word) != std::string_view::npos) return m + 1;
    return 0;
}

// Month number of a full month name (WeekDay).
int month_of_full_name(const std::string& word) {
    for (int m = 0; m < 12; ++m)
        if (EqualsNoCase(kMonths[m], word)) return m + 1;
    return 0;
}

bool valid_day(long long year, long long month, long long day) {
    if (year < 100) year += 1900;
    if (year < 0 || year > 9999 || month < 1 || month > 12) return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int days = kDays[month - 1];
    if (month == 2 && year % 4 == 0) days = 29;  // every fourth year here
    return day >= 1 && day <= days;
}

// "yyyy-mm-dd", "hh:mm:ss", or both, as a point in time. Fields that the
// text does not give keep the current date; missing seconds read as 0.
bool read_datetime(const std::string& text, long long& seconds) {
    std::vector<std::string> t = tokens_of(text);
    platform::LocalTime lt = platform::local_time();
    size_t at = 0;
    if (t.size() >= 2 && t[1] == "-") {
        if (!read_number(t, 0, lt.year) || !read_number(t, 2, lt.month) || !read_number(t, 4, lt.day))
            return false;
        at = 5;
    }
    if (at == 0 || at < t.size()) {
        if (!read_number(t, at, lt.hour)) return false;
        if (at + 1 >= t.size() || t[at + 1] != ":") return false;
        if (!read_number(t, at + 2, lt.minute)) return false;
        lt.second = 0;
        if (at + 4 < t.size() && !read_number(t, at + 4, lt.second)) return false;
    }
    return platform::seconds_from_local(lt, seconds);
}

// One part of a date: an integer or a month name.
struct DatePart {
    long long value;
    bool month_name;
    bool is_month() const { return month_name || (value >= 1 && value <= 12); }
    bool is_year() const { return !month_name && value >= 0 && value <= 9999; }
};

bool date_test(const std::string& text) {
    std::vector<std::string> t = tokens_of(text);
    std::vector<DatePart> parts;
    int names = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        if (parts.size() == 3) return false;
        DatePart p{0, false};
        if (IsInteger(t[i])) {
            ReadInt64(t[i], p.value);
        } else if (int m = month_of_word(t[i])) {
            p = DatePart{m, true};
            ++names;
        } else {
            return false;
        }
        parts.push_back(p);
        if (i + 1 < t.size() && (t[i + 1] == "/" || t[i + 1] == "-" || t[i + 1] == ",")) ++i;
    }
    if (names > 1 || parts.size() < 2) return false;
    const DatePart& a = parts[0];
    const DatePart& b = parts[1];
    if (parts.size() == 2) {
        long long year = platform::local_time().year;
        return (a.is_month() && valid_day(year, a.value, b.value)) ||
               (b.is_month() && valid_day(year, b.value, a.value)) || (a.is_year() && b.is_month()) ||
               (b.is_year() && a.is_month());
    }
    const DatePart& c = parts[2];
    return (a.is_month() && c.is_year() && valid_day(c.value, a.value, b.value)) ||
           (b.is_month() && c.is_year() && valid_day(c.value, b.value, a.value)) ||
           (a.is_year() && b.is_month() && valid_day(a.value, b.value, c.value));
}

bool is_am_pm(const std::string& s) { return EqualsNoCase(s, "AM") || EqualsNoCase(s, "PM"); }

bool integer_in(const std::string& s, long long lo, long long hi) {
    long long v;
    return IsInteger(s) && ReadInt64(s, v) && v >= lo && v <= hi;
}

bool time_test(std::string text) {
    for (char& c : text)
        if (c == '.') c = ':';
    std::vector<std::string> t = tokens_of(text);
    if (t.size() < 3 || !integer_in(t[0], 0, 23) || t[1] != ":" || !integer_in(t[2], 0, 59)) return false;
    size_t at = 3;
    if (at < t.size() && t[at] == ":") {
        if (at + 1 >= t.size() || !integer_in(t[at + 1], 0, 59)) return false;
        at += 2;
    }
    if (at < t.size() && is_am_pm(t[at])) ++at;
    return at == t.size();
}

// "Jan. 5" reads as "Jan 5": a point directly after a month name goes.
std::string drop_month_points(std::string text) {
    for (bool again = true; again;) {
        again = false;
        Lexer lex(text, kRefHashIsChar);
        std::string tok, next;
        while (lex.NextToken(tok) != kTokEnd) {
            if (!month_of_word(tok)) continue;
            size_t after = lex.position();
            if (lex.NextToken(next) == kTokPunct && next == "." && lex.whitespace().empty()) {
                text.erase(after, 1);
                again = true;
                break;
            }
            lex.set_position(after);
        }
    }
    return text;
}

}  // namespace

int FnCurrentDateTime(FunctionCall& call) {
    platform::LocalTime t = platform::local_time();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return call.Result(buf);
}

int FnCurrentTime(FunctionCall& call) {
    platform::LocalTime t = platform::local_time();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return call.Result(buf);
}

int FnCurrentDate(FunctionCall& call) {
    platform::LocalTime t = platform::local_time();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
    return call.Result(buf);
}

int FnDateFormat(FunctionCall& call) {
    std::string v;
    if (!one_argument(call, v)) return 0;
    std::vector<std::string> t = tokens_of(v);
    int year, month, day;
    if (!read_number(t, 0, year) || !read_number(t, 2, month) || !read_number(t, 4, day)) return 0;
    return call.Result(two_digits(day) + "/" + two_digits(month) + "/" + two_digits(year - 1900LL));
}

int FnTimeFormat(FunctionCall& call) {
    std::string v;
    if (!one_argument(call, v)) return 0;
    std::vector<std::string> t = tokens_of(v);
    size_t at = v.find('-') != std::string::npos ? 5 : 0;  // past the date
    int hour, minute;
    if (!read_number(t, at, hour) || !read_number(t, at + 2, minute)) return 0;
    if (hour < 13) return call.Result(two_digits(hour) + ":" + two_digits(minute) + " AM");
    return call.Result(two_digits(hour - 12LL) + ":" + two_digits(minute) + " PM");
}

int FnIsDate(FunctionCall& call) {
    std::string v;
    if (!one_argument(call, v)) return 0;
    v = drop_month_points(v);
    size_t mark = v.find_first_of(".:");
    std::string date_part, time_part;
    if (mark == std::string::npos) {
        if (FindNoCase(v, "PM") != std::string_view::npos || FindNoCase(v, "AM") != std::string_view::npos)
            return call.Result("0");
        date_part = v;
    } else {
        size_t space = v.rfind(' ', mark);
        if (space == std::string::npos) {
            time_part = v;
        } else {
            date_part = v.substr(0, space);
            time_part = v.substr(space + 1);
        }
    }
    bool has_date = date_part.find_first_not_of(" \t\r\n") != std::string::npos;
    bool has_time = !time_part.empty();
    bool ok = (has_date || has_time) && (!has_date || date_test(date_part)) && (!has_time || time_test(time_part));
    return call.Result(ok ? "1" : "0");
}

int FnDateDiff(FunctionCall& call) {
    std::vector<std::string> args;
    if (!call.Arguments(args, 3, 3)) return 0;
    std::string unit(CutView(args[0], kUnitChars));
    std::string first = StripQuotes(std::string(CutView(args[1], kDateTextChars)));
    std::string second = StripQuotes(std::string(CutView(args[2], kDateTextChars)));
    long long a = 0, b = 0;
    for (const std::string* text : {&first, &second}) {
        if (!read_datetime(*text, text == &first ? a : b)) {
            WriteLog(call.request.thread_number, 3, "Error: Date format error of " + *text + "\n");
            return 0;
        }
    }
    long long divisor = EqualsNoCase(unit, "d")   ? 86400
                        : EqualsNoCase(unit, "h") ? 3600
                        : EqualsNoCase(unit, "n") ? 60
                        : EqualsNoCase(unit, "s") ? 1
                                                  : 0;
    if (divisor == 0) return 0;
    return call.Result(FormatInt((b - a) / divisor));
}

int FnWeekDay(FunctionCall& call) {
    std::string v;
    if (!one_argument(call, v)) return 0;
    if (IsNumber(v)) return call.Result("");
    std::vector<std::string> t = tokens_of(v);
    platform::LocalTime lt = platform::local_time();
    if (t.empty() || !(lt.month = month_of_full_name(t[0]))) return 0;
    if (!read_number(t, 1, lt.day) || !read_number(t, 3, lt.year)) return 0;
    lt.hour = lt.minute = lt.second = 0;
    long long seconds;
    platform::LocalTime back;
    if (!platform::seconds_from_local(lt, seconds) || !platform::local_from_seconds(seconds, back)) return 0;
    return call.Result(FormatInt(back.weekday + 1));
}

}  // namespace kavr
