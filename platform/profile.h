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

// Writes "key=value" into the first section of that name, replacing the
// key's first line there, or deletes every line of the key when value is
// null. A missing section is added at the end of the file, a missing key
// after the section's last key line, a missing file is created; every
// other line, comments included, stays as it was. Line breaks in the
// section, key or value are dropped, so a value cannot start lines of its
// own. The file is replaced atomically (a new file in the same directory,
// renamed over it) while concurrent writers wait. False when the section
// or key cannot be written as a line of its own (empty, "]" in a section,
// "=" in a key, a key starting with "[" or ";") or the file cannot be
// written.
bool WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                const std::string* value, const std::string& path);

// The edit of WritePrivateProfileStringA on a file's text (section, key and
// value already checked and cleaned). New lines take the line break of the
// file's first line ("\n" when it has none).
std::string EditProfileText(const std::string& text, const std::string& section,
                            const std::string& key, const std::string* value);

}  // namespace kavr::platform
