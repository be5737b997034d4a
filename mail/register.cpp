#include "mail/register.h"

#include "driver/core/hooks.h"
#include "mail/flush_spool.h"
#include "mail/kavmail_tag.h"
#include "mail/spool.h"

namespace kavr {

int QueueErrorMail(Request&, const std::string& to, const std::string& code) {
    // A message of its own, so an error reported while a template's mail is
    // being composed leaves that mail untouched.
    SpoolMessage m;
    if (SpoolBegin(m, "", to, "", "Kavri&#153 Error") && SpoolSetAttachment(m, "") &&
        SpoolSetAttachmentType(m, "") && SpoolAppendBody(m, code) && SpoolCommit(m))
        return 1;
    SpoolAbandon(m);
    return 0;
}

void RegisterMailModule() {
    g_hooks.flush_spool = &FlushSpool;
    g_hooks.queue_error_mail = &QueueErrorMail;
    RegisterKavMailTag();
}

}  // namespace kavr
