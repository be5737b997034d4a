#include "driver/pass_through.h"

#include "driver/core/config.h"
#include "driver/core/request.h"
#include "expr/lexer.h"
#include "platform/file.h"
#include "template/template_path.h"

namespace kavr {

bool PassThroughFile(Request& r, const std::string& path) {
    platform::File f;
    if (!f.open(path, "rb")) return false;
    // Written as bytes, so images and other binary files survive the copy.
    char buf[1023];
    size_t n;
    while ((n = f.read(buf, sizeof buf)) > 0) r.out.write(std::string_view(buf, n));
    return true;
}

namespace {

constexpr const char* kSuccessSentence =
    "<B>What you submitted has been executed successfully</B><BR>";

}  // namespace

void ShowNextPage(Request& r) {
    if (!r.nextpage || r.nextpage->empty()) {
        r.out.write(kSuccessSentence);
        return;
    }
    // The next page is named by the form: a file inside a template
    // directory, or a template value under the rules of a requested
    // template. Anything else is treated as a file that does not open.
    std::string path;
    if (InsideTemplateDirectory(*r.nextpage)) {
        path = NormalizeConfigPath(*r.nextpage);
    } else {
        ResolvedTemplate page = ResolveTemplatePath(r, *r.nextpage);
        if (page.refused) {
            LogTemplateRefusal(r, page);
            return;
        }
        path = page.path;
    }
    platform::File f;
    if (!f.open(path, "r")) return;
    // Copied token by token with the white space before each token, so the
    // lexer's limits apply, but nothing is interpreted.
    Lexer lex(f, -1);
    std::string tok;
    while (lex.NextToken(tok) != kTokEnd) {
        r.out.write(lex.whitespace());
        r.out.write(tok);
    }
}

}  // namespace kavr
