// Everything sent to the browser. Direct mode writes straight to standard
// output; buffered mode collects the text in 1023-character blocks so that
// headers a template produces late can still precede the body.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kavr {

// The statuses the system answers with besides 200.
constexpr const char* kStatusNotFound = "404 Not Found";
constexpr const char* kStatusTooLarge = "413 Payload Too Large";

class ResponseStream {
public:
    static constexpr size_t kBlockChars = 1023;

    int buffered = 0;        // 0 direct, 1 collect in blocks
    int header_written = 0;  // set once the CGI header has gone out
    // A status other than 200 ("404 Not Found"), written first by
    // write_header; set it before the header goes out.
    std::string status;

    // Appends text to the response; 1 on success.
    int write(std::string_view text);
    // "Content-type: text/html\n", plus the blank line when end_of_header;
    // "; charset=" and the name follow text/html when kavri.ini sets Charset.
    int write_header(bool end_of_header);
    int write_page_end();
    // Writes every block through write(); callers switch to direct first.
    void flush_blocks();
    void set_buffered(bool on) { buffered = on ? 1 : 0; }

    const std::vector<std::string>& blocks() const { return blocks_; }

private:
    std::vector<std::string> blocks_;
};

}  // namespace kavr
