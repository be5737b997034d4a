// Delivery of the spool after the response: every "mail*.txt" file of the
// spool directory goes out over one SMTP session and is then moved to the
// log directory (delivered) or the error directory (refused).
#pragma once
#include <string>

#include "mail/smtp_session.h"

namespace kavr {

// Called once per request, after the response is complete.
void FlushSpool();

// The same with other waits (tests use short ones).
void FlushSpoolWith(const SmtpTimings& timings);

// Moves a spool file after its delivery attempts. A file of the same name
// in the target directory is never replaced: the file then takes the name
// with "-1", "-2"... before ".txt". A delivered file that cannot be moved
// to the log directory is deleted, so that it is never sent twice; a
// refused file that cannot be moved to the error directory stays in the
// spool.
void MoveSpoolFile(const std::string& file_name, bool delivered);

}  // namespace kavr
