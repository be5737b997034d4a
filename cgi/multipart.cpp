#include "cgi/multipart.h"

#include <vector>

#include "cgi/temp_file_name.h"
#include "driver/core/charset.h"
#include "driver/core/config.h"
#include "platform/file.h"

namespace kavr {

const char* const kBodyCutShort = "body ended before CONTENT_LENGTH bytes had come";

namespace {

class FileSink : public ContentSink {
public:
    explicit FileSink(platform::File& file) : file_(file) {}
    int Append(std::string_view bytes) override { return file_.write(bytes) ? 1 : 0; }

private:
    platform::File& file_;
};

class TextSink : public ContentSink {
public:
    explicit TextSink(std::string& text) : text_(text) {}
    int Append(std::string_view bytes) override {
        text_.append(bytes.data(), bytes.size());
        return 1;
    }

private:
    std::string& text_;
};

bool starts_with(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

bool is_blank_line(std::string_view line) { return line == "\n" || line == "\r\n"; }

// One line, line end included, of which at most kMaxLinePiece characters
// are kept; the rest of a longer line is read and dropped, so that it can
// never be taken for a line of its own. 0 at end of input.
int read_line(ByteSource& in, std::string& line) {
    line.clear();
    bool any = false;
    for (int c; (c = in.Get()) != -1;) {
        any = true;
        if (line.size() < kMaxLinePiece) line += static_cast<char>(c);
        if (c == '\n') break;
    }
    return any ? 1 : 0;
}

bool param_name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '_';
}

// Where the value of the parameter key (e.g. "name=") starts, or npos. The
// key must stand as a parameter of its own, so "name=" is not found inside
// "filename=".
size_t find_param(std::string_view line, std::string_view key) {
    for (size_t from = 0;;) {
        size_t at = line.find(key, from);
        if (at == std::string_view::npos) return at;
        if (at == 0 || !param_name_char(line[at - 1])) return at + key.size();
        from = at + 1;
    }
}

// A quoted value runs to its closing quote (or the line end when it has
// none); an unquoted one to ";" or the line end. Cut to kMaxPartHeaderName.
std::string param_value(std::string_view line, size_t at) {
    std::string_view rest = line.substr(at);
    std::string_view value;
    if (!rest.empty() && rest[0] == '"') {
        rest.remove_prefix(1);
        size_t close = rest.find('"');
        if (close == std::string_view::npos) close = rest.find_first_of("\r\n");
        value = rest.substr(0, close);
    } else {
        value = rest.substr(0, rest.find_first_of(";\r\n"));
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
            value.remove_suffix(1);
    }
    return std::string(CutView(value, kMaxPartHeaderName));
}

struct MultipartDecoder {
    RequestTables& t;
    ByteSource& in;
    std::string& why;

    std::string outer, outer_end;  // "--" boundary, and that plus "--"
    std::string inner, inner_end;  // the same for a nested multipart/mixed part
    std::string field_name, file_name;
    bool field_pending = false, file_pending = false, part_just_read = false;
    std::vector<std::string> made_files;  // removed again if decoding fails

    // A body cut short is the cause of whatever else went wrong.
    int fail(const char* reason) {
        why = in.CutShort() ? kBodyCutShort : reason;
        return 0;
    }

    int disposition(const std::string& line) {
        if (contains(line, "form-data;")) {
            size_t name_at = find_param(line, "name=");
            if (name_at == std::string::npos) return fail("part header without name=");
            field_name = param_value(line, name_at);
            size_t file_at = find_param(line, "filename=");
            if (file_at != std::string::npos) file_name = param_value(line, file_at);
            file_pending = file_at != std::string::npos;
            field_pending = !file_pending;
            return 1;
        }
        if (contains(line, "attachment;")) {
            size_t file_at = find_param(line, "filename=");
            if (file_at == std::string::npos) return fail("attachment without filename=");
            file_name = param_value(line, file_at);
            file_pending = true;
            field_pending = false;
            return 1;
        }
        return fail("part header is neither form-data nor attachment");
    }

    // A part that holds a nested multipart body: its own content is the
    // nested parts, never a field value or a file.
    int nested_boundary(const std::string& line) {
        std::string boundary;
        if (!ExtractBoundary(std::string_view(line).substr(line.find("oundary=") + 8), boundary))
            return fail("unusable nested boundary");
        inner = "--" + boundary;
        inner_end = inner + "--";
        field_pending = file_pending = false;
        return 1;
    }

    int read_file(const std::string& delimiter) {
        if (t.uploads.size() >= RequestTables::kMaxUploads) return fail("more than 64 uploads");
        std::string physical, logical;
        if (!MakeUploadTempName(physical, logical)) return fail("no temporary file for an upload");
        made_files.push_back(physical);
        // The file was made empty; opened without truncating it, it is not
        // forced to disk when it is closed (as a truncated file would be).
        platform::File file(physical, "r+b");
        if (!file.is_open()) return fail("cannot open the upload's temporary file");
        FileSink sink(file);
        uint64_t bytes = 0;
        int complete = ReadPartContent(in, delimiter, sink, bytes);
        bool flushed = file.flush();
        file.close();
        if (!complete) return fail("body ended inside a file part, or the file could not be written");
        if (!flushed) return fail("the upload's temporary file could not be written");
        t.uploads.push_back(UploadEntry{field_name, file_name, logical});
        t.upload_files.add(physical, g_config.keep_uploads != 0);
        return 1;
    }

    int read_field(const std::string& delimiter) {
        if (t.vars.size() >= RequestTables::kMaxVars) return fail("more than 512 variables");
        std::string value;
        TextSink sink(value);
        uint64_t bytes = 0;
        if (!ReadPartContent(in, delimiter, sink, bytes)) return fail("body ended inside a field part");
        t.vars.push_back(NameValue{field_name, std::move(value)});
        return 1;
    }

    int run(const std::string& boundary) {
        outer = "--" + boundary;
        outer_end = outer + "--";
        std::string line;
        while (read_line(in, line)) {
            if (starts_with(line, "Content-Disposition:")) {
                if (!disposition(line)) return 0;
            } else if (starts_with(line, "Content-Type:")) {
                if (contains(line, "oundary=") && !nested_boundary(line)) return 0;
            } else if (starts_with(line, "Content-Transfer-Encoding")) {
                // the content is taken as it arrives
            } else if (part_just_read && starts_with(line, "--")) {
                // The rest of an end marker whose delimiter the content consumed.
                if (inner.empty()) return 1;
                inner.clear();
                inner_end.clear();
                part_just_read = false;
            } else if (!inner.empty() && starts_with(line, inner)) {
                field_pending = file_pending = false;
                if (starts_with(line, inner_end)) {
                    inner.clear();
                    inner_end.clear();
                }
            } else if (starts_with(line, outer)) {
                field_pending = file_pending = false;
                if (starts_with(line, outer_end)) return 1;
            } else if (file_pending || field_pending) {
                // Only the empty line ends a part's headers; any header
                // this decoder does not use is passed over.
                if (!is_blank_line(line)) continue;
                const std::string& delimiter = inner.empty() ? outer : inner;
                if (file_pending ? !read_file(delimiter) : !read_field(delimiter)) return 0;
                field_pending = file_pending = false;
                part_just_read = true;
            } else {
                part_just_read = false;
            }
        }
        return in.CutShort() ? fail(kBodyCutShort) : 1;
    }
};

}  // namespace

int ReadPartContent(ByteSource& in, std::string_view delimiter, ContentSink& sink,
                    uint64_t& bytes) {
    std::string pattern = "\r\n";
    pattern.append(delimiter.data(), delimiter.size());
    // Content goes to the sink in large blocks (a file: few large writes).
    constexpr size_t kBlock = ByteSource::kChunk;
    std::string out;
    out.reserve(kBlock);
    bool ok = true;
    bytes = 0;
    auto flush = [&] {
        if (!out.empty() && ok) ok = sink.Append(out) == 1;
        bytes += out.size();
        out.clear();
    };
    auto put = [&](std::string_view run) {
        // A large run goes as it is, without a copy.
        if (out.empty() && run.size() >= kBlock / 4) {
            if (ok) ok = sink.Append(run) == 1;
            bytes += run.size();
            return;
        }
        while (!run.empty()) {
            size_t n = run.size() < kBlock - out.size() ? run.size() : kBlock - out.size();
            out.append(run.data(), n);
            run.remove_prefix(n);
            if (out.size() == kBlock) flush();
        }
    };
    // The pattern's only carriage return is its first byte (boundaries hold
    // no line-end characters), so a failed match can only restart at the
    // byte that broke it.
    size_t matched = 0;
    for (;;) {
        if (!ok) return 0;
        if (matched == 0) {
            // Bytes before a carriage return cannot start the delimiter,
            // and a carriage return that the whole pattern does not follow
            // is content too: all that goes to the sink as one run, up to
            // the delimiter or to a carriage return too near the end of
            // what has come to be told yet (that one is read byte by byte).
            std::string_view run = in.Buffered();
            size_t take = run.size();
            bool found = false;
            for (size_t at = 0;; ++at) {
                at = run.find('\r', at);
                if (at == std::string_view::npos) break;
                if (run.size() - at < pattern.size()) {
                    take = at;
                    break;
                }
                if (run[at + 1] == '\n' && run.compare(at, pattern.size(), pattern) == 0) {
                    take = at;
                    found = true;
                    break;
                }
            }
            put(run.substr(0, take));
            in.Skip(take);
            if (found) {
                in.Skip(pattern.size());
                flush();
                return ok ? 1 : 0;
            }
            if (take > 0) continue;
        }
        int c = in.Get();
        if (c == -1) {
            put(std::string_view(pattern).substr(0, matched));
            flush();
            return 0;
        }
        if (static_cast<char>(c) == pattern[matched]) {
            if (++matched == pattern.size()) {
                flush();
                return ok ? 1 : 0;
            }
            continue;
        }
        put(std::string_view(pattern).substr(0, matched));
        if (c == '\r') {
            matched = 1;
        } else {
            const char byte = static_cast<char>(c);
            put(std::string_view(&byte, 1));
            matched = 0;
        }
    }
}

int ExtractBoundary(std::string_view after_key, std::string& boundary) {
    std::string_view value;
    if (!after_key.empty() && after_key[0] == '"') {
        after_key.remove_prefix(1);
        value = after_key.substr(0, after_key.find('"'));
    } else {
        value = after_key.substr(0, after_key.find(';'));
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t' ||
                                  value.back() == '\r' || value.back() == '\n'))
            value.remove_suffix(1);
    }
    if (value.empty() || value.size() > kMaxBoundary) return 0;
    for (char c : value)
        if (static_cast<unsigned char>(c) < 32 || c == 127) return 0;
    boundary.assign(value.data(), value.size());
    return 1;
}

int DecodeMultipart(RequestTables& t, ByteSource& in, const std::string& boundary,
                    std::string& why) {
    MultipartDecoder decoder{t, in, why, {}, {}, {}, {}, {}, {}, false, false, false, {}};
    int ok = decoder.run(boundary);
    if (!ok)
        for (const std::string& path : decoder.made_files) platform::delete_file(path);
    return ok;
}

}  // namespace kavr
