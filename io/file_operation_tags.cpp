// kavFileDelete, kavFileCopy and kavFileRename. Whether the operation
// worked is a result for the template (the "ret" variable), not an error.
#include "driver/core/log.h"
#include "driver/core/request.h"
#include "expr/variables.h"
#include "io/io_tags.h"
#include "io/resolve_file_path.h"
#include "template/tag_attributes.h"
#include "platform/file.h"

namespace kavr {

namespace {

constexpr size_t kAttributeSize = 1024;

struct TwoFiles {
    std::string from, to, ret, from_password, to_password;
};

// Reads from, to, ret, fromPassword and toPassword; 0 when the tag is
// malformed or a substitution fails.
int read_two_files(TagCall& call, TwoFiles& t) {
    enum { kFrom, kTo, kRet, kFromPassword, kToPassword };
    std::vector<TagAttribute> attrs;
    if (!ReadTagAttributes(call.lexer, {"from", "to", "ret", "fromPassword", "toPassword"}, attrs))
        return 0;
    for (TagAttribute& a : attrs) {
        if (a.which != kRet && !ExpandAttribute(kExpandText, a.value, kAttributeSize, call.request))
            return 0;
        switch (a.which) {
            case kFrom: t.from = a.value; break;
            case kTo: t.to = a.value; break;
            case kRet: t.ret = a.value; break;
            case kFromPassword: t.from_password = a.value; break;
            case kToPassword: t.to_password = a.value; break;
        }
    }
    return 1;
}

void outcome(Request& r, const std::string& ret, bool ok) {
    WriteLog(r.thread_number, 1, ok ? " succeeded\n" : " failed\n");
    if (!ret.empty()) SetVariable(r, ret, ok ? "1" : "0", 0);
}

bool copy_file(const std::string& from, const std::string& to) {
    // Copying a file onto itself would empty it before it is read.
    if (platform::same_file(from, to)) return false;
    platform::File in, out;
    if (!in.open_shared(from, "r", platform::ShareMode::kShareAll)) return false;
    if (!out.open_shared(to, "w", platform::ShareMode::kShareAll)) return false;
    char block[1024];
    size_t n;
    while ((n = in.read(block, sizeof block)) > 0)
        if (!out.write(std::string_view(block, n))) return false;
    return out.flush();
}

}  // namespace

int KavFileDelete(TagCall& call) {
    Request& r = call.request;
    enum { kName, kRet, kPassword };
    std::vector<TagAttribute> attrs;
    if (!ReadTagAttributes(call.lexer, {"name", "ret", "Password"}, attrs)) return 0;
    std::string name, ret, password;
    for (TagAttribute& a : attrs) {
        if (a.which != kRet && !ExpandAttribute(kExpandText, a.value, kAttributeSize, r)) return 0;
        (a.which == kName ? name : a.which == kRet ? ret : password) = a.value;
    }
    if (LogWanted(1)) WriteLog(r.thread_number, 1, "Delete File: " + name);
    std::string physical;
    if (!ResolveFilePath(r, name, physical, "w", password, r.out)) return 0;
    outcome(r, ret, platform::delete_file(physical));
    return 1;
}

int KavFileCopy(TagCall& call) {
    Request& r = call.request;
    TwoFiles t;
    if (!read_two_files(call, t)) return 0;
    if (LogWanted(1)) WriteLog(r.thread_number, 1, "Copy File: " + t.from + "To File: " + t.to);
    std::string from, to;
    bool ok = ResolveFilePath(r, t.from, from, "r", t.from_password, r.out) &&
              ResolveFilePath(r, t.to, to, "w", t.to_password, r.out) && copy_file(from, to);
    outcome(r, t.ret, ok);
    return 1;
}

int KavFileRename(TagCall& call) {
    Request& r = call.request;
    TwoFiles t;
    if (!read_two_files(call, t)) return 0;
    if (LogWanted(1)) WriteLog(r.thread_number, 1, "Rename File: " + t.from + "To File: " + t.to);
    std::string from, to;
    if (!ResolveFileToMove(r, t.from, from, t.from_password, r.out)) return 0;
    if (!ResolveFilePath(r, t.to, to, "w", t.to_password, r.out)) return 0;
    outcome(r, t.ret, platform::move_file(from, to));
    return 1;
}

}  // namespace kavr
