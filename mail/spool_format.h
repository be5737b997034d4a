// The layout of a spool file: six length-prefixed records (From, To, Cc,
// Subject, attachment path, attachment mode), then the body up to the end
// of the file. A length is 4 bytes, least significant first; length 0 is an
// absent value. Files are read and written as raw bytes.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavr {

namespace platform {
class File;
}

// Longest record either side accepts; a longer length marks a damaged file.
constexpr size_t kMaxSpoolRecord = 65536;

struct SpoolHeader {
    std::optional<std::string> from, to, cc, subject, attachment, attachment_mode;
};

// The 4-byte length followed by the bytes.
std::string EncodeSpoolRecord(std::string_view value);

// Reads one record; an absent value (length 0) comes back as nullopt.
// 0 on a short read or a length above kMaxSpoolRecord.
int ReadSpoolRecord(platform::File& file, std::optional<std::string>& value);

// Reads the six records in order, leaving the file at the body's start.
int ReadSpoolHeader(platform::File& file, SpoolHeader& header);

}  // namespace kavr
