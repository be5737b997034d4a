// kavinclude: runs another template in place, sharing the request.
#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "template/loader.h"
#include "template/run_state.h"
#include "template/tag_handlers.h"
#include "template/tag_reading.h"
#include "template/template_path.h"

namespace kavr {

int KavInclude(TagCall& call) {
    Lexer& lexer = call.lexer;
    Request& r = call.request;
    lexer.set_reference_mode(kRefKeepDouble);
    std::string keyword, token, value;
    lexer.ReadItem(false, keyword);
    if (!EqualsNoCase(keyword, "template") && !EqualsNoCase(keyword, "script") &&
        !EqualsNoCase(keyword, "code"))
        return 0;
    lexer.NextToken(token);  // "="
    lexer.ReadItem(false, value);
    // The same rules as a requested template: a value that would leave the
    // site is treated as a file that cannot be opened. The resolved path is
    // kept whole (resolution keeps at most 1023 characters).
    ResolvedTemplate t = ResolveTemplatePath(r, value);
    SkipTagEnd(lexer);
    if (t.refused) {
        LogTemplateRefusal(r, t);
        ReportUnopenableTemplate(r, t.path);
        return 0;
    }
    // A template that includes itself, directly or through others, ends
    // here instead of running until the stack is gone.
    if (RunState(r).template_depth >= kMaxTemplateDepth) {
        const std::string limit = std::to_string(kMaxTemplateDepth);
        WriteLog(r.thread_number, 3,
                 "Error: KavInclude nested more than " + limit + " templates deep: " + t.path + "\n");
        r.out.write("<HR><B>Error: Cannot include " + HtmlEscape(t.path) + ": templates are nested more than " +
                    limit + " levels deep (does a template include itself?)</B><HR>\n");
        return 0;
    }
    if (LogWanted(1)) WriteLog(r.thread_number, 1, "Read in KAVINCLUDE file: " + t.path + "\n");
    int rc = LoadAndRun(r, t.path);
    if (LogWanted(1)) WriteLog(r.thread_number, 1, "Handle over the kavInclude file: " + t.path + "\n");
    return rc;
}

}  // namespace kavr
