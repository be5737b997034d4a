// Handlers of the template engine's own tags; register.cpp puts them into
// the tag table.
#pragma once
#include "template/tag_table.h"

namespace kavr {

// Branches and loops.
int KavIf(TagCall& call);  // also kavelseif met outside a kavif
int KavWhile(TagCall& call);
int KavFor(TagCall& call);
int KavSelectCase(TagCall& call);
int KavExitLoop(TagCall& call);  // kavexitwhile, kavexitfor

// Variables and code.
int KavSet(TagCall& call);
int KavEval(TagCall& call);
int KavVarExistCheck(TagCall& call);

// Inclusion.
int KavInclude(TagCall& call);

// The rest.
int KavAbort(TagCall& call);
int KavBeep(TagCall& call);
int KavIniRefresh(TagCall& call);

}  // namespace kavr
