#include "mail/spool_format.h"

#include "platform/file.h"

namespace kavr {

std::string EncodeSpoolRecord(std::string_view value) {
    uint32_t n = static_cast<uint32_t>(value.size());
    std::string out;
    out.reserve(4 + value.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
    out.append(value);
    return out;
}

int ReadSpoolRecord(platform::File& file, std::optional<std::string>& value) {
    unsigned char len[4];
    if (file.read(reinterpret_cast<char*>(len), 4) != 4) return 0;
    uint32_t n = uint32_t(len[0]) | uint32_t(len[1]) << 8 | uint32_t(len[2]) << 16 |
                 uint32_t(len[3]) << 24;
    if (n > kMaxSpoolRecord) return 0;
    if (n == 0) {
        value.reset();
        return 1;
    }
    std::string text(n, '\0');
    if (file.read(text.data(), n) != n) return 0;
    value = std::move(text);
    return 1;
}

int ReadSpoolHeader(platform::File& file, SpoolHeader& h) {
    return ReadSpoolRecord(file, h.from) && ReadSpoolRecord(file, h.to) &&
           ReadSpoolRecord(file, h.cc) && ReadSpoolRecord(file, h.subject) &&
           ReadSpoolRecord(file, h.attachment) && ReadSpoolRecord(file, h.attachment_mode);
}

}  // namespace kavr
