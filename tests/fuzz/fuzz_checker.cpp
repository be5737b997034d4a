// The template syntax checker over any text, with its report collected
// and laid-out messages checked against the text they point into.
#include "checker/template_checker.h"
#include "tests/fuzz/fuzz_site.h"

using namespace kavr;

namespace {

struct Collected {
    std::string report;
    std::string_view text;
};

void collect(void* context, std::string_view piece) {
    static_cast<Collected*>(context)->report.append(piece.data(), piece.size());
}

void check_message(void* context, const CheckMessage& m) {
    const Collected& c = *static_cast<Collected*>(context);
    if (m.line < 0) abort();
    // A message's line text is a piece of the checked text.
    if (!m.line_text.empty() &&
        (m.line_text.data() < c.text.data() ||
         m.line_text.data() + m.line_text.size() > c.text.data() + c.text.size()))
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(fuzz::AsText(data, size));
    {
        Collected c{"", text};
        TemplateChecker plain;
        plain.output.write = collect;
        plain.output.context = &c;
        plain.CheckText(text);
        if (plain.problems < 0) abort();
    }
    {
        Collected c{"", text};
        TemplateChecker laid_out;
        laid_out.report_header_tags = true;
        laid_out.output.message = check_message;
        laid_out.output.context = &c;
        laid_out.file_text = text;
        laid_out.CheckText(text);
    }
    return 0;
}
