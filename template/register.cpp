#include "template/register.h"

#include "driver/core/hooks.h"
#include <string>

#include "driver/core/request.h"
#include "template/loader.h"
#include "template/run_state.h"
#include "template/tag_handlers.h"
#include "template/tag_table.h"

namespace kavr {

namespace {

int run_template(Request& request) { return RunTemplate(request); }

void failure_context(Request& request) {
    int line = CurrentTagLine(request);
    // Set for every report, so that a catalog text naming it always shows.
    request.vars.set("CurTagLine__", line > 0 ? std::to_string(line) : std::string(), 0);
}

}  // namespace

void RegisterTemplateModule() {
    g_hooks.run_template = run_template;
    g_hooks.failure_context = failure_context;

    RegisterTag("kavset", KavSet);
    RegisterTag("kaveval", KavEval);
    RegisterTag("kavvarexistcheck", KavVarExistCheck);
    // kavcheck gets its row from the syntax checker.

    RegisterTag("kavif", KavIf, kTagPassesExit);
    RegisterTag("kavelseif", KavIf, kTagPassesExit);
    RegisterTag("kavwhile", KavWhile);
    RegisterTag("kavfor", KavFor);
    RegisterTag("kavselectcase", KavSelectCase, kTagPassesExit);
    RegisterTag("kavexitwhile", KavExitLoop, kTagTextMode | kTagPassesExit);
    RegisterTag("kavexitfor", KavExitLoop, kTagTextMode | kTagPassesExit);

    // kavinclude sets its own reference mode.
    RegisterTag("kavinclude", KavInclude, kTagTextMode);

    RegisterTag("kavabort", KavAbort, kTagTextMode);
    RegisterTag("kavbeep", KavBeep, kTagTextMode);
    RegisterTag("kavinirefresh", KavIniRefresh);
}

}  // namespace kavr
