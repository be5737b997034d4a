// The wording of single tags: each text is one line, so the report is the
// echoed line followed by the messages.
#include <gtest/gtest.h>

#include <string>

#include "tests/unit/checker_test_util.h"

namespace kavr {
namespace {

using test::check_text;

struct FormCase {
    const char* text;
    const char* messages;  // what follows the echo; "" for no report at all
};

void expect_reports(const FormCase* cases, size_t n, bool header_tags) {
    for (size_t i = 0; i < n; ++i) {
        const FormCase& c = cases[i];
        std::string want = *c.messages ? std::string(c.text) + "\n" + c.messages : "";
        EXPECT_EQ(check_text(c.text, header_tags).text, want) << c.text;
    }
}

// A tag whose check stops at the end of the text leaves its body unread:
// no "unbalanced" message follows for it.
TEST(CheckerForms, TheTextEndingInsideATagStopsItsCheck) {
    const FormCase cases[] = {
        {"<kavdbquery name", "1: Missing = after Name in kavQuery\n"},
        {"<kavdbquery sql=", "1: Missing Sql parameter after = in kavQuery\n"},
        {"<kavdbquery debug", "1: Inproper end of kavQuery\n"},
        {"<kavprint query=", "1: No parameter after = in kavprint\n"},
        {"<kavmail subject", "1: No Subject parameter after = in kavmail\n"},
        {"<kavprint to=a", "1: Inproper end of kavprint\n"},
        {"<kavprinttable colspacing", "1: Missing = after keyword ColSpacing in KavPrintTable\n"},
        {"<kavprinttable border", "1: Inproper end of kavPrintTable\n"},
        {"<kavprinttable><kavprinttablecol align", "1: Missing = after keyword Align in KavCol\n"
                                                   "1: Unbalanced kavPrintTable and /kavPrintTable\n"},
        {"<kavprinttable><kavprinttablecol width=1", "1: Inproper end of KavCol\n"
                                                     "1: Unbalanced kavPrintTable and /kavPrintTable\n"},
        {"<kavdbinsert tableowner", "1: Missing = after keyword TableOwner in kavdbinsert\n"},
        {"<kavdbupdate tablequalifier=", "1: Missing TableQualifier expression after = in s\n"},
        {"<kavrun timeout", "1: Missing = after timeOut in kavRun\n"},
        {"<kavrun type=", "1: Missing type parameter after = in kavRun\n"},
        {"<kavrun exe=x", "1: Inproper end of kavRun\n"},
        {"<kavfileopen name", "1: Missing = after Name in kavFileOpen\n"},
        {"<kavsocketopen timeout", "1: Missing = after Timeout in kavSocketOpen\n"},
        {"<kavsocketopen ipaddress=", "1: Missing IPAddress parameter after = in kavSocketOpen\n"},
        {"<kavsocketopen handle=h", "1: Inproper end of kavSocketOpen\n"},
        {"<kavsocketclose retvar", "1: Missing = after RetVar in kavSocketClose\n"},
        {"<kavsocketclose handle=h", "1: Inproper end of kavSocketClose\n"},
        {"<kavsocketsendtext text", "1: Missing = after Text in kavSocketSend\n"},
        {"<kavsocketsendtext handle=", "1: Missing Handle parameter after = in kavSocketSend\n"},
        {"<kavsocketrcvtext handle=h", "1: Inproper end of kavSocketSend\n"},
        {"<kavset", "1: Missing variable in kavSet\n"},
        {"<kavset a", "1: Missing keyword = in kavSet\n"},
        {"<kavset a = 1", "1: Missing > in kavSet\n"},
        {"<kavif", "1: Missing conditional expression in kavIf\n"},
        {"<kavwhile", "Error: Missing while expression in kavWhile\n"},
        {"<kavwhile #a# NoOutput", "Error: Inproper ending of kavWhile\n"},
        {"<kavfor", "1: Missing the counter variable in kavFor\n"},
        {"<kavfor i", "1: Missing = after the counter variable in kavFor\n"},
        {"<kavfor i =", "1: Error: Missing from expression in the kavFor\n"},
        {"<kavfor i = 1", "1: Missing keyword to in kavFor\n"},
        {"<kavfor i = 1 to", "1: Missing to expression in kavFor\n"},
        {"<kavfor i = 1 to 2", "1: Inproper ending of kavFor\n"},
        {"<kavfor i = 1 to 2 step", "1: Missing step expression in kavFor\n"},
        {"<kavselectcase", "1: Missing the select expression in kavSelect\n"},
        {"<kavselectcase #a#", "1: Missing > in kavSelect\n"},
        {"<kavselectcase #a#><kavcase", "1: Missing the  case expression in kavCase\n"},
        {"<kavselectcase #a#><kavcase 1", "1: Missing > in kavCase\n"},
        {"<kavselectcase #a#></kavselectcase", "1: In proper end of /kavSelectCase\n"},
        {"<kavdbtransaction", "Error: Inproper end of kavTransaction\n"},
        {"<kavif #a#><kavelseif", "Error: Abnormal ending of kavelseif\nError: kavIf and /kavIf are unbalanced\n"},
        // The closing tag closes the block even without its ">".
        {"<kavprint></KavMail", "1: Inproper end of /KavMail\n"},
        {"<kavprinttable></kavprinttablecol", "1: Inproper end of /kavCol\n"
                                              "1: Unbalanced kavPrintTable and /kavPrintTable\n"},
        {"<kavvarexistcheck", "1: Missing parameter in kavVarExistCheck\n"},
    };
    expect_reports(cases, sizeof cases / sizeof cases[0], false);
}

TEST(CheckerForms, AProblemIsReportedAndTheTagGoesOn) {
    const FormCase cases[] = {
        // One unknown attribute, then the rest of the tag is still checked;
        // its "=" and value are tokens of their own, each with the message.
        {"<kavprint color=red query=#(#>x</kavprint>",
         "1: Unknow symbol color in kavprint\n1: Unknow symbol = in kavprint\n1: Unknow symbol red in kavprint\n"
         "1: Syntax error with the Query expression in kavprint\n"},
        {"<KAVPRINT Colour>x</KAVPRINT>", "1: Unknow symbol Colour in KAVPRINT\n"},
        {"<kavmail size=\"big\" to=a>x</kavmail>",
         "1: Unknow symbol size in kavmail\n1: Unknow symbol = in kavmail\n1: Unknow symbol \"big\" in kavmail\n"},
        {"<kavprinttable size=1 maxrows=2></kavprinttable>",
         "1: Unknow symbol size\n1: Unknow symbol =\n1: Unknow symbol 1\n"},
        {"<kavdbquery (>", "1: Illegal symbol ( in kavQuery\n"},
        {"<kavdbquery mode=fast name=q>",
         "1: Illegal symbol mode in kavQuery\n1: Illegal symbol = in kavQuery\n1: Illegal symbol fast in kavQuery\n"},
        {"<kavdbupdate table=t datasource=d>",
         "1: Illegal symbol table in kavdbupdate\n1: Illegal symbol = in kavdbupdate\n"
         "1: Illegal symbol t in kavdbupdate\n"},
        {"<kavrun speed=#1+1# exe=x>",
         "1: Illegal symbol speed in kavRun\n1: Illegal symbol = in kavRun\n1: Illegal symbol #1+1# in kavRun\n"},
        // A value that is a keyword of the tag is read as that keyword.
        {"<kavprint color=query>x</kavprint>",
         "1: Unknow symbol color in kavprint\n1: Unknow symbol = in kavprint\n1: No = after keyword Query in kavprint\n"},
        // A keyword without its "=" and value: the next keyword is read as one.
        {"<kavdbquery name datasource=#)#>",
         "1: No = after Name in kavQuery\n1: Syntax error with the DataSource parameter in kavQuery\n"},
        // A "<" where the next attribute should be belongs to what follows.
        {"<kavdbquery name=a <kavfoo>", "1: Missing > in kavQuery\nError! Wrong kavTag: kavfoo\n"},
        {"<kavrun exe=a <kavfoo>", "1: Illegal symbol < in kavRun\nError! Wrong kavTag: kavfoo\n"},
        // The value of To has no syntax wording of its own.
        {"<kavmail to=#a b#>x</kavmail>", "1: Syntax error with the Group expression in kavmail\n"},
        {"<kavmail cc to=a>x</kavmail>", "1: No = after keyword CC in kavmail\n"},
        // Nested print and mail tags have two wordings of their own.
        {"<kavprint><kavprint group><kavmail to from=a></kavmail></kavprint></kavprint>",
         "1: Inproper symbol after keyword Group in kavprint\n1 No = after keyword To in kavmail\n"},
        {"<kavprint group to>x</kavprint>",
         "1: No = after keyword Group in kavprint\n1: No = after keyword To in kavprint\n"},
        {"<kavprint></kavprint x>", "1: Missing > in /kavprint\n"},
        {"<kavprinttable><kavprinttablecol text></kavprinttablecol x></kavprinttable>",
         "1: Inproper symbol after keyword Text in KavCol\n1: Missing > in /kavCol\n"},
        {"<kavsocketopen handle=#h[# retvar=1>",
         "1: The Handle should be a variable in kavSocketOpen\n1: The RetVar should be a variable in kavSocketOpen\n"},
        {"<kavsocketopen portnumber 25 domainname=#(#>",
         "1: Without = after keyword PortNumber in kavSocketOpen\n"
         "1: Syntax error with the DomainName parameter in kavSocketOpen\n"},
        {"<kavfileopen name=#(# mode=#(# name=#)#>", "1: Syntax error with the Name parameter in kavFileOpen\n"},
        {"<kavset #a[# = 1>", "1: Syntax error with the variable in kavSet\n"},
        {"<kavfor #a[1]# = 1 to 2></kavfor>", "1: The counter should be a variable in kavFor\n"},
        {"<kavwhile #a# x></kavwhile>", "Error: Missing > in kavWhile\n"},
        {"<kavwhile #a#></kavwhile x>", "Error: /kavWhile not ending with >\n"},
        {"<kavif #a# #b#></kavif>", "1: Missing > in kavIf\n"},
        {"<kavif #a#><kavelseif #(#></kavif>", "1: Syntax error with the conditional expression in kavIf\n"},
        {"<kavselectcase #a#><kavcaseelse x></kavselectcase>", "1: Missing > in kavCaseElse\n"},
        {"<kavdbtransaction><kavdbtransaction x></kavdbtransaction></kavdbtransaction>",
         "Error:Missing > in kavTransaction\n"},
        {"<kavvarexistcheck On Off>", "1: No > in kavVarExistCheck\n"},
    };
    expect_reports(cases, sizeof cases / sizeof cases[0], false);
}

TEST(CheckerForms, AttributesTheEngineReadsDrawNoMessage) {
    const FormCase cases[] = {
        {"<kavprint query=q file=\"\\a.txt\" password=p preformat=on htmlformat=off>x</kavprint>", ""},
        {"<kavmail to=a attach=\"\\t.txt\" sendmode=now>x</kavmail>", ""},
        {"<kavprinttable widthstyle=pixel file=f password=p delimiter=\",\"></kavprinttable>", ""},
        {"<kavrun exe=x outvar=out password=pw>", ""},
        {"<kavdbinsert datasource=d formfields=\"a,b\">", ""},
        {"<kavfileopen name=n mode=r lock=Read as=h ret=ok password=p>", ""},
        {"<kavfor i = 1 to 5 NoOutput step 2></kavfor>", ""},
        // The case value is read with "##" as "#".
        {"<kavselectcase #a#><kavcase \"#b##c#\"></kavselectcase>", ""},
    };
    expect_reports(cases, sizeof cases / sizeof cases[0], false);
}

TEST(CheckerForms, RedirectsAndCookiesAreReportedOnlyWhenAsked) {
    const FormCase reported[] = {
        {"<kavlocation>", "1: Missing parameter after KavLocation\n"},
        {"<kavlocation where=x>",
         "1: Keyword error in KavLocation\n1: Keyword error in KavLocation\n1: Keyword error in KavLocation\n"},
        {"<kavlocation url x>", "1: No = after keyword URL in KavLocation\n"},
        {"<kavlocation url=a <b>", "1: Inproper end of KavLocation >\n"},
        {"<kavlocation url", "1: Missing = after keyword URL in KavLocation\n"},
        {"<kavlocation url=", "1: Missing URL parameter afetr = in KavLocation\n"},
        {"<kavlocation url=a", "1: Inproper end of KavLocation, Missing >\n"},
        {"<kavcookie name=a value=b expires=30 secure>", ""},
        {"<kavcookie name=a>", "1: Both Name and Value parameters must have values in KavCookie\n"},
        {"<kavcookie name=a value=\"\">", "1: Both Name and Value parameters must have values in KavCookie\n"},
        {"<kavcookie name value=b>",
         "1: No = after keyword Name in KavCookie\n"
         "1: Both Name and Value parameters must have values in KavCookie\n"},
        {"<kavcookie name=a value=b expires=#(#>", "1: Syntax error with Expires expression in KavCookie\n"},
        {"<kavcookie name=a value", "1: Missing = after keyword Value in KavCookie\n"},
        {"<kavcookie name=a expires=", "1: Missing Expires expression after = in KavCookie"},
        {"<kavcookie secure", "1: Inproper end of kavCookie\n"},
    };
    expect_reports(reported, sizeof reported / sizeof reported[0], true);
    // Checked silently, only a tag the text ends inside is reported.
    for (const FormCase& c : reported) {
        std::string text = c.text;
        std::string tag = text.substr(1, text.find_first_of(" >") - 1);
        bool open = text.back() != '>';
        std::string want = open ? text + "\n1: Inproper end of " + tag + "\n" : "";
        EXPECT_EQ(check_text(c.text, false).text, want) << c.text;
    }
}

TEST(CheckerForms, ATagTheTextEndsInsideIsReported) {
    const FormCase cases[] = {
        {"<kavinclude template=\"x\"", "1: Inproper end of kavinclude\n"},
        {"<KavInclude template", "1: Inproper end of KavInclude\n"},
        {"<kavfilegetline file=f result=", "1: Inproper end of kavfilegetline\n"},
        {"<kaveval codevar", "1: Inproper end of kaveval\n"},
        {"<kavdbupdate datasource=x", "1: Inproper end of kavdbupdate\n"},
        {"<kavfileopen mode", "1: Inproper end of kavfileopen\n"},
        {"<kavbeep", "1: Inproper end of kavbeep\n"},
        {"<kavabort", "1: Inproper end of kavabort\n"},
        {"<kavif #a#></kavif", "1: Inproper end of /kavif\n"},
        {"<kavprinttable></KAVPRINTTABLE", "1: Inproper end of /KAVPRINTTABLE\n"},
        // A tag that ends draws nothing.
        {"<kavinclude template=\"x\"> <kavabort> <kavbeep>", ""},
    };
    expect_reports(cases, sizeof cases / sizeof cases[0], false);
}

}  // namespace
}  // namespace kavr
