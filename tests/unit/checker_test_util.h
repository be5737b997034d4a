// Runs the template checker over a text and collects its report.
#pragma once
#include <string>
#include <string_view>

#include "checker/template_checker.h"

namespace kavr::test {

struct CheckReport {
    bool ok = false;
    std::string text;
};

inline void append_report(void* context, std::string_view text) { static_cast<std::string*>(context)->append(text); }

inline CheckReport check_text(std::string_view text, bool report_header_tags = false) {
    CheckReport r;
    TemplateChecker checker;
    checker.output.write = append_report;
    checker.output.context = &r.text;
    checker.report_header_tags = report_header_tags;
    r.ok = checker.CheckText(text);
    return r;
}

}  // namespace kavr::test
