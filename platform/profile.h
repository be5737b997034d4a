// Profile (ini) files: "[Section]" headers and "key=value" lines.
//
// Sections and keys compare without regard to case; the first occurrence of
// a section and of a key in it wins; blanks around keys and values are
// trimmed; lines starting with ";" are comments. A missing file, section or
// key reads as the default.
#pragma once
#include <cstddef>
#include <string>
#include <unordered_map>

namespace kavr::platform {

// A profile file parsed once, for callers that read many keys.
class ProfileFile {
public:
    // False when the file cannot be read; the object then holds no keys.
    bool load(const std::string& path);
    void parse(const std::string& text);

    // The value, or nullptr when section or key is absent.
    const std::string* find(const std::string& section, const std::string& key) const;

    // As the profile reader: value (or default) cut to size - 1 characters.
    std::string get(const std::string& section, const std::string& key, const std::string& def,
                    size_t size) const;

private:
    std::unordered_map<std::string, std::unordered_map<std::string, std::string>> sections_;
};

// Reads one key straight from the file, every call afresh.
std::string GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                     const std::string& def, size_t size,
                                     const std::string& path);

}  // namespace kavr::platform
