// kavlocation URL=address: the response becomes a redirect. The row ends
// the text that holds the tag once it has succeeded.
#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "expr/variables.h"
#include "io/header_tags.h"

namespace kavr {

std::string HeaderValue(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\r' && c != '\n' && c != '\0') out += c;
    return out;
}

int KavLocation(TagCall& call) {
    Lexer& lexer = call.lexer;
    Request& r = call.request;
    WriteLog(r.thread_number, 1, "Meet KavLocation\n");
    std::string item, url;
    lexer.ReadItem(false, item);
    if (!EqualsNoCase(item, "URL")) return 0;
    lexer.ReadItem(false, item);
    if (item != "=") return 0;
    lexer.ReadItem(false, url);
    if (!ExpandAttribute(kExpandText, url, 1024, r)) return 0;
    url = HeaderValue(url);
    if (LogWanted(1)) WriteLog(r.thread_number, 1, "URL=" + url + "\n");
    lexer.ReadItem(false, item);  // the ">"
    r.pending_location = "Location:" + url + "\n\n";
    return 1;
}

void RegisterHeaderTags() {
    RegisterTag("kavlocation", KavLocation, kTagTextMode | kTagEndsText);
    RegisterTag("kavcookie", KavCookie);
}

}  // namespace kavr
