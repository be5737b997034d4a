// Every keyword of every reported keyword form, through the four ways its
// "=" and value can go wrong: the text ending before the "=", the text
// ending before the value, another token instead of the "=", and a value
// that does not parse. The first message after the echo is compared.
#include <gtest/gtest.h>

#include <string>

#include "tests/unit/checker_test_util.h"

namespace kavr {
namespace {

struct KeywordCase {
    const char* tag;
    const char* keyword;
    const char* ends_before_eq;
    const char* ends_before_value;
    const char* no_eq;
    const char* bad_value;  // null: the value is not validated with a message
};

const KeywordCase kCases[] = {
    {"kavdbquery", "Name", "1: Missing = after Name in kavQuery\n", "1: Missing Name parameter after = in kavQuery\n",
     "1: No = after Name in kavQuery\n", "1: Syntax error with the Name parameter in kavQuery\n"},
    {"kavdbquery", "DataSource", "1: Missing = after DataSource in kavQuery\n",
     "1: Missing DataSource parameter after = in kavQuery\n", "1: No = after DataSource in kavQuery\n",
     "1: Syntax error with the DataSource parameter in kavQuery\n"},
    {"kavdbquery", "Sql", "1: Missing = after Sql in kavQuery\n", "1: Missing Sql parameter after = in kavQuery\n",
     "1: No = after Sql in kavQuery\n", "1: Syntax error with the Sql parameter in kavQuery\n"},
    {"kavdbquery", "MaxRows", "1: Missing = after MaxRows in kavQuery\n",
     "1: Missing MaxRows parameter after = in kavQuery\n", "1: No = after MaxRows in kavQuery\n",
     "1: Syntax error with the MaxRows parameter in kavQuery\n"},

    {"kavprint", "Query", "1: No parameter after = in kavprint\n", "1: No parameter after = in kavprint\n",
     "1: No = after keyword Query in kavprint\n", "1: Syntax error with the Query expression in kavprint\n"},
    {"kavprint", "MaxRows", "1: No MaxRows parameter after = in kavprint\n",
     "1: No MaxRows parameter after = in kavprint\n", "1: No = after keyword MaxRows in kavprint\n",
     "1: Syntax error with the MaxRows expression in kavprint\n"},
    {"kavprint", "Group", "1: No Group parameter after = in kavprint\n", "1: No Group parameter after = in kavprint\n",
     "1: No = after keyword Group in kavprint\n", "1: Syntax error with the Group expression in kavprint\n"},
    {"kavmail", "To", "1: No To parameter after = in kavmail\n", "1: No To parameter after = in kavmail\n",
     "1: No = after keyword To in kavmail\n", "1: Syntax error with the Group expression in kavmail\n"},
    {"kavmail", "From", "1: No From parameter after = in kavmail\n", "1: No From parameter after = in kavmail\n",
     "1: No = after keyword From in kavmail\n", "1: Syntax error with the From expression in kavmail\n"},
    {"kavmail", "Subject", "1: No Subject parameter after = in kavmail\n",
     "1: No Subject parameter after = in kavmail\n", "1: No = after keyword Subject in kavmail\n",
     "1: Syntax error with the Subject expression in kavmail\n"},
    {"KAVMAIL", "cc", "1: No CC parameter after = in KAVMAIL\n", "1: No CC parameter after = in KAVMAIL\n",
     "1: No = after keyword CC in KAVMAIL\n", "1: Syntax error with the CC expression in KAVMAIL\n"},
    {"kavmail", "Type", "1: No Type parameter after = in kavmail\n", "1: No Type parameter after = in kavmail\n",
     "1: No = after keyword Type in kavmail\n", "1: Syntax error with the Type expression in kavmail\n"},

    {"kavprinttable", "Query", "1: Missing = after keyword Query in KavPrintTable\n",
     "1: Missing Query expression in KavPrintTable\n", "1: Inproper symbol after keyword Query in KavPrintTable\n",
     "1: Syntax error with Query expression in KavPrintTable\n"},
    {"kavprinttable", "MaxRows", "1: Missing = after keyword MaxRows in KavPrintTable\n",
     "1: Missing MaxRows expression in KavPrintTable\n",
     "1: Inproper symbol after keyword MaxRows in KavPrintTable\n",
     "1: Syntax error with MaxRows expression in KavPrintTable\n"},
    {"kavprinttable", "ColSpacing", "1: Missing = after keyword ColSpacing in KavPrintTable\n",
     "1: Missing ColSpacing expression in KavPrintTable\n",
     "1: Inproper symbol after keyword ColSpacing in KavPrintTable\n",
     "1: Syntax error with ColSpacing expression in KavPrintTable\n"},
    {"kavprinttable", "HeaderLines", "1: Missing = after keyword HeaderLines in KavPrintTable\n",
     "1: Missing HeaderLInes expression in KavPrintTable\n",
     "1: Inproper symbol after keyword HeaderLines in KavPrintTable\n",
     "1: Syntax error with HeaderLines expression in KavPrintTable\n"},

    {"kavdbinsert", "DataSource", "1: Missing = after keyword DataSource in kavdbinsert\n",
     "1: Missing DataSource expression after = in s\n", "1: No = after keyword DataSource in kavdbinsert\n",
     "1: Syntax error with DataSource expression in kavdbinsert\n"},
    {"kavdbinsert", "TableName", "1: Missing = after keyword TableName in kavdbinsert\n",
     "1: Missing TableName expression after = in s\n", "1: No = after keyword TableName in kavdbinsert\n",
     "1: Syntax error with TableName expression in kavdbinsert\n"},
    {"kavdbupdate", "TableOwner", "1: Missing = after keyword TableOwner in kavdbupdate\n",
     "1: Missing TableOwner expression after = in s\n", "1: No = after keyword TableOwner in kavdbupdate\n",
     "1: Syntax error with TableOwner expression in kavdbupdate\n"},
    {"kavdbupdate", "TableQualifier", "1: Missing = after keyword TableQualifier in kavdbupdate\n",
     "1: Missing TableQualifier expression after = in s\n", "1: No = after keyword TableQualifier in kavdbupdate\n",
     "1: Syntax error with TableQualifier expression in kavdbupdate\n"},

    {"kavrun", "Exe", "1: Missing = after Exe in kavRun\n", "1: Missing exe parameter after = in kavRun\n",
     "1: Without keyword = after Exe in kavRun\n", "1: Syntax error with the exe parameter in kavRun\n"},
    {"kavrun", "Type", "1: Missing = after Type in kavRun\n", "1: Missing type parameter after = in kavRun\n",
     "1: Without keyword = after Type in kavRun\n", "1: Syntax error with the type parameter in kavRun\n"},
    {"kavrun", "inPara", "1: Missing = after inPara in kavRun\n", "1: Missing inPara parameter after = in kavRun\n",
     "1: Without keyword = after inPara in kavRun\n", "1: Syntax error with the inPara parameter in kavRun\n"},
    {"kavrun", "outFile", "1: Missing = after outFile in kavRun\n", "1: Missing outFile parameter after = in kavRun\n",
     "1: Without keyword = after outFile in kavRun\n", "1: Syntax error with the outFile parameter in kavRun\n"},
    {"kavrun", "timeOut", "1: Missing = after timeOut in kavRun\n", "1: Missing timeOut parameter after = in kavRun\n",
     "1: Without keyword = after timeOut in kavRun\n", "1: Syntax error with the timeOut parameter in kavRun\n"},

    {"kavfileopen", "Name", "1: Missing = after Name in kavFileOpen\n",
     "1: Missing Name parameter after = in kavFileOpen\n", "1: Without = after keyword Name in kavFileOpen\n",
     "1: Syntax error with the Name parameter in kavFileOpen\n"},

    {"kavsocketopen", "DomainName", "1: Missing = after DomainName in kavSocketOpen\n",
     "1: Missing DomainName parameter after = in kavSocketOpen\n",
     "1: Without = after keyword DomainName in kavSocketOpen\n",
     "1: Syntax error with the DomainName parameter in kavSocketOpen\n"},
    {"kavsocketopen", "IPAddress", "1: Missing = after IPAddress in kavSocketOpen\n",
     "1: Missing IPAddress parameter after = in kavSocketOpen\n",
     "1: Without = after keyword IPAddress in kavSocketOpen\n",
     "1: Syntax error with the IPAddress parameter in kavSocketOpen\n"},
    {"kavsocketopen", "PortNumber", "1: Missing = after PortNumber in kavSocketOpen\n",
     "1: Missing PortNumber parameter after = in kavSocketOpen\n",
     "1: Without = after keyword PortNumber in kavSocketOpen\n",
     "1: Syntax error with the PortNumber parameter in kavSocketOpen\n"},
    {"kavsocketopen", "Handle", "1: Missing = after Handle in kavSocketOpen\n",
     "1: Missing Handle parameter after = in kavSocketOpen\n", "1: Without = after keyword Handle in kavSocketOpen\n",
     "1: The Handle should be a variable in kavSocketOpen\n"},
    {"kavsocketopen", "Timeout", "1: Missing = after Timeout in kavSocketOpen\n",
     "1: Missing Timeout parameter after = in kavSocketOpen\n",
     "1: Without = after keyword Timeout in kavSocketOpen\n",
     "1: Syntax error with the Timeout parameter in kavSocketOpen\n"},
    {"kavsocketopen", "RetVar", "1: Missing = after RetVar in kavSocketOpen\n",
     "1: Missing RetVar parameter after = in kavSocketOpen\n", "1: Without = after keyword RetVar in kavSocketOpen\n",
     "1: The RetVar should be a variable in kavSocketOpen\n"},
    {"kavsocketclose", "Handle", "1: Missing = after Handle in kavSocketClose\n",
     "1: Missing Handle parameter after = in kavSocketClose\n",
     "1: Without = after keyword Handle in kavSocketClose\n",
     "1: The Handle should be a variable in kavSocketClose\n"},
    {"kavsocketclose", "RetVar", "1: Missing = after RetVar in kavSocketClose\n",
     "1: Missing RetVar parameter after = in kavSocketClose\n",
     "1: Without = after keyword RetVar in kavSocketClose\n",
     "1: The RetVar should be a variable in kavSocketClose\n"},
    {"kavsocketsendtext", "Handle", "1: Missing = after Handle in kavSocketSend\n",
     "1: Missing Handle parameter after = in kavSocketSend\n", "1: Without = after keyword Handle in kavSocketSend\n",
     "1: The Handle should be a variable in kavSocketSend\n"},
    {"kavsocketsendtext", "RetVar", "1: Missing = after RetVar in kavSocketSend\n",
     "1: Missing RetVar parameter after = in kavSocketSend\n", "1: Without = after keyword RetVar in kavSocketSend\n",
     "1: The RetVar should be a variable in kavSocketSend\n"},
    {"kavsocketsendtext", "Text", "1: Missing = after Text in kavSocketSend\n",
     "1: Missing Text parameter after = in kavSocketSend\n", "1: Without = after keyword Text in kavSocketSend\n",
     "1: Syntax error with the Text parameter in kavSocketSend\n"},
    {"kavsocketrcvtext", "Handle", "1: Missing = after Handle in kavSocketRcv\n",
     "1: Missing Handle parameter after = in kavSocketRcv\n", "1: Without = after keyword Handle in kavSocketRcv\n",
     "1: The Handle should be a variable in kavSocketRcv\n"},
    {"kavsocketrcvtext", "RetVar", "1: Missing = after RetVar in kavSocketRcv\n",
     "1: Missing RetVar parameter after = in kavSocketRcv\n", "1: Without = after keyword RetVar in kavSocketRcv\n",
     "1: The RetVar should be a variable in kavSocketRcv\n"},
    {"kavsocketrcvtext", "Text", "1: Missing = after Text in kavSocketRcv\n",
     "1: Missing Text parameter after = in kavSocketRcv\n", "1: Without = after keyword Text in kavSocketRcv\n",
     nullptr},
};

// A kavprinttablecol only exists inside a kavprinttable.
const KeywordCase kColumnCases[] = {
    {"kavprinttablecol", "Width", "1: Missing = after keyword Width in KavCol\n", "1: Missing Width expression in KavCol\n",
     "1: Inproper symbol after keyword Width in KavCol\n", "1: Syntax error with Width expression in KavCol\n"},
    {"kavprinttablecol", "Text", "1: Missing = after keyword Text in KavCol\n", "1: Missing Text expression in KavCol\n",
     "1: Inproper symbol after keyword Text in KavCol\n", "1: Syntax error with Text expression in KavCol\n"},
    {"kavprinttablecol", "Header", "1: Missing = after keyword Header in KavCol\n",
     "1: Missing Header expression in KavCol\n", "1: Inproper symbol after keyword Header in KavCol\n",
     "1: Syntax error with Header expression in KavCol\n"},
    {"kavprinttablecol", "Align", "1: Missing = after keyword Align in KavCol\n", "1: Missing Align expression in KavCol\n",
     "1: Inproper symbol after keyword Align in KavCol\n", "1: Syntax error with Align expression in KavCol\n"},
};

// Checked only when header tags are reported (the kavcheck tag).
const KeywordCase kCookieCases[] = {
    {"kavcookie", "Name", "1: Missing = after keyword Name in KavCookie\n",
     "1: Missing Name expression after = in KavCookie", "1: No = after keyword Name in KavCookie\n",
     "1: Syntax error with Name expression in KavCookie\n"},
    {"kavcookie", "Value", "1: Missing = after keyword Value in KavCookie\n",
     "1: Missing Value expression after = in KavCookie", "1: No = after keyword Value in KavCookie\n",
     "1: Syntax error with Value expression in KavCookie\n"},
    {"kavcookie", "Expires", "1: Missing = after keyword Expires in KavCookie\n",
     "1: Missing Expires expression after = in KavCookie", "1: No = after keyword Expires in KavCookie\n",
     "1: Syntax error with Expires expression in KavCookie\n"},
    {"kavcookie", "Path", "1: Missing = after keyword Path in KavCookie\n",
     "1: Missing Path expression after = in KavCookie", "1: No = after keyword Path in KavCookie\n",
     "1: Syntax error with Path expression in KavCookie\n"},
    {"kavcookie", "Domain", "1: Missing = after keyword Domain in KavCookie\n",
     "1: Missing Domain expression after = in KavCookie", "1: No = after keyword Domain in KavCookie\n",
     "1: Syntax error with Domain expression in KavCookie\n"},
    {"kavcookie", "SameSite", "1: Missing = after keyword SameSite in KavCookie\n",
     "1: Missing SameSite expression after = in KavCookie", "1: No = after keyword SameSite in KavCookie\n",
     "1: Syntax error with SameSite expression in KavCookie\n"},
};

// The report after the echo of the one line of text.
std::string messages(const std::string& text, bool header_tags) {
    std::string report = test::check_text(text, header_tags).text;
    std::string echo = text + "\n";
    if (report.compare(0, echo.size(), echo) != 0) return "no echo: " + report;
    return report.substr(echo.size());
}

bool starts_with(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

void expect_keyword(const KeywordCase& c, const std::string& before, bool header_tags) {
    std::string open = before + "<" + c.tag + " " + c.keyword;
    EXPECT_PRED2(starts_with, messages(open, header_tags), c.ends_before_eq) << open;
    EXPECT_PRED2(starts_with, messages(open + "=", header_tags), c.ends_before_value) << open << "=";
    EXPECT_PRED2(starts_with, messages(open + " 7>", header_tags), c.no_eq) << open << " 7>";
    std::string bad = open + "=#(#>";
    if (c.bad_value)
        EXPECT_PRED2(starts_with, messages(bad, header_tags), c.bad_value) << bad;
    else
        EXPECT_EQ(test::check_text(bad + "</" + c.tag + ">", header_tags).text, "") << bad;
}

TEST(CheckerKeywords, EveryKeywordHasItsOwnWording) {
    for (const KeywordCase& c : kCases) expect_keyword(c, "", false);
    for (const KeywordCase& c : kColumnCases) expect_keyword(c, "<kavprinttable>", false);
    for (const KeywordCase& c : kCookieCases) expect_keyword(c, "", true);
}

}  // namespace
}  // namespace kavr
