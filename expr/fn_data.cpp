// Data functions: SQL quoting marks and payment card numbers.
#include "driver/core/request.h"
#include "expr/builtin_functions.h"
#include "expr/card_code.h"
#include "expr/lexer.h"
#include "expr/values.h"
#include "expr/variables.h"

namespace kavr {

int FnPreserveSingleQuotes(FunctionCall& call) {
    std::vector<std::string> args;
    if (!call.Arguments(args, 1, 1)) return 0;
    return call.Result(StripQuotes(args[0]));
}

int FnValidateCC(FunctionCall& call) {
    std::vector<std::string> args;
    if (!call.Arguments(args, 1, 1)) return 0;
    return call.Result(FormatInt(ValidateCardNumber(args[0])));
}

namespace {

// The status variable of DecodeCC: a reference, written #name# or, inside
// an enclosing reference, ##name##.
bool read_status_name(Lexer& lex, std::string& name) {
    std::string tok;
    int cls = lex.NextToken(tok);
    if (cls == kTokReference) {
        name = tok.substr(1, tok.size() - 2);
    } else if (cls == kTokPunct && tok == "##") {
        if (lex.NextToken(name) != kTokIdent) return false;
        if (lex.NextToken(tok) != kTokPunct || tok != "##") return false;
    } else {
        return false;
    }
    return lex.NextToken(tok) == kTokPunct && tok == ")";
}

}  // namespace

int FnDecodeCC(FunctionCall& call) {
    std::string encoded, status;
    if (!call.Open() || call.Argument(encoded) != 1) return 0;
    if (!read_status_name(call.lexer, status) || status.empty()) return 0;
    std::string number;
    if (DecodeCardNumber(encoded, number)) {
        SetVariable(call.request, status, "1", 0);
        return call.Result(number);
    }
    SetVariable(call.request, status, "0", 0);
    return call.Result("");
}

}  // namespace kavr
