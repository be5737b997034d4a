// Template files compiled once per process: read, pre-scanned and put on a
// token tape, kept by path for as long as the file's size, modification
// time and inode stay the same. What the pre-scan shows a request (its log
// lines, the switch to buffered) is kept with it and shown to each request
// that runs the template.
#pragma once
#include <memory>
#include <string>

#include "expr/token_tape.h"
#include "template/prescan.h"

namespace kavr {

struct CompiledTemplate {
    PreScanResult scan;               // its text is on the tape
    std::shared_ptr<TokenTape> tape;  // the pre-scanned text
};

// The compiled form of the file; null when it cannot be read.
std::shared_ptr<const CompiledTemplate> CompileTemplateFile(const std::string& path);

}  // namespace kavr
