// kavgetprofile and kavputprofile: one key of an ini-format file named by
// a logical path.
#include "driver/core/charset.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/evaluator.h"
#include "expr/variables.h"
#include "io/io_tags.h"
#include "io/resolve_file_path.h"
#include "template/tag_attributes.h"
#include "platform/profile.h"

namespace kavr {

namespace {

constexpr size_t kAttributeSize = 1024;
constexpr size_t kPutValueSize = 8192;
constexpr size_t kValueBuffer = 1024;  // bounds what one read returns

int profile_tag(TagCall& call, bool put) {
    Request& r = call.request;
    enum { kSection, kKey, kResult, kValue, kSize, kFile, kPassword };
    std::vector<TagAttribute> attrs;
    if (!ReadTagAttributes(call.lexer, {"section", "key", "result", "value", "size", "file", "Password"},
                           attrs))
        return 0;
    std::string section, key, slot, file, password;
    size_t size = kValueBuffer;
    for (TagAttribute& a : attrs) {
        switch (a.which) {
            case kResult:
            case kValue:
                // Names the variable for a read; the text to write for a write.
                if (put && !ExpandAttribute(kExpandText, a.value, kPutValueSize, r)) return 0;
                slot = a.value;
                break;
            case kSize: {
                std::string v;
                if (compute_exp(a.value, v, kValueSize, r) != 1) return 0;
                int n = 0;
                ParseLeadingInt(v, n);
                size = n <= 0 || n > static_cast<int>(kValueBuffer) ? kValueBuffer : static_cast<size_t>(n);
                break;
            }
            default:
                if (!ExpandAttribute(kExpandText, a.value, kAttributeSize, r)) return 0;
                (a.which == kSection ? section
                 : a.which == kKey   ? key
                 : a.which == kFile  ? file
                                     : password) = a.value;
        }
    }
    if (section.empty() || key.empty() || file.empty()) {
        WriteLog(r.thread_number, 3, "Error: section, key, and fname fields should have values\n");
        ReportError(r, "10910", r.out);
        return 0;
    }
    std::string physical;
    if (!ResolveFilePath(r, file, physical, put ? "w" : "r", password, r.out)) return 0;
    if (put) return platform::WritePrivateProfileStringA(section, key, slot.empty() ? nullptr : &slot, physical);

    // Three bytes more show whether the size cuts a character.
    std::string value = platform::GetPrivateProfileStringA(section, key, "", size + 3, physical);
    CutToSize(value, size);
    if (value.empty())
        WriteLog(r.thread_number, 2, "Warning: value not found for " + key + " in section " + section + "\n");
    if (!slot.empty()) SetVariable(r, slot, value, 0);
    return 1;
}

}  // namespace

int KavGetProfile(TagCall& call) { return profile_tag(call, false); }
int KavPutProfile(TagCall& call) { return profile_tag(call, true); }

}  // namespace kavr
