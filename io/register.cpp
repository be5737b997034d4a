#include "io/register.h"

#include "driver/core/hooks.h"
#include "driver/core/request.h"
#include "io/environment_functions.h"
#include "io/io_state.h"
#include "io/io_tags.h"
#include "io/resolve_file_path.h"
#include "template/code_file.h"
#include "template/tag_table.h"

namespace kavr {

namespace {

// kaveval's CodeFile is read with the template's read rights and no password.
int resolve_code_file(Request& request, const std::string& logical, std::string& physical) {
    return ResolveFilePath(request, logical, physical, "r", "", request.out);
}

}  // namespace

void RegisterIoModule() {
    RegisterTag("kavfileopen", KavFileOpen);
    RegisterTag("kavfilegetline", KavFileGetLine);
    RegisterTag("kavfilegetchar", KavFileGetLine);
    RegisterTag("kavfileputline", KavFilePutLine);
    RegisterTag("kavfileputchar", KavFilePutLine);
    RegisterTag("kavfileclose", KavFileClose);
    RegisterTag("kavFileDelete", KavFileDelete);
    RegisterTag("kavFileCopy", KavFileCopy);
    RegisterTag("kavFileRename", KavFileRename);
    RegisterTag("kavgetprofile", KavGetProfile);
    RegisterTag("kavputprofile", KavPutProfile);
    RegisterTag("kavrun", KavRun);
    RegisterTag("kavsocketopen", KavSocketOpen);
    RegisterTag("kavsocketclose", KavSocketClose);
    RegisterTag("kavsocketsendtext", KavSocketSendText);
    RegisterTag("kavsocketrcvtext", KavSocketRcvText);

    RegisterEnvironmentFunctions();

    g_hooks.resolve_file_path = &ResolveFilePath;
    g_hooks.release_io = &ReleaseIoState;
    SetCodeFileResolver(&resolve_code_file);
}

}  // namespace kavr
