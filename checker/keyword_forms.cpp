// The keyword forms of the tags: which keywords each tag takes and how
// each problem is worded. Keywords that the engine reads but the checker's
// wording does not cover (a print tag's File, kavrun's OutVar, ...) are
// accepted and checked without a message, so a valid template draws none.
#include "checker/tag_checks.h"

namespace kavr {

namespace {

#define COUNT(a) (sizeof(a) / sizeof((a)[0]))

// A keyword the engine knows that has no wording of its own.
#define QUIET(name) {name, kKeywordUnchecked, nullptr, nullptr, nullptr, nullptr}

const KeywordRule kQueryRules[] = {
    {"Name", kKeywordExpression, "%d: Missing = after Name in kavQuery\n",
     "%d: Missing Name parameter after = in kavQuery\n", "%d: No = after Name in kavQuery\n",
     "%d: Syntax error with the Name parameter in kavQuery\n"},
    {"DataSource", kKeywordExpression, "%d: Missing = after DataSource in kavQuery\n",
     "%d: Missing DataSource parameter after = in kavQuery\n", "%d: No = after DataSource in kavQuery\n",
     "%d: Syntax error with the DataSource parameter in kavQuery\n"},
    // The references of the SQL text are checked like any other value.
    {"Sql", kKeywordExpression, "%d: Missing = after Sql in kavQuery\n",
     "%d: Missing Sql parameter after = in kavQuery\n", "%d: No = after Sql in kavQuery\n",
     "%d: Syntax error with the Sql parameter in kavQuery\n"},
    {"MaxRows", kKeywordExpression, "%d: Missing = after MaxRows in kavQuery\n",
     "%d: Missing MaxRows parameter after = in kavQuery\n", "%d: No = after MaxRows in kavQuery\n",
     "%d: Syntax error with the MaxRows parameter in kavQuery\n"},
    {"Debug", kKeywordFlag, nullptr, nullptr, nullptr, nullptr},
};

const KeywordRule kPrintRules[] = {
    {"Query", kKeywordExpression, "%d: No parameter after = in %s\n", "%d: No parameter after = in %s\n",
     "%d: No = after keyword Query in %s\n", "%d: Syntax error with the Query expression in %s\n"},
    {"MaxRows", kKeywordExpression, "%d: No MaxRows parameter after = in %s\n",
     "%d: No MaxRows parameter after = in %s\n", "%d: No = after keyword MaxRows in %s\n",
     "%d: Syntax error with the MaxRows expression in %s\n"},
    {"Group", kKeywordExpression, "%d: No Group parameter after = in %s\n", "%d: No Group parameter after = in %s\n",
     "%d: No = after keyword Group in %s\n", "%d: Syntax error with the Group expression in %s\n",
     "%d: Inproper symbol after keyword Group in %s\n"},
    // The wording has no syntax message of its own for To.
    {"To", kKeywordExpression, "%d: No To parameter after = in %s\n", "%d: No To parameter after = in %s\n",
     "%d: No = after keyword To in %s\n", "%d: Syntax error with the Group expression in %s\n",
     "%d No = after keyword To in %s\n"},
    {"From", kKeywordExpression, "%d: No From parameter after = in %s\n", "%d: No From parameter after = in %s\n",
     "%d: No = after keyword From in %s\n", "%d: Syntax error with the From expression in %s\n"},
    {"Subject", kKeywordExpression, "%d: No Subject parameter after = in %s\n",
     "%d: No Subject parameter after = in %s\n", "%d: No = after keyword Subject in %s\n",
     "%d: Syntax error with the Subject expression in %s\n"},
    {"CC", kKeywordExpression, "%d: No CC parameter after = in %s\n", "%d: No CC parameter after = in %s\n",
     "%d: No = after keyword CC in %s\n", "%d: Syntax error with the CC expression in %s\n"},
    {"Type", kKeywordExpression, "%d: No Type parameter after = in %s\n", "%d: No Type parameter after = in %s\n",
     "%d: No = after keyword Type in %s\n", "%d: Syntax error with the Type expression in %s\n"},
    QUIET("File"), QUIET("Password"), QUIET("Preformat"), QUIET("HtmlFormat"), QUIET("Attach"), QUIET("SendMode"),
};

const KeywordRule kPrintTableRules[] = {
    {"Query", kKeywordExpression, "%d: Missing = after keyword Query in KavPrintTable\n",
     "%d: Missing Query expression in KavPrintTable\n", "%d: Inproper symbol after keyword Query in KavPrintTable\n",
     "%d: Syntax error with Query expression in KavPrintTable\n"},
    {"MaxRows", kKeywordExpression, "%d: Missing = after keyword MaxRows in KavPrintTable\n",
     "%d: Missing MaxRows expression in KavPrintTable\n",
     "%d: Inproper symbol after keyword MaxRows in KavPrintTable\n",
     "%d: Syntax error with MaxRows expression in KavPrintTable\n"},
    {"ColSpacing", kKeywordExpression, "%d: Missing = after keyword ColSpacing in KavPrintTable\n",
     "%d: Missing ColSpacing expression in KavPrintTable\n",
     "%d: Inproper symbol after keyword ColSpacing in KavPrintTable\n",
     "%d: Syntax error with ColSpacing expression in KavPrintTable\n"},
    {"HeaderLines", kKeywordExpression, "%d: Missing = after keyword HeaderLines in KavPrintTable\n",
     "%d: Missing HeaderLInes expression in KavPrintTable\n",
     "%d: Inproper symbol after keyword HeaderLines in KavPrintTable\n",
     "%d: Syntax error with HeaderLines expression in KavPrintTable\n"},
    {"HtmlTable", kKeywordFlag, nullptr, nullptr, nullptr, nullptr},
    {"Border", kKeywordFlag, nullptr, nullptr, nullptr, nullptr},
    {"ColHeaders", kKeywordFlag, nullptr, nullptr, nullptr, nullptr},
    QUIET("WidthStyle"), QUIET("File"), QUIET("Password"), QUIET("Delimiter"),
};

const KeywordRule kTableColumnRules[] = {
    {"Width", kKeywordExpression, "%d: Missing = after keyword Width in KavCol\n", "%d: Missing Width expression in KavCol\n",
     "%d: Inproper symbol after keyword Width in KavCol\n", "%d: Syntax error with Width expression in KavCol\n"},
    {"Text", kKeywordExpression, "%d: Missing = after keyword Text in KavCol\n", "%d: Missing Text expression in KavCol\n",
     "%d: Inproper symbol after keyword Text in KavCol\n", "%d: Syntax error with Text expression in KavCol\n"},
    {"Header", kKeywordExpression, "%d: Missing = after keyword Header in KavCol\n",
     "%d: Missing Header expression in KavCol\n", "%d: Inproper symbol after keyword Header in KavCol\n",
     "%d: Syntax error with Header expression in KavCol\n"},
    {"Align", kKeywordExpression, "%d: Missing = after keyword Align in KavCol\n", "%d: Missing Align expression in KavCol\n",
     "%d: Inproper symbol after keyword Align in KavCol\n", "%d: Syntax error with Align expression in KavCol\n"},
};

// The wording of these four says "in s" where the tag would be expected.
const KeywordRule kFormDmlRules[] = {
    {"DataSource", kKeywordExpression, "%d: Missing = after keyword DataSource in %s\n",
     "%d: Missing DataSource expression after = in s\n", "%d: No = after keyword DataSource in %s\n",
     "%d: Syntax error with DataSource expression in %s\n"},
    {"TableName", kKeywordExpression, "%d: Missing = after keyword TableName in %s\n",
     "%d: Missing TableName expression after = in s\n", "%d: No = after keyword TableName in %s\n",
     "%d: Syntax error with TableName expression in %s\n"},
    {"TableOwner", kKeywordExpression, "%d: Missing = after keyword TableOwner in %s\n",
     "%d: Missing TableOwner expression after = in s\n", "%d: No = after keyword TableOwner in %s\n",
     "%d: Syntax error with TableOwner expression in %s\n"},
    {"TableQualifier", kKeywordExpression, "%d: Missing = after keyword TableQualifier in %s\n",
     "%d: Missing TableQualifier expression after = in s\n", "%d: No = after keyword TableQualifier in %s\n",
     "%d: Syntax error with TableQualifier expression in %s\n"},
    QUIET("FormFields"),
};

const KeywordRule kRunRules[] = {
    {"Exe", kKeywordExpression, "%d: Missing = after Exe in kavRun\n", "%d: Missing exe parameter after = in kavRun\n",
     "%d: Without keyword = after Exe in kavRun\n", "%d: Syntax error with the exe parameter in kavRun\n"},
    {"Type", kKeywordExpression, "%d: Missing = after Type in kavRun\n", "%d: Missing type parameter after = in kavRun\n",
     "%d: Without keyword = after Type in kavRun\n", "%d: Syntax error with the type parameter in kavRun\n"},
    {"inPara", kKeywordExpression, "%d: Missing = after inPara in kavRun\n",
     "%d: Missing inPara parameter after = in kavRun\n", "%d: Without keyword = after inPara in kavRun\n",
     "%d: Syntax error with the inPara parameter in kavRun\n"},
    {"outFile", kKeywordExpression, "%d: Missing = after outFile in kavRun\n",
     "%d: Missing outFile parameter after = in kavRun\n", "%d: Without keyword = after outFile in kavRun\n",
     "%d: Syntax error with the outFile parameter in kavRun\n"},
    {"timeOut", kKeywordExpression, "%d: Missing = after timeOut in kavRun\n",
     "%d: Missing timeOut parameter after = in kavRun\n", "%d: Without keyword = after timeOut in kavRun\n",
     "%d: Syntax error with the timeOut parameter in kavRun\n"},
    QUIET("OutVar"), QUIET("Password"),
};

// Problems with Mode and Lock end the check of the tag without a message.
const KeywordRule kFileOpenRules[] = {
    {"Name", kKeywordExpression, "%d: Missing = after Name in kavFileOpen\n",
     "%d: Missing Name parameter after = in kavFileOpen\n", "%d: Without = after keyword Name in kavFileOpen\n",
     "%d: Syntax error with the Name parameter in kavFileOpen\n"},
    {"Mode", kKeywordExpression, nullptr, nullptr, nullptr, nullptr},
    {"Lock", kKeywordExpression, nullptr, nullptr, nullptr, nullptr},
    QUIET("As"), QUIET("Ret"), QUIET("Password"),
};

const KeywordRule kLocationRules[] = {
    {"URL", kKeywordExpression, "%d: Missing = after keyword URL in KavLocation\n",
     "%d: Missing URL parameter afetr = in KavLocation\n", "%d: No = after keyword URL in KavLocation\n", nullptr},
};

// The wording of the three missing values ends without a line feed.
const KeywordRule kCookieRules[] = {
    {"Name", kKeywordExpression, "%d: Missing = after keyword Name in KavCookie\n",
     "%d: Missing Name expression after = in KavCookie", "%d: No = after keyword Name in KavCookie\n",
     "%d: Syntax error with Name expression in KavCookie\n"},
    {"Value", kKeywordExpression, "%d: Missing = after keyword Value in KavCookie\n",
     "%d: Missing Value expression after = in KavCookie", "%d: No = after keyword Value in KavCookie\n",
     "%d: Syntax error with Value expression in KavCookie\n"},
    {"Expires", kKeywordExpression, "%d: Missing = after keyword Expires in KavCookie\n",
     "%d: Missing Expires expression after = in KavCookie", "%d: No = after keyword Expires in KavCookie\n",
     "%d: Syntax error with Expires expression in KavCookie\n"},
    {"Path", kKeywordExpression, "%d: Missing = after keyword Path in KavCookie\n",
     "%d: Missing Path expression after = in KavCookie", "%d: No = after keyword Path in KavCookie\n",
     "%d: Syntax error with Path expression in KavCookie\n"},
    {"Domain", kKeywordExpression, "%d: Missing = after keyword Domain in KavCookie\n",
     "%d: Missing Domain expression after = in KavCookie", "%d: No = after keyword Domain in KavCookie\n",
     "%d: Syntax error with Domain expression in KavCookie\n"},
    {"SameSite", kKeywordExpression, "%d: Missing = after keyword SameSite in KavCookie\n",
     "%d: Missing SameSite expression after = in KavCookie",
     "%d: No = after keyword SameSite in KavCookie\n",
     "%d: Syntax error with SameSite expression in KavCookie\n"},
    {"Secure", kKeywordFlag, nullptr, nullptr, nullptr, nullptr},
    {"HttpOnly", kKeywordFlag, nullptr, nullptr, nullptr, nullptr},
};

const KeywordRule kSocketOpenRules[] = {
    {"DomainName", kKeywordExpression, "%d: Missing = after DomainName in kavSocketOpen\n",
     "%d: Missing DomainName parameter after = in kavSocketOpen\n",
     "%d: Without = after keyword DomainName in kavSocketOpen\n",
     "%d: Syntax error with the DomainName parameter in kavSocketOpen\n"},
    {"IPAddress", kKeywordExpression, "%d: Missing = after IPAddress in kavSocketOpen\n",
     "%d: Missing IPAddress parameter after = in kavSocketOpen\n",
     "%d: Without = after keyword IPAddress in kavSocketOpen\n",
     "%d: Syntax error with the IPAddress parameter in kavSocketOpen\n"},
    {"PortNumber", kKeywordExpression, "%d: Missing = after PortNumber in kavSocketOpen\n",
     "%d: Missing PortNumber parameter after = in kavSocketOpen\n",
     "%d: Without = after keyword PortNumber in kavSocketOpen\n",
     "%d: Syntax error with the PortNumber parameter in kavSocketOpen\n"},
    {"Handle", kKeywordVariable, "%d: Missing = after Handle in kavSocketOpen\n",
     "%d: Missing Handle parameter after = in kavSocketOpen\n", "%d: Without = after keyword Handle in kavSocketOpen\n",
     "%d: The Handle should be a variable in kavSocketOpen\n"},
    {"Timeout", kKeywordExpression, "%d: Missing = after Timeout in kavSocketOpen\n",
     "%d: Missing Timeout parameter after = in kavSocketOpen\n",
     "%d: Without = after keyword Timeout in kavSocketOpen\n",
     "%d: Syntax error with the Timeout parameter in kavSocketOpen\n"},
    {"RetVar", kKeywordVariable, "%d: Missing = after RetVar in kavSocketOpen\n",
     "%d: Missing RetVar parameter after = in kavSocketOpen\n", "%d: Without = after keyword RetVar in kavSocketOpen\n",
     "%d: The RetVar should be a variable in kavSocketOpen\n"},
};

const KeywordRule kSocketCloseRules[] = {
    {"Handle", kKeywordVariable, "%d: Missing = after Handle in kavSocketClose\n",
     "%d: Missing Handle parameter after = in kavSocketClose\n",
     "%d: Without = after keyword Handle in kavSocketClose\n",
     "%d: The Handle should be a variable in kavSocketClose\n"},
    {"RetVar", kKeywordVariable, "%d: Missing = after RetVar in kavSocketClose\n",
     "%d: Missing RetVar parameter after = in kavSocketClose\n",
     "%d: Without = after keyword RetVar in kavSocketClose\n",
     "%d: The RetVar should be a variable in kavSocketClose\n"},
};

// The text sent is an expression; the text received names a variable.
const KeywordRule kSocketSendRules[] = {
    {"Handle", kKeywordVariable, "%d: Missing = after Handle in kavSocketSend\n",
     "%d: Missing Handle parameter after = in kavSocketSend\n", "%d: Without = after keyword Handle in kavSocketSend\n",
     "%d: The Handle should be a variable in kavSocketSend\n"},
    {"RetVar", kKeywordVariable, "%d: Missing = after RetVar in kavSocketSend\n",
     "%d: Missing RetVar parameter after = in kavSocketSend\n", "%d: Without = after keyword RetVar in kavSocketSend\n",
     "%d: The RetVar should be a variable in kavSocketSend\n"},
    {"Text", kKeywordExpression, "%d: Missing = after Text in kavSocketSend\n",
     "%d: Missing Text parameter after = in kavSocketSend\n", "%d: Without = after keyword Text in kavSocketSend\n",
     "%d: Syntax error with the Text parameter in kavSocketSend\n"},
};

const KeywordRule kSocketReceiveRules[] = {
    {"Handle", kKeywordVariable, "%d: Missing = after Handle in kavSocketRcv\n",
     "%d: Missing Handle parameter after = in kavSocketRcv\n", "%d: Without = after keyword Handle in kavSocketRcv\n",
     "%d: The Handle should be a variable in kavSocketRcv\n"},
    {"RetVar", kKeywordVariable, "%d: Missing = after RetVar in kavSocketRcv\n",
     "%d: Missing RetVar parameter after = in kavSocketRcv\n", "%d: Without = after keyword RetVar in kavSocketRcv\n",
     "%d: The RetVar should be a variable in kavSocketRcv\n"},
    {"Text", kKeywordVariable, "%d: Missing = after Text in kavSocketRcv\n",
     "%d: Missing Text parameter after = in kavSocketRcv\n", "%d: Without = after keyword Text in kavSocketRcv\n",
     nullptr},
};

}  // namespace

const KeywordForm kFormQuery = {kQueryRules, COUNT(kQueryRules), "%d: Illegal symbol %s in kavQuery\n",
                                "%d: Inproper end of kavQuery\n", "%d: Missing > in kavQuery\n", nullptr};
const KeywordForm kFormPrint = {kPrintRules, COUNT(kPrintRules), "%d: Unknow symbol %s in %s\n",
                                "%d: Inproper end of %s\n", nullptr, nullptr};
const KeywordForm kFormPrintTable = {kPrintTableRules, COUNT(kPrintTableRules), "%d: Unknow symbol %s\n",
                                     "%d: Inproper end of kavPrintTable\n", nullptr, nullptr};
const KeywordForm kFormTableColumn = {kTableColumnRules, COUNT(kTableColumnRules), nullptr,
                                      "%d: Inproper end of KavCol\n", nullptr, nullptr};
const KeywordForm kFormFormDml = {kFormDmlRules, COUNT(kFormDmlRules), "%d: Illegal symbol %s in %s\n", nullptr,
                                  nullptr, nullptr};
const KeywordForm kFormRun = {kRunRules, COUNT(kRunRules), "%d: Illegal symbol %s in kavRun\n",
                              "%d: Inproper end of kavRun\n", nullptr, nullptr};
const KeywordForm kFormFileOpen = {kFileOpenRules, COUNT(kFileOpenRules), nullptr, nullptr, nullptr, nullptr};
const KeywordForm kFormLocation = {kLocationRules, COUNT(kLocationRules), "%d: Keyword error in KavLocation\n",
                                   "%d: Inproper end of KavLocation, Missing >\n",
                                   "%d: Inproper end of KavLocation >\n",
                                   "%d: Missing parameter after KavLocation\n"};
const KeywordForm kFormCookie = {kCookieRules, COUNT(kCookieRules), nullptr, "%d: Inproper end of kavCookie\n",
                                 nullptr, nullptr, "Name", "Value",
                                 "%d: Both Name and Value parameters must have values in KavCookie\n"};
const KeywordForm kFormSocketOpen = {kSocketOpenRules, COUNT(kSocketOpenRules), nullptr,
                                     "%d: Inproper end of kavSocketOpen\n", nullptr, nullptr};
const KeywordForm kFormSocketClose = {kSocketCloseRules, COUNT(kSocketCloseRules), nullptr,
                                      "%d: Inproper end of kavSocketClose\n", nullptr, nullptr};
const KeywordForm kFormSocketSend = {kSocketSendRules, COUNT(kSocketSendRules), nullptr,
                                     "%d: Inproper end of kavSocketSend\n", nullptr, nullptr};
// The receive tag shares the send tag's wording for a text that ends early.
const KeywordForm kFormSocketReceive = {kSocketReceiveRules, COUNT(kSocketReceiveRules), nullptr,
                                        "%d: Inproper end of kavSocketSend\n", nullptr, nullptr};

}  // namespace kavr
