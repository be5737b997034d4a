#include "mail/kavmail_tag.h"

#include "db/print_engine.h"
#include "driver/core/charset.h"
#include "driver/core/hooks.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "mail/spool.h"
#include "template/tag_table.h"

namespace kavr {

namespace {

constexpr size_t kAddressChars = 1023;  // From, To and Subject
constexpr size_t kCcChars = 4095;
constexpr size_t kAttachChars = 255;
constexpr size_t kSendModeChars = 511;

// The message of one open mail level. A message that never reached its
// commit (the template stopped inside the group) is removed, so no partial
// message is ever delivered.
struct LevelMessage : ModuleState {
    SpoolMessage message;
    ~LevelMessage() override {
        if (message.open()) SpoolAbandon(message);
    }
};

void mail_failed(Request& r) { ReportError(r, "10230", r.out); }

std::string expanded(Request& r, const std::string& text, const RowView& row, size_t limit) {
    std::string value = text;
    if (!ExpandRowText(r, value, row)) value.clear();
    return std::string(CutView(value, limit));
}

int begin_message(Request& r, GroupLevel& level, const RowView& row) {
    auto state = std::make_unique<LevelMessage>();
    SpoolMessage& m = state->message;
    const MailAttributes& a = level.mail_attributes;
    const std::string from = expanded(r, a.from, row, kAddressChars);
    const std::string to = expanded(r, a.to, row, kAddressChars);
    const std::string subject = expanded(r, a.subject, row, kAddressChars);
    const std::string cc = expanded(r, a.cc, row, kCcChars);
    level.message = std::move(state);
    if (!SpoolBegin(m, from, to, cc, subject)) {
        mail_failed(r);
        return 1;
    }
    // An attachment that cannot be resolved is left out; the message keeps
    // its record order and goes without it.
    std::string physical;
    if (a.has_attach) {
        const std::string name = expanded(r, a.attach, row, kAttachChars);
        if (!g_hooks.resolve_file_path ||
            !g_hooks.resolve_file_path(r, name, physical, "r", "", r.out))
            physical.clear();
    }
    if (!SpoolSetAttachment(m, physical)) mail_failed(r);
    if (m.open() && !SpoolSetAttachmentType(m, expanded(r, a.send_mode, row, kSendModeChars)))
        mail_failed(r);
    WriteLog(r.thread_number, 1, "out email_header\n");
    return 1;
}

int append_body(Request& r, GroupLevel& level, std::string_view text) {
    auto* state = static_cast<LevelMessage*>(level.message.get());
    if (!state || !SpoolAppendBody(state->message, text)) mail_failed(r);
    return 1;
}

int finish_message(Request& r, GroupLevel& level) {
    auto* state = static_cast<LevelMessage*>(level.message.get());
    if (!state || !state->message.open()) return 1;
    if (!SpoolCommit(state->message)) {
        SpoolAbandon(state->message);
        mail_failed(r);
    }
    return 1;
}

}  // namespace

int KavMail(TagCall& call) { return RunPrintTag(call, true); }

void RegisterKavMailTag() {
    PrintMailOps ops;
    ops.begin = begin_message;
    ops.append = append_body;
    ops.finish = finish_message;
    SetPrintMailOps(ops);
    RegisterTag("kavmail", KavMail);
}

}  // namespace kavr
