#include "checker/template_checker.h"

#include "checker/check_prescan.h"
#include "checker/check_scan.h"
#include "platform/file.h"

namespace kavr {

bool TemplateChecker::CheckFile(const std::string& path) {
    std::string raw;
    if (platform::is_directory(path) || !platform::read_whole_file(path, raw)) {
        failure = kCheckOpenFailed;
        Write("Error: Open Template Failed\n");
        return false;
    }
    std::string text;
    if (!PreScanForCheck(raw, text)) {
        failure = kCheckPreScan;
        return false;
    }
    if (max_text && text.size() > max_text) {
        failure = kCheckTooLong;
        return false;
    }
    return CheckText(text);
}

bool TemplateChecker::CheckText(std::string_view text) {
    CheckScan scan(*this, text);
    bool ok = scan.Run();
    failure = ok ? kCheckPassed : kCheckDanglingLt;
    return ok;
}

}  // namespace kavr
