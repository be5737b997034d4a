// tagcheck: checks one template file and writes the report to standard
// output. Exit status 1 when the file was opened and scanned to its end,
// 0 when it could not be opened, its comments could not be removed or a
// "<" was left without a following token, 2 when no file was named.
#include <string>

#include "checker/template_checker.h"
#include "platform/os_path.h"
#include "platform/std_streams.h"

namespace {

void to_stdout(void*, std::string_view text) { kavr::platform::stdout_write(text); }

}  // namespace

int main(int argc, char** argv) {
    using namespace kavr;
    if (argc < 2) {
        platform::stderr_write("usage: tagcheck TEMPLATE-FILE\n");
        return 2;
    }
    TemplateChecker checker;
    checker.output.write = to_stdout;
    bool ok = checker.CheckFile(platform::from_os_path(argv[1]));
    platform::stdout_flush();
    if (checker.failure == kCheckPreScan)
        platform::stderr_write(std::string("tagcheck: ") + argv[1] +
                               ": the text ends inside an HTML comment or right after \"<\", \"<!\" or \"<!-\"\n");
    return ok ? 1 : 0;
}
