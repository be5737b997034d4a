#include "template/unclosed_construct.h"

#include <string>

#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "template/run_state.h"
#include "template/tag_table.h"

namespace kavr {

int ReportUnclosedConstruct(TagCall& call) {
    Request& r = call.request;
    int line = CurrentTagLine(r);
    std::string where = line > 0 ? " opened on line " + std::to_string(line) : std::string();
    WriteLog(r.thread_number, 3, "Error: " + call.name + where + " is not closed\n");
    r.vars.set("CurTagName__", call.name, 0);
    if (!ReportError(r, "11030", r.out))
        r.out.write("<BR><B>Error: " + HtmlEscape(call.name) + where + " is not closed</B><BR>\n");
    return 0;
}

}  // namespace kavr
