// Composing mail into spool files. A message is written, record by record,
// into "tmp" + number + ".txt" in the spool directory and renamed to
// "mail" + number + ".txt" when complete; only "mail" files are delivered.
//
// Each message goes through exactly: SpoolBegin, SpoolSetAttachment,
// SpoolSetAttachmentType, any number of SpoolAppendBody, SpoolCommit (an
// empty text stands for an absent value). Every operation returns 1 on
// success and 0 on failure; a failed write removes the half-written file
// and forgets the message, so no partial message is ever delivered.
#pragma once
#include <string>
#include <string_view>

namespace kavr {

// Numbers run from 1 to 799999 and wrap around.
constexpr long kMaxSpoolNumber = 799999;

// One message under construction. Each producer (a mail tag, the error
// mail) keeps its own, so they never write into each other's file.
struct SpoolMessage {
    std::string path;  // the "tmp" file; empty when no message is open
    int records = 0;   // leading records written: 4 after SpoolBegin, then 5, 6

    bool open() const { return !path.empty(); }
};

// Next number to try for each prefix; both start at 1 in every process.
struct SpoolCounters {
    long tmp = 1;
    long mail = 1;
};
extern SpoolCounters g_spool_counters;

// Claims a free "tmp" name and writes From, To, Cc and Subject. Fails
// without touching the disk when the spool directory is not configured, or
// when an address or the subject holds a line break or zero byte. A message
// still open in m is abandoned first.
int SpoolBegin(SpoolMessage& m, const std::string& from, const std::string& to,
               const std::string& cc, const std::string& subject);

// Physical path of the file to attach; empty for none.
int SpoolSetAttachment(SpoolMessage& m, const std::string& path);

// "Text" (any case) attaches as text, any other non-empty value as binary.
int SpoolSetAttachmentType(SpoolMessage& m, const std::string& mode);

int SpoolAppendBody(SpoolMessage& m, std::string_view text);

// Renames the file to a free "mail" name, one whose number is in use
// neither in the spool nor in the log or error directory. When no number
// is free the message stays open (the caller may abandon it).
int SpoolCommit(SpoolMessage& m);

// Deletes an unfinished message's file and forgets it.
void SpoolAbandon(SpoolMessage& m);

}  // namespace kavr
