// The steps of delivering spool files over one SMTP session.
#pragma once
#include <string>

#include "mail/smtp_session.h"

namespace kavr {

// Boundary between the parts of a message with an attachment.
extern const char* const kMimeBoundary;

// Where the server is: "SMTP_Server" and "SMTP_Port" of section "SMTP" in
// "kavri.ini", read afresh; "localhost" and 25 when absent or empty.
void ReadSmtpServerSettings(std::string& host, int& port);

// Connects to the configured server and reads its greeting: 1 when it
// greets with 220, 0 when it answers otherwise, -1 when no connection
// could be made.
int SmtpConnect(SmtpSession& session, const SmtpTimings& timings);

// "EHLO" (with extended) or "HELO" and this machine's name; 1 on 250.
int SmtpHello(SmtpSession& session, bool extended);

// Sends one spool file of the spool directory: 1 when the server accepted
// it, 0 when the server (or the connection) refused it, -1 when the file
// cannot be read or its addresses or subject would break a header line.
int DeliverSpoolFile(SmtpSession& session, const std::string& file_name);

}  // namespace kavr
