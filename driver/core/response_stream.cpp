#include "driver/core/response_stream.h"

#include "driver/core/config.h"
#include "platform/std_streams.h"

namespace kavr {

int ResponseStream::write(std::string_view text) {
    if (!buffered) {
        platform::stdout_write(text);
        return 1;
    }
    while (!text.empty()) {
        if (blocks_.empty() || blocks_.back().size() >= kBlockChars) {
            blocks_.emplace_back();
            blocks_.back().reserve(kBlockChars);
        }
        std::string& last = blocks_.back();
        size_t room = kBlockChars - last.size();
        size_t n = text.size() < room ? text.size() : room;
        last.append(text.data(), n);
        text.remove_prefix(n);
    }
    return 1;
}

int ResponseStream::write_header(bool end_of_header) {
    std::string header = status.empty() ? std::string() : "Status: " + status + "\n";
    header += "Content-type: text/html";
    if (g_config.charset) header += "; charset=" + *g_config.charset;
    header += end_of_header ? "\n\n" : "\n";
    return write(header);
}

int ResponseStream::write_page_end() { return write("</HTML>"); }

void ResponseStream::flush_blocks() {
    for (const std::string& b : blocks_) write(b);
}

}  // namespace kavr
