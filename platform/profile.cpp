#include "platform/profile.h"

#include "platform/file.h"

namespace kavr::platform {

static std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

static std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

bool ProfileFile::load(const std::string& path) {
    sections_.clear();
    std::string text;
    if (!read_whole_file(path, text)) return false;
    parse(text);
    return true;
}

void ProfileFile::parse(const std::string& text) {
    sections_.clear();
    std::unordered_map<std::string, std::string>* current = nullptr;
    bool current_is_first = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) eol = text.size();
        std::string line = trim(text.substr(pos, eol - pos));
        pos = eol + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            std::string name = lower(trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
            // A repeated section header adds nothing: the first one wins.
            current_is_first = sections_.find(name) == sections_.end();
            current = &sections_[name];
            continue;
        }
        if (!current || !current_is_first) continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = lower(trim(line.substr(0, eq)));
        current->emplace(key, trim(line.substr(eq + 1)));
    }
}

const std::string* ProfileFile::find(const std::string& section, const std::string& key) const {
    auto s = sections_.find(lower(section));
    if (s == sections_.end()) return nullptr;
    auto k = s->second.find(lower(key));
    return k == s->second.end() ? nullptr : &k->second;
}

std::string ProfileFile::get(const std::string& section, const std::string& key,
                             const std::string& def, size_t size) const {
    const std::string* v = find(section, key);
    std::string out = v ? *v : def;
    if (size == 0) return std::string();
    if (out.size() > size - 1) out.resize(size - 1);
    return out;
}

std::string GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                     const std::string& def, size_t size,
                                     const std::string& path) {
    ProfileFile f;
    f.load(path);
    return f.get(section, key, def, size);
}

}  // namespace kavr::platform
