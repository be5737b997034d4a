// Product identity, shown on the information page and in the log.
#pragma once

namespace kavr {

inline constexpr const char* kProductName = "kavr";
inline constexpr const char* kProductVersion = "2.01";
inline constexpr const char* kCompileNumber = "1";
inline constexpr const char* kReleaseDate = "2026-12-06";
inline constexpr const char* kOperatingSystem = "Linux";

}  // namespace kavr
