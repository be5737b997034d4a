#include "db/form_tags.h"

#include "db/form_dml.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "expr/variables.h"
#include "template/tag_table.h"

namespace kavr {

namespace {

constexpr size_t kAttributeSize = 1024;
constexpr size_t kFieldListSize = 2048;

// Reads the attributes up to ">" into the request's form DML settings.
// Unknown words are skipped; a known name without "=" ends the tag with
// failure, as does a text that ends before ">".
int read_settings(Lexer& lexer, Request& r) {
    struct Setting {
        const char* name;
        std::optional<std::string> RequestFormLayer::*field;
        size_t size;
    };
    static const Setting settings[] = {
        {"datasource", &RequestFormLayer::datasource, kAttributeSize},
        {"tablename", &RequestFormLayer::tablename, kAttributeSize},
        {"tableowner", &RequestFormLayer::tableowner, kAttributeSize},
        {"tablequalifier", &RequestFormLayer::tablequalifier, kAttributeSize},
        {"formfields", &RequestFormLayer::formfields, kFieldListSize},
    };
    std::string token;
    for (;;) {
        int cls = lexer.ReadItem(false, token);
        if (cls == kTokEnd) return 0;
        if (cls == kTokPunct && token == ">") return 1;
        if (cls == kTokString) continue;
        const Setting* setting = nullptr;
        for (const Setting& s : settings)
            if (EqualsNoCase(token, s.name)) setting = &s;
        if (!setting) continue;
        if (lexer.NextToken(token) == kTokEnd || token != "=") return 0;
        std::string value;
        cls = lexer.ReadItem(false, value);
        if (cls == kTokEnd) return 0;
        if (cls == kTokPunct && value == ">") {
            // "name=>" gives an empty value and ends the tag.
            r.*(setting->field) = std::string();
            return 1;
        }
        if (!ExpandAttribute(kExpandText, value, setting->size, r)) return 0;
        r.*(setting->field) = value;
    }
}

int form_dml_tag(TagCall& call, int kind) {
    Request& r = call.request;
    if (!read_settings(call.lexer, r)) return 0;
    if (!r.permissions.database) {
        ReportError(r, "10920", r.out);
        WriteLog(r.thread_number, 3, "Error: Database Operation is disabled\n");
        return 0;
    }
    WriteLog(r.thread_number, 1, "Into Kav_Dml\n");
    WriteLog(r.thread_number, 1, "Call Form_DML\n");
    return FormDml(r, kind, r.out);
}

}  // namespace

int KavDbInsert(TagCall& call) { return form_dml_tag(call, kFormInsert); }
int KavDbUpdate(TagCall& call) { return form_dml_tag(call, kFormUpdate); }

}  // namespace kavr
