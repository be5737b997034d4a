// The checks of single tags and of block bodies. Each reads from the scan
// positioned just after the tag name and returns true when the check went
// on to the end of what it reads (problems reported on the way), false
// when the text ended inside it or a nested check failed where that ends
// the enclosing block.
#pragma once
#include <cstddef>
#include <string>

namespace kavr {

class CheckScan;

// How a keyword's value is validated.
enum KeywordValue {
    kKeywordFlag,        // stands alone, no "=" and no value
    kKeywordExpression,  // an expression (ValueParses)
    kKeywordVariable,    // a name form that can be assigned to
    kKeywordUnchecked,   // any item
};

// One keyword of a tag with the messages of its problems. A null message
// means the problem is not reported: the check of the tag ends there.
struct KeywordRule {
    const char* name;  // compared without regard to case
    KeywordValue value;
    const char* missing_eq;     // the text ends where "=" is expected
    const char* missing_value;  // the text ends where the value is expected
    const char* no_eq;          // another token instead of "="
    const char* bad_value;      // the value fails validation
    // no_eq for a kavprint or kavmail tag met inside the body of another.
    const char* no_eq_nested = nullptr;
};

struct KeywordForm {
    const KeywordRule* rules;
    size_t count;
    const char* unknown;      // a token that is not a keyword ("%s" token, then tag)
    const char* text_ends;    // the text ends before ">"
    const char* lt_in_tag;    // a "<" where a keyword is expected
    const char* empty_tag;    // ">" right after the tag name
    // Keywords that must all have been given a value by the ">".
    const char* required_a = nullptr;
    const char* required_b = nullptr;
    const char* required_missing = nullptr;
};

// Keyword forms of the tags.
extern const KeywordForm kFormQuery;        // kavdbquery
extern const KeywordForm kFormPrint;        // kavprint, kavmail
extern const KeywordForm kFormPrintTable;   // kavprinttable
extern const KeywordForm kFormTableColumn;  // kavprinttablecol
extern const KeywordForm kFormFormDml;      // kavdbinsert, kavdbupdate
extern const KeywordForm kFormRun;          // kavrun
extern const KeywordForm kFormFileOpen;     // kavfileopen
extern const KeywordForm kFormLocation;     // kavlocation
extern const KeywordForm kFormCookie;       // kavcookie
extern const KeywordForm kFormSocketOpen;
extern const KeywordForm kFormSocketClose;
extern const KeywordForm kFormSocketSend;
extern const KeywordForm kFormSocketReceive;

// Keyword attributes up to ">", reported with the form's messages; tag is
// the name as written. nested selects the no_eq_nested wording.
bool CheckKeywordTag(CheckScan& scan, const KeywordForm& form, const std::string& tag, bool nested = false);
// Attributes name "=" value up to ">" without any message, except for a
// tag that the text ends inside.
bool CheckSilentTag(CheckScan& scan, const std::string& tag);

// The text ends inside a tag whose wording has no message for that; tag
// is the name as written, with "/" before it for a closing tag.
void SayTagOpenAtEnd(CheckScan& scan, const std::string& tag);

// Fixed forms.
bool CheckSetTag(CheckScan& scan);
bool CheckIfHeader(CheckScan& scan);
bool CheckWhileHeader(CheckScan& scan);
bool CheckForHeader(CheckScan& scan);
bool CheckSelectHeader(CheckScan& scan);
bool CheckCaseHeader(CheckScan& scan);
bool CheckCaseElse(CheckScan& scan);
bool CheckVarExistCheck(CheckScan& scan);
bool CheckTransactionHeader(CheckScan& scan, bool nested);
// Reads the one token that ends a tag without attributes.
bool CheckTagEnd(CheckScan& scan, const std::string& tag);

// Block bodies up to the closing tag; opening is the tag as written.
bool WalkIfBody(CheckScan& scan, const std::string& opening);
bool WalkWhileBody(CheckScan& scan, const std::string& opening);
bool WalkForBody(CheckScan& scan, const std::string& opening);
bool WalkSelectBody(CheckScan& scan, const std::string& opening);
bool WalkPrintBody(CheckScan& scan, const std::string& opening);
bool WalkPrintTableBody(CheckScan& scan, const std::string& opening);
bool WalkTransactionBody(CheckScan& scan, const std::string& opening);

}  // namespace kavr
