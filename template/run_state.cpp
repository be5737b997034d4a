#include "template/run_state.h"

#include <algorithm>

#include "expr/lexer.h"

namespace kavr {

TemplateRunState& RunState(Request& request) {
    // Only this file puts anything into template_state, so the cast holds.
    if (!request.template_state) request.template_state = std::make_unique<TemplateRunState>();
    return static_cast<TemplateRunState&>(*request.template_state);
}

int LineOfPosition(const std::string& text, const std::vector<LineMark>& marks, size_t pos) {
    pos = std::min(pos, text.size());
    auto after = std::upper_bound(marks.begin(), marks.end(), pos,
                                  [](size_t p, const LineMark& m) { return p < m.pos; });
    size_t from = after == marks.begin() ? 0 : (after - 1)->pos;
    int line = after == marks.begin() ? 0 : (after - 1)->line;
    return line + static_cast<int>(std::count(text.begin() + static_cast<long>(from),
                                              text.begin() + static_cast<long>(pos), '\n')) + 1;
}

int CurrentTagLine(Request& request) {
    if (!request.template_state) return 0;
    const TemplateRunState& s = RunState(request);
    if (!s.template_lexer) return 0;
    static const std::vector<LineMark> kNone;
    return LineOfPosition(s.template_lexer->text(), s.line_marks ? *s.line_marks : kNone, s.tag_start);
}

}  // namespace kavr
