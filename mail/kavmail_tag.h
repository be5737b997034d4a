// The kavmail tag: the print engine's group levels, with one spooled
// message per instance of a mail level.
#pragma once

namespace kavr {

struct TagCall;

int KavMail(TagCall& call);

// Installs the mail steps of the print engine and registers kavmail.
void RegisterKavMailTag();

}  // namespace kavr
