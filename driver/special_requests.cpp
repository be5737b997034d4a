#include "driver/special_requests.h"

#include "driver/core/config.h"
#include "driver/core/log.h"
#include "driver/core/program_dir.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "driver/core/version.h"
#include "expr/lexer.h"
#include "platform/os_path.h"
#include "platform/profile.h"

namespace kavr {

namespace {

constexpr size_t kKeySize = 1024;

void superuser(Request& r, const std::string& password) {
    ResponseStream& out = r.out;
    std::string path = ConfigFilePath();
    std::string admin = platform::GetPrivateProfileStringA("Admin", "AdminPassword", "", kKeySize, path);
    out.write_header(true);
    if (admin.empty() || EqualsNoCase(admin, password)) {
        std::string version = platform::GetPrivateProfileStringA("Main", "Version", "", kKeySize, path);
        out.write("<B>");
        out.write(version.empty() ? "Version=2.01" : version);
        out.write("<BR>");
        out.write("<BR></B>");
    } else {
        out.write("<B>Warning: You enter the wrong superuser's password<BR>Use the correct password "
                  "to invoke this function</B><BR>");
    }
    out.write_page_end();
}


}  // namespace

void DisplayInfo(Request& r) {
    WriteLog(r.thread_number, 1, "Call display_info\n");
    ResponseStream& out = r.out;
    out.write_header(true);
    out.write("<HTML><HEAD><TITLE>");
    out.write(kProductName);
    out.write(" information</TITLE></HEAD>\n<BODY>\n<H1>");
    out.write(kProductName);
    out.write(" ");
    out.write(kProductVersion);
    out.write("</H1>\n<P>");
    out.write(kProductName);
    out.write(" is a server-side template engine for database-backed web sites. The web server "
              "starts it once per request; it decodes the request, checks the form, runs the "
              "template that the request names and sends the page back.</P>\n");
    out.write("<P>Name a template with the <TT>template</TT> value, for example <TT>?template=");
    out.write("/shop/list</TT>.</P>\n<TABLE BORDER>\n<TR><TD>Version</TD><TD>");
    out.write(kProductVersion);
    out.write("</TD></TR>\n<TR><TD>Compile</TD><TD>");
    out.write(kCompileNumber);
    out.write("</TD></TR>\n<TR><TD>Released</TD><TD>");
    out.write(kReleaseDate);
    out.write("</TD></TR>\n<TR><TD>Operating system</TD><TD>");
    out.write(kOperatingSystem);
    out.write("</TD></TR>\n<TR><TD>Configuration</TD><TD>");
    out.write(HtmlEscape(platform::to_os_path(ConfigFilePath())));
    out.write("</TD></TR>\n<TR><TD>Message catalog</TD><TD>");
    out.write(HtmlEscape(platform::to_os_path(ProgramDirectory() + "\\kavr_msg.ini")));
    out.write("</TD></TR>\n</TABLE>\n</BODY>\n");
    out.write_page_end();
}

bool HandleSpecialRequest(Request& r) {
    if (!r.template_path) {
        DisplayInfo(r);
        return true;
    }
    Lexer lex(*r.template_path, -1);
    std::string tok, prev;
    for (int cls = lex.NextToken(tok); cls != kTokEnd; prev = tok, cls = lex.NextToken(tok)) {
        if (EqualsNoCase(tok, "superuser")) {
            std::string between, password;
            if (lex.NextToken(between) != kTokEnd && lex.NextToken(password) != kTokEnd) {
                superuser(r, password);
                return true;
            }
            return false;
        }
        if (prev == "?" && EqualsNoCase(tok, "info") && lex.whitespace().empty()) {
            DisplayInfo(r);
            return true;
        }
    }
    return false;
}

}  // namespace kavr
