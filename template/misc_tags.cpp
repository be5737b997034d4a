// kavabort, kavbeep and kavinirefresh.
#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "expr/variables.h"
#include "platform/beep.h"
#include "template/tag_handlers.h"
#include "template/tag_reading.h"

namespace kavr {

// Ends the template at every level; what was written stays.
int KavAbort(TagCall&) { return 0; }

int KavBeep(TagCall& call) {
    SkipTagEnd(call.lexer);
    platform::beep(450, 300);
    return 1;
}

// The configuration is read afresh by every request, so there is nothing
// to refresh: the tag reads its Password attribute and goes on.
int KavIniRefresh(TagCall& call) {
    Lexer& lexer = call.lexer;
    std::string token, value;
    for (;;) {
        if (lexer.ReadItem(false, token) == kTokEnd) return 0;
        if (token == ">") return 1;
        if (!EqualsNoCase(token, "Password")) continue;
        if (lexer.NextToken(token) == kTokEnd || token != "=") return 0;
        lexer.ReadItem(false, value);
        if (!ExpandAttribute(kExpandText, value, 1024, call.request)) return 0;
    }
}

}  // namespace kavr
