// A kavif, kavwhile, kavfor or kavselectcase whose closing tag never
// comes: the page gets an error box that names the construct and the
// line where it opened, instead of ending without a word.
#pragma once

namespace kavr {

struct TagCall;

// Reports error 11030 ("CurTagName__" the construct as written,
// "CurTagLine__" its line), or a fixed line without a catalog entry.
// Returns 0, so the template ends there.
int ReportUnclosedConstruct(TagCall& call);

}  // namespace kavr
