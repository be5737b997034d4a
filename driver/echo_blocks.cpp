#include "driver/echo_blocks.h"

#include <cstdio>
#include <string>
#include <vector>

#include "cgi/echo.h"
#include "driver/core/config.h"
#include "driver/core/hooks.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "platform/clock.h"

namespace kavr {

namespace {

void write_ms(ResponseStream& out, const char* label, long ms) {
    char line[256];
    snprintf(line, sizeof line, "<HR><BR><B>%s:</B><BR> %ld milliseconds<BR>\n", label, ms);
    out.write(line);
}

void echo_sql(Request& r) {
    std::vector<std::string> texts = r.sql_texts;
    if (g_hooks.query_statements) g_hooks.query_statements(r, texts);
    bool any = false;
    for (const std::string& t : texts) any = any || !t.empty();
    if (!any) return;
    r.out.write("<HR><BR><B>Query SQL Statements:</B><BR>");
    for (const std::string& t : texts) {
        if (t.empty()) continue;
        r.out.write("<PRE>");
        r.out.write(HtmlEscape(t));  // statements carry visitor input
        r.out.write("</PRE><BR>\n");
    }
}

}  // namespace

void WriteEchoBlocks(Request& r, long start_ms) {
    const Config& c = g_config;
    if (c.echo_time) write_ms(r.out, "Execution Time", platform::clock_ms() - start_ms);
    if (c.echo_time_sql) {
        write_ms(r.out, "ODBC Connection Time", r.connection_ms);
        write_ms(r.out, "SQL Execution Time", r.execution_ms);
    }
    if (c.echo_sql) echo_sql(r);
    if (c.echo_cgi || c.echo_form) {
        r.out.write("<HR><BR><B>Parameters</B><BR>\n");
        if (c.echo_cgi) EchoCgiVariables(r.out);
        if (c.echo_form) {
            EchoFormVariables(r.input, r.out);
            EchoCookies(r.input, r.out);
        }
    }
}

}  // namespace kavr
