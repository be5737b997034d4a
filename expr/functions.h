// The dispatch table of built-in functions: one row per function name and
// one handler per function. Every handler reads its arguments from the
// reference text itself and writes its result into the reference's output.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "expr/eval_context.h"

namespace kavr {

class Lexer;
struct Request;

struct FunctionCall {
    Request& request;
    const RowView& row;
    Lexer& lexer;      // positioned just after the function name
    std::string name;  // as written
    std::string text;  // the reference without its enclosing "#"
    std::string& out;
    size_t size;

    // Reads the token after the name; 1 when it is "(".
    int Open();
    // ReadArgument on this call's text.
    int Argument(std::string& value);
    // Open() and every argument up to the closing ")"; 0 when the call is
    // not well formed, an argument fails, or the count is outside [min, max].
    int Arguments(std::vector<std::string>& values, size_t min, size_t max);
    // Arguments() for a function of exactly one argument.
    int OneArgument(std::string& value);
    // Writes the result, cut to size - 1 characters; returns 1.
    int Result(std::string_view value);
};

// 1 on success, 0 on failure (the caller reports the unresolved reference).
using FunctionHandler = int (*)(FunctionCall& call);

// Adds a row at the end of the table, or fills the handler of the row with
// that name (compared without regard to case) where one exists. For layers
// above this one (query values, configuration, uploads, temporary files).
void RegisterFunction(const char* name, FunctionHandler handler);

// The row for a name. *handler is null for a row whose layer is not linked
// in. False when the name is not a function.
bool FindFunction(std::string_view name, FunctionHandler* handler);
// Changes whenever a function is registered (or its handler replaced), so
// that what was found in the table can be looked up again.
unsigned FunctionTableVersion();
// FindFunction without the handler: is the name a function of the table.
bool IsFunctionName(std::string_view name);

// Every function name in lookup order, as the table spells it (for the
// check that the language reference documents every function).
std::vector<std::string> FunctionNames();

// Reads one argument of a call: the items up to "," or the closing ")",
// evaluated with compute_exp unless the argument is a number or a single
// quoted string (then it is the literal, quotes removed). Returns 0 on failure, 1 when more arguments follow, 2 at the
// closing ")". The value is cut to 8191 characters.
int ReadArgument(Lexer& lexer, std::string& value, Request& request, const RowView& row);

// Reads the rest of the call's arguments as raw text up to the matching
// ")" (tokens with their white space from the second on), for functions
// that take their argument unevaluated; doubled quotes inside strings
// stand for one. 0 when the ")" is missing.
int ReadRawArgument(Lexer& lexer, std::string& text);

}  // namespace kavr
