// The one gate for every file a template touches: logical names through
// the file access table ("File IO" section), ".\" names relative to the
// template's directory, with the table's read and write flags and
// passwords and the running template's file permissions.
#pragma once
#include <cstddef>
#include <string>

namespace kavr {

struct Request;
class ResponseStream;

// Longest physical path, in characters.
constexpr size_t kMaxPhysicalPath = 1023;

// Resolves name for mode: a mode containing "r" reads, any other writes
// ("w", "a+"). password is compared with the entry's password for that
// mode, when the entry has one (an empty text is a password too: a tag
// without one is refused by an entry that has one). Sets "CurFileName__"
// to the name. 1 with the physical path (internal "\" form); 0 when
// refused, with the error reported on out and logged, except for a
// relative name with a "\" before its ".\", which fails without a report.
//
// A name with a ".." segment (or a NUL byte), and a physical path longer
// than kMaxPhysicalPath, are refused like a denied read or write, so that
// no name reaches outside the directory it resolved under. A logical path
// matches only whole segments of the name ("\data" covers "\data\x" but
// not "\database\x"), and an entry covers a relative name's path only when
// its physical path is a whole-segment prefix of it.
int ResolveFilePath(Request& request, const std::string& name, std::string& physical,
                    const std::string& mode, const std::string& password, ResponseStream& out);

// The source of a rename: resolved for reading, with the read password,
// and refused with 10530 unless its entry and the template allow writing
// too, since moving a file away changes its directory as a delete does.
int ResolveFileToMove(Request& request, const std::string& name, std::string& physical,
                      const std::string& password, ResponseStream& out);

// Splits a name into its "\"-separated segments and tells whether one of
// them is "..".
bool HasParentSegment(const std::string& name);

// Whether prefix covers path: equal without regard to case, or followed
// in path by "\" (an empty prefix covers every path).
bool CoversPath(const std::string& prefix, const std::string& path);

}  // namespace kavr
