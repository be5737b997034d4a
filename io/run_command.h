// The command line of kavrun: the exe and inpara attributes joined, cut
// at a ">" into the command and the name of the file for its output.
#pragma once
#include <string>
#include <string_view>

namespace kavr {

struct Request;

struct RunCommand {
    std::string command;      // program and arguments
    bool redirected = false;  // a ">" followed them
    std::string output_file;  // the items after the ">", joined
};

// Position of the first ">" outside "#...#" references, or npos.
size_t FindRedirect(std::string_view raw);

// The items of a text joined without separators: blanks outside double
// quotes are dropped, and so are the quotes.
std::string JoinItems(std::string_view text);

// Builds the command from the attributes as written: exe, then one blank
// and inpara when inpara is not empty. Each side of a ">" is substituted
// on its own, so only a ">" written in the template redirects; one that
// a substituted value brings stays part of the arguments. 0 when a
// substitution fails.
int BuildRunCommand(Request& request, const std::string& exe_raw, const std::string& inpara_raw,
                    RunCommand& out);

}  // namespace kavr
