// Handlers of the tags that reach outside the request: files, profile
// files, external programs and TCP connections. register.cpp puts them
// into the tag table.
#pragma once
#include "template/tag_table.h"

namespace kavr {

// Files named by logical paths (file_tags.cpp, file_operation_tags.cpp).
int KavFileOpen(TagCall& call);
int KavFileGetLine(TagCall& call);  // also kavfilegetchar, by name
int KavFilePutLine(TagCall& call);  // also kavfileputchar, by name
int KavFileClose(TagCall& call);
int KavFileDelete(TagCall& call);
int KavFileCopy(TagCall& call);
int KavFileRename(TagCall& call);

// Profile files (profile_tags.cpp).
int KavGetProfile(TagCall& call);
int KavPutProfile(TagCall& call);

// External programs (run_tag.cpp).
int KavRun(TagCall& call);

// TCP connections (socket_tags.cpp).
int KavSocketOpen(TagCall& call);
int KavSocketClose(TagCall& call);
int KavSocketSendText(TagCall& call);
int KavSocketRcvText(TagCall& call);

}  // namespace kavr
