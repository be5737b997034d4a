#include "io/run_command.h"

#include "expr/variables.h"

namespace kavr {

namespace {

constexpr size_t kCommandSize = 1024;

struct Split {
    std::string before, after;
    bool redirected = false;
};

int split_and_expand(Request& r, const std::string& raw, Split& s) {
    size_t at = FindRedirect(raw);
    s.redirected = at != std::string::npos;
    s.before = s.redirected ? raw.substr(0, at) : raw;
    s.after = s.redirected ? raw.substr(at + 1) : std::string();
    if (!ExpandAttribute(kExpandText, s.before, kCommandSize, r)) return 0;
    if (s.redirected && !ExpandAttribute(kExpandText, s.after, kCommandSize, r)) return 0;
    return 1;
}

}  // namespace

size_t FindRedirect(std::string_view raw) {
    bool in_reference = false;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '#') in_reference = !in_reference;
        else if (raw[i] == '>' && !in_reference) return i;
    }
    return std::string_view::npos;
}

std::string JoinItems(std::string_view text) {
    std::string out;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        else if (quoted || (c != ' ' && c != '\t')) out += c;
    }
    return out;
}

int BuildRunCommand(Request& r, const std::string& exe_raw, const std::string& inpara_raw,
                    RunCommand& out) {
    Split exe, inpara;
    if (!split_and_expand(r, exe_raw, exe) || !split_and_expand(r, inpara_raw, inpara)) return 0;
    std::string inpara_text = inpara.before + (inpara.redirected ? ">" + inpara.after : "");
    out = RunCommand();
    if (exe.redirected) {
        out.command = exe.before;
        out.redirected = true;
        out.output_file = JoinItems(exe.after + (inpara_text.empty() ? "" : " " + inpara_text));
    } else if (inpara.redirected) {
        out.command = exe.before + " " + inpara.before;
        out.redirected = true;
        out.output_file = JoinItems(inpara.after);
    } else {
        out.command = exe.before + (inpara_text.empty() ? "" : " " + inpara_text);
    }
    return 1;
}

}  // namespace kavr
