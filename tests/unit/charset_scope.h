// Runs a test body as a site of the given character set, and gives the
// configuration back as it was.
#pragma once
#include <optional>
#include <string>

#include "driver/core/config.h"

namespace kavr::test {

class ScopedCharset {
public:
    explicit ScopedCharset(bool utf8) : saved_utf8_(g_config.utf8), saved_name_(g_config.charset) {
        g_config.utf8 = utf8;
    }
    ~ScopedCharset() {
        g_config.utf8 = saved_utf8_;
        g_config.charset = saved_name_;
    }
    ScopedCharset(const ScopedCharset&) = delete;
    ScopedCharset& operator=(const ScopedCharset&) = delete;

private:
    bool saved_utf8_;
    std::optional<std::string> saved_name_;
};

}  // namespace kavr::test
