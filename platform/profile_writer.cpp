// Writing profile files: a line-preserving edit of the text, and an atomic
// replacement of the file under an exclusive lock.
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/os_path.h"
#include "platform/profile.h"

namespace kavr::platform {

namespace {

struct Line {
    std::string text;  // without its line break
    std::string eol;   // "\n", "\r\n" or "" for a last line without one
};

std::vector<Line> split_lines(const std::string& text) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        Line l;
        if (nl == std::string::npos) {
            l.text = text.substr(pos);
            pos = text.size();
        } else {
            size_t end = nl;
            l.eol = "\n";
            if (end > pos && text[end - 1] == '\r') {
                --end;
                l.eol = "\r\n";
            }
            l.text = text.substr(pos, end - pos);
            pos = nl + 1;
        }
        lines.push_back(std::move(l));
    }
    return lines;
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The same trimming as the reader's.
std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

bool is_header(const std::string& trimmed) { return !trimmed.empty() && trimmed[0] == '['; }

std::string header_name(const std::string& trimmed) {
    size_t close = trimmed.find(']');
    return lower(trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
}

// The lower-case key of a key line, or "" for any other line.
std::string line_key(const std::string& trimmed) {
    if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '[') return "";
    size_t eq = trimmed.find('=');
    if (eq == std::string::npos) return "";
    return lower(trim(trimmed.substr(0, eq)));
}

std::string join(const std::vector<Line>& lines) {
    std::string out;
    for (const Line& l : lines) out += l.text + l.eol;
    return out;
}

std::string drop_line_breaks(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != '\r' && c != '\n') out += c;
    return out;
}

bool read_fd(int fd, std::string& out) {
    out.clear();
    char buf[8192];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        out.append(buf, static_cast<size_t>(n));
    }
}

bool write_fd(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Writes text to a new file beside target and renames it over target.
bool replace_file(const std::string& target, const std::string& text, mode_t mode) {
    size_t slash = target.find_last_of('/');
    std::string dir = slash == std::string::npos ? "." : target.substr(0, slash);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = dir + "/." + base + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = write_fd(fd, text) && fchmod(fd, mode & 07777) == 0 && fsync(fd) == 0;
    if (close(fd) != 0) ok = false;
    if (ok && rename(name.data(), target.c_str()) == 0) return true;
    unlink(name.data());
    return false;
}

}  // namespace

std::string EditProfileText(const std::string& text, const std::string& section,
                            const std::string& key, const std::string* value) {
    std::vector<Line> lines = split_lines(text);
    std::string eol = !lines.empty() && !lines[0].eol.empty() ? lines[0].eol : "\n";
    const std::string want_section = lower(trim(section)), want_key = lower(trim(key));

    size_t header = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string t = trim(lines[i].text);
        if (t.empty() || t[0] == ';') continue;
        if (is_header(t) && header_name(t) == want_section) {
            header = i;
            break;
        }
    }
    if (header == lines.size()) {
        if (!value) return text;
        if (!lines.empty() && lines.back().eol.empty()) lines.back().eol = eol;
        lines.push_back({"[" + section + "]", eol});
        lines.push_back({key + "=" + *value, eol});
        return join(lines);
    }

    size_t end = header + 1;
    while (end < lines.size() && !is_header(trim(lines[end].text))) ++end;

    if (!value) {
        std::vector<Line> kept(lines.begin(), lines.begin() + static_cast<long>(header) + 1);
        for (size_t i = header + 1; i < end; ++i)
            if (line_key(trim(lines[i].text)) != want_key) kept.push_back(lines[i]);
        kept.insert(kept.end(), lines.begin() + static_cast<long>(end), lines.end());
        return join(kept);
    }

    size_t last_key_line = header;
    for (size_t i = header + 1; i < end; ++i) {
        std::string k = line_key(trim(lines[i].text));
        if (k.empty()) continue;
        if (k == want_key) {
            lines[i].text = key + "=" + *value;
            return join(lines);
        }
        last_key_line = i;
    }
    if (lines[last_key_line].eol.empty()) lines[last_key_line].eol = eol;
    Line added{key + "=" + *value, eol};
    lines.insert(lines.begin() + static_cast<long>(last_key_line) + 1, added);
    return join(lines);
}

bool WritePrivateProfileStringA(const std::string& section_in, const std::string& key_in,
                                const std::string* value_in, const std::string& path) {
    std::string section = drop_line_breaks(section_in), key = drop_line_breaks(key_in);
    std::string tsection = trim(section), tkey = trim(key);
    if (tsection.empty() || tsection.find(']') != std::string::npos) return false;
    if (tkey.empty() || tkey.find('=') != std::string::npos || tkey[0] == '[' || tkey[0] == ';')
        return false;
    std::string value;
    if (value_in) value = drop_line_breaks(*value_in);

    std::string os = to_os_path(path);
    if (os.empty()) return false;
    // A link is followed, so that the file it names is the one replaced.
    if (char* real = realpath(os.c_str(), nullptr)) {
        os = real;
        free(real);
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = open(os.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
        if (fd < 0) return false;
        struct stat held, now;
        if (fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            close(fd);
            return false;
        }
        int rc;
        do {
            rc = flock(fd, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        // Another writer may have replaced the file while this one waited:
        // then the lock is on a file that is gone, and the new one is tried.
        if (rc != 0 || stat(os.c_str(), &now) != 0 || now.st_ino != held.st_ino ||
            now.st_dev != held.st_dev) {
            close(fd);
            continue;
        }
        std::string text;
        bool ok = read_fd(fd, text);
        if (ok) {
            std::string edited = EditProfileText(text, section, key, value_in ? &value : nullptr);
            ok = edited == text || replace_file(os, edited, now.st_mode);
        }
        close(fd);
        return ok;
    }
    return false;
}

}  // namespace kavr::platform
