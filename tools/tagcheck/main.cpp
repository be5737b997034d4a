// tagcheck: checks template files and writes the report to standard output.
//
// Called with one file and no option, it writes the plain report (each
// problem after the echo of its line) and exits with 1 when the file was
// opened and scanned to its end, 0 when it could not be opened, its
// comments could not be removed or a "<" was left without a following
// token; further arguments are then ignored. With any option every
// argument names a file, and the report can be laid out one problem per
// line or as JSON, with an exit status that make and CI can use.
#include <string>
#include <string_view>
#include <vector>

#include "checker/template_checker.h"
#include "platform/os_path.h"
#include "platform/std_streams.h"

namespace {

using kavr::CheckMessage;
namespace platform = kavr::platform;

constexpr const char* kUsage = "usage: tagcheck [--strict] [--format=report|lines|json] FILE...\n";

constexpr const char* kHelp =
    "usage: tagcheck [OPTION]... FILE...\n"
    "\n"
    "Checks the syntax of kavr templates without running them and reports\n"
    "every problem found: tags whose attributes are malformed, block tags\n"
    "that are not closed, function names the engine does not know and\n"
    "references that do not parse. The files are read as the engine reads\n"
    "them (HTML comments removed); line numbers are those of the file.\n"
    "\n"
    "Called with one file and no option, tagcheck writes the plain report\n"
    "and exits with 1 when the file was scanned to its end and 0 when it\n"
    "could not be opened, ended inside an HTML comment, or ended with a \"<\";\n"
    "further arguments are then ignored. With any option, every argument\n"
    "that is not an option names a file to check, in the order given.\n"
    "\n"
    "Options:\n"
    "  --strict\n"
    "      Exit with 0 when no file has a problem, 1 when a problem was\n"
    "      found, and 2 when a file could not be read (this wins over 1).\n"
    "      Without it the exit status is 1 when every file was scanned to\n"
    "      its end and 0 otherwise, as for one file.\n"
    "  --format=report\n"
    "      The plain report (the default): before the problems of a line,\n"
    "      that line's text; each message starts with its line number where\n"
    "      its wording has one. With several files, the report of each file\n"
    "      that has problems starts with a line \"==> FILE <==\".\n"
    "  --format=lines\n"
    "      One problem per line, as FILE:LINE: MESSAGE, the form that\n"
    "      editors and CI annotations read. A problem of the file as a whole\n"
    "      (it cannot be opened) is written FILE: MESSAGE. A block tag or a\n"
    "      quoted text that is not closed is followed by a second line\n"
    "      FILE:LINE: note: ... that points at where it opened.\n"
    "  --format=json\n"
    "      One JSON array of objects, one per problem, with the members\n"
    "      \"file\", \"line\" (0 for the file as a whole), \"severity\"\n"
    "      (\"error\", or \"note\" for where an unclosed construct opened),\n"
    "      \"message\" and \"text\" (the text of that line). Texts that are\n"
    "      not UTF-8 are read as Latin-1.\n"
    "  --help\n"
    "      Writes this text and exits with 0.\n"
    "  --\n"
    "      Ends the options: every argument after it names a file.\n"
    "\n"
    "Example, in a Makefile or a CI step:\n"
    "  tagcheck --strict --format=lines templates/*.kvl\n"
    "\n"
    "Exit status with --strict: 0 clean, 1 problems found, 2 a file could not\n"
    "be read. A usage error exits with 2.\n";

enum Format { kReport, kLines, kJson };

struct Options {
    bool any = false;  // an option was given: every argument is a file
    bool strict = false;
    bool help = false;
    Format format = kReport;
    std::vector<std::string> files;
};

// False, with the reason on standard error, for a usage error.
bool parse(int argc, char** argv, Options& o) {
    bool files_only = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (files_only || a.size() < 2 || a[0] != '-') {
            o.files.push_back(a);
            continue;
        }
        o.any = true;
        std::string value;
        if (a == "--") {
            files_only = true;
        } else if (a == "--strict") {
            o.strict = true;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a.rfind("--format", 0) == 0 && (a.size() == 8 || a[8] == '=')) {
            if (a.size() > 8) {
                value = a.substr(9);
            } else if (i + 1 < argc) {
                value = argv[++i];
            }
            if (value == "report") {
                o.format = kReport;
            } else if (value == "lines") {
                o.format = kLines;
            } else if (value == "json") {
                o.format = kJson;
            } else {
                platform::stderr_write("tagcheck: unknown format \"" + value + "\" (report, lines or json)\n");
                return false;
            }
        } else {
            platform::stderr_write("tagcheck: unknown option " + a + "\n");
            return false;
        }
    }
    return true;
}

void out(std::string_view text) { platform::stdout_write(text); }

// A JSON string: UTF-8 sequences pass, other bytes are read as Latin-1.
std::string json_string(std::string_view s) {
    std::string r = "\"";
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '"' || c == '\\') {
            r += '\\';
            r += static_cast<char>(c);
        } else if (c == '\n') {
            r += "\\n";
        } else if (c == '\t') {
            r += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            static const char kHex[] = "0123456789abcdef";
            r += "\\u00";
            r += kHex[c >> 4];
            r += kHex[c & 15];
        } else if (c < 0x80) {
            r += static_cast<char>(c);
        } else {
            size_t n = (c >= 0xc2 && c <= 0xdf) ? 1 : (c >= 0xe0 && c <= 0xef) ? 2 : (c >= 0xf0 && c <= 0xf4) ? 3 : 0;
            bool valid = n > 0 && i + n < s.size();
            for (size_t k = 1; valid && k <= n; ++k)
                valid = i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xc0) == 0x80;
            if (valid) {
                r.append(s.substr(i, n + 1));
                i += n;
            } else {
                r += static_cast<char>(0xc0 | (c >> 6));
                r += static_cast<char>(0x80 | (c & 0x3f));
            }
        }
    }
    return r + "\"";
}

// What the messages of one file are written with.
struct FileReport {
    const Options* options;
    std::string file;
    bool several = false;     // more than one file in the run
    bool introduced = false;  // the "==> FILE <==" line is out
    bool* first_json = nullptr;
};

void report_write(void* context, std::string_view text) {
    auto* f = static_cast<FileReport*>(context);
    if (f->several && !f->introduced) {
        out("==> " + f->file + " <==\n");
        f->introduced = true;
    }
    out(text);
}

void report_message(void* context, const CheckMessage& m) {
    auto* f = static_cast<FileReport*>(context);
    if (f->options->format == kLines) {
        std::string line = f->file + ":";
        if (m.line > 0) line += std::to_string(m.line) + ":";
        line += " ";
        line.append(m.body);
        out(line + "\n");
        return;
    }
    std::string obj = *f->first_json ? "\n" : ",\n";
    *f->first_json = false;
    obj += "{\"file\": " + json_string(f->file) + ", \"line\": " + std::to_string(m.line) +
           ", \"severity\": " + (m.note ? "\"note\"" : "\"error\"") + ", \"message\": " + json_string(m.body) +
           ", \"text\": " + json_string(m.line_text) + "}";
    out(obj);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kavr;
    Options o;
    if (!parse(argc, argv, o)) {
        platform::stderr_write(kUsage);
        return 2;
    }
    if (o.help) {
        out(kHelp);
        platform::stdout_flush();
        return 0;
    }
    if (o.files.empty()) {
        platform::stderr_write(kUsage);
        return 2;
    }
    // Called the plain way only the first file counts.
    if (!o.any) o.files.resize(1);

    bool first_json = true;
    if (o.format == kJson) out("[");
    bool all_scanned = true, problems = false, unreadable = false;
    for (const std::string& file : o.files) {
        FileReport report{&o, file, o.files.size() > 1, false, &first_json};
        TemplateChecker checker;
        checker.output.context = &report;
        if (o.format == kReport)
            checker.output.write = report_write;
        else
            checker.output.message = report_message;
        bool ok = checker.CheckFile(platform::from_os_path(file));
        if (checker.failure == kCheckPreScan && o.format == kReport)
            platform::stderr_write("tagcheck: " + file +
                                   ": the text ends inside an HTML comment or right after \"<\", \"<!\" or \"<!-\"\n");
        all_scanned = all_scanned && ok;
        problems = problems || checker.problems > 0;
        unreadable = unreadable || checker.failure == kCheckOpenFailed;
    }
    if (o.format == kJson) out(first_json ? "]\n" : "\n]\n");
    platform::stdout_flush();
    if (o.strict) return unreadable ? 2 : problems ? 1 : 0;
    return all_scanned ? 1 : 0;
}
