// Template variables as the language sees them: the name forms of an
// assignment, the traced lookup of a reference (with the existence check)
// and the attribute expander that replaces #name# references in a text.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "expr/eval_context.h"

namespace kavr {

struct Request;
struct ReferenceForm;

enum NameFormKind { kNamePlain, kNameElement, kNameList, kNameIllegal };

struct NameForm {
    NameFormKind kind = kNameIllegal;
    std::string name;
    std::string index_expr;  // kNameElement: the text between "[" and "]"
};

// name, #name#, name[expr], #name[expr]#, name[], #name[]#; anything else
// is illegal.
NameForm ClassifyNameForm(std::string_view form);

// Sets an element: one pair of enclosing "#" is removed from the name form
// and its first token is the variable name. 1 on success.
int SetVariable(Request& request, std::string_view name_form, std::string_view value, int index);

// Splits value at its first character (the separator) into elements 0, 1,
// 2, ... of the variable; elements of higher index are kept.
int AssignList(Request& request, const std::string& name, std::string_view value);

// Assigns value to a name form, computing an element's index. 0 when the
// form is illegal or the index cannot be computed.
int AssignVariable(Request& request, std::string_view name_form, std::string_view value,
                   const RowView& row = RowView());
// The same for a name form already classified.
int AssignVariable(Request& request, const NameForm& name_form, std::string_view value,
                   const RowView& row = RowView());

// Resolves one reference ("#...#") with trace lines. When it cannot be
// resolved, the existence check is on, no ParameterExists probe is running
// and the reference is a name, "CurVarName__" is set and error 10810
// reported. 1 with the value in out, else 0.
// form, when given, is the compiled form of the reference's body.
int LookupValue(const std::string& reference, std::string& out, size_t size, Request& request,
                const RowView& row = RowView(), const ReferenceForm* form = nullptr);
// The trace lines of a lookup: what it looks for, and what it found.
void LogLookupStart(Request& request, const std::string& reference);
void LogLookupValue(Request& request, std::string_view value);

// Text mode copies values as they are; HTML mode escapes every value (for
// texts the system writes into a page itself, such as catalog texts); SQL
// mode quotes and checks request values (below).
enum ExpandMode { kExpandText, kExpandSql, kExpandHtml };

// Replaces every #...# reference in text by its value. In SQL mode "##"
// reads as "#", and values of URL and form parameters get their single
// quotes doubled (unless the reference calls PreserveSingleQuotes). The
// result is cut to 16383 characters, then to size - 1. 0, with text
// unchanged, when a reference cannot be evaluated.
// SQL mode also refuses, with error 10460 and a log line, a URL, form,
// cookie or CGI value that lands outside a quoted literal of the statement
// unless it is a number, a comma-separated list of numbers, a name
// (letters, digits, "_", ".") or empty.
int ExpandAttribute(ExpandMode mode, std::string& text, size_t size, Request& request,
                    const RowView& row = RowView());
// The same for a text already split (SplitAttributeText of text, with "##"
// collapsed in SQL mode): text receives the result.
struct SplitText;
int ExpandSplitText(ExpandMode mode, const SplitText& split, std::string& text, size_t size, Request& request,
                    const RowView& row = RowView());

constexpr size_t kExpandSize = 16384;

// A value that can stand unquoted in SQL without changing the statement:
// empty, a number, a list of numbers or one name (blanks around ignored).
bool IsSqlSafeBareValue(std::string_view value);

}  // namespace kavr
