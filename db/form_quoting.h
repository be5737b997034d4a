// Whether the current connection reads a backslash inside a quoted text as
// an escape. Most databases take quoted texts literally, where doubling
// the single quotes is enough; a server that treats backslashes as escapes
// needs them doubled too, or a value ending in one would end its literal.
#pragma once

namespace kavr {

struct Request;

// MySQL and MariaDB do by default; PostgreSQL when its
// standard_conforming_strings setting is off. Anything else, or a question
// the server does not answer, counts as literal.
bool ConnectionEscapesBackslashes(Request& request);

}  // namespace kavr
