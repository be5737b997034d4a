// The comment removal that the checker reads a template file through. It
// follows the loader's pre-scan token for token (an HTML comment goes,
// with every tag inside it; "<!" and "<!-" that start no comment stay),
// but it keeps the file's own text around the comments and the line feeds
// inside them, so that the checker's line numbers and echoed lines are
// those of the file the author edits.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace kavr {

// 1 with the cleaned text; 0 when the text ends right after "<", "<!" or
// "<!-", or inside a comment (*stop, when given, is then the position of
// the "<" that began it).
int PreScanForCheck(std::string_view raw, std::string& out, size_t* stop = nullptr);

}  // namespace kavr
