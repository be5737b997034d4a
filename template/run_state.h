// What the template engine keeps in the request while templates run: how
// deeply constructs and inclusions are nested, so that a runaway template
// ends with an error instead of exhausting the stack.
#pragma once
#include <cstddef>
#include <vector>

#include "driver/core/request.h"

namespace kavr {

// Bodies of loops, branches and cases interpreted inside one another,
// counted across included templates.
constexpr int kMaxConstructDepth = 256;
// Templates open at once: the requested one and the ones it includes.
constexpr int kMaxTemplateDepth = 64;

class Lexer;

// Where the loader's text and the file's lines part: from pos on, the
// text's line is line (0-based), wherever removed comments or long runs of
// white space took line feeds with them.
struct LineMark {
    size_t pos;
    int line;
};

struct TemplateRunState : ModuleState {
    int construct_depth = 0;
    int template_depth = 0;
    // The template file being interpreted (null outside one), its line
    // marks, and where its tag being run begins, so that an error report
    // can name the tag's line of the file.
    const Lexer* template_lexer = nullptr;
    const std::vector<LineMark>* line_marks = nullptr;
    size_t tag_start = 0;
};

// The request's state, made on first use.
TemplateRunState& RunState(Request& request);

// The 1-based line of the template file where the tag being run starts;
// 0 when no template file is being interpreted.
int CurrentTagLine(Request& request);

// The 1-based line of a position of a pre-scanned text with its marks.
int LineOfPosition(const std::string& text, const std::vector<LineMark>& marks, size_t pos);

}  // namespace kavr
