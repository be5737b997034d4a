#include "expr/card_code.h"

#include <cstdint>
#include <cstring>

namespace kavr {

namespace {

// 44 character pairs: a character of the plain text (A) and its coded
// form (B).
const char kPlain[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefgh";
const char kCoded[] = "UFHB7b2hK6S94XLMde8P5fDRWAc01VCNIG3OYEJgQTZa";
constexpr int kPairs = 44;

int plain_index(char c) {
    const char* p = std::strchr(kPlain, c);
    return c != '\0' && p ? static_cast<int>(p - kPlain) : 0;
}

int coded_index(char c) {
    const char* p = std::strchr(kCoded, c);
    return c != '\0' && p ? static_cast<int>(p - kCoded) : -1;
}

bool in_plain(char c) { return c != '\0' && std::strchr(kPlain, c) != nullptr; }

void checksum(const std::string& text, size_t count, int& c1, int& c2) {
    uint32_t sum = 0;
    for (size_t i = 0; i < count; ++i) sum += static_cast<unsigned char>(text[i]);
    c1 = static_cast<int>((sum & 0xFFu) % kPairs);
    c2 = static_cast<int>(((sum >> 8) & 0xFFu) % kPairs);
}

}  // namespace

int ValidateCardNumber(const std::string& digits) {
    size_t n = digits.size();
    if (n != 15 && n != 16) return 0;
    for (char c : digits)
        if (c < '0' || c > '9') return 0;
    const char* weights = n == 15 ? "121212121212121" : "2121212121212121";
    int sum = 0;
    for (size_t i = 0; i + 1 < n; ++i) {
        int p = (digits[i] - '0') * (weights[i] - '0');
        sum += p >= 10 ? p / 10 + p % 10 : p;
    }
    int check = (10 - sum % 10) % 10;
    if (digits[n - 1] - '0' != check) return 0;
    if (n == 15 && digits[0] == '3') return 1;
    if (digits[0] == '4') return 2;
    if (digits[0] == '5') return 3;
    if (digits.compare(0, 4, "6011") == 0) return 4;
    return 9;
}

// Layout of an encoded text: salt, number, two checksum characters, key.
// Every character but the key is shifted back by the key's index, then the
// coded characters are mapped to plain ones.
int DecodeCardNumber(const std::string& encoded, std::string& number) {
    std::string s = encoded;
    size_t n = s.size();
    if (n < 4) return 0;
    int k = plain_index(s[n - 1]);
    for (size_t i = 0; i + 1 < n; ++i) s[i] = kPlain[(plain_index(s[i]) - k + kPairs) % kPairs];
    int want1 = plain_index(s[n - 3]), want2 = plain_index(s[n - 2]);
    for (size_t i = 0; i < n; ++i) {
        int at = coded_index(s[i]);
        if (at < 0) break;
        s[i] = kPlain[at];
    }
    int c1, c2;
    checksum(s, n - 3, c1, c2);
    if (c1 != want1 || c2 != want2) return 0;
    number = s.substr(1, n - 4);
    return 1;
}

std::string EncodeCardNumber(const std::string& number, char salt, char key) {
    std::string plain = std::string(1, salt) + number;
    for (char c : plain)
        if (!in_plain(c)) return std::string();
    if (!in_plain(key)) return std::string();
    int c1, c2;
    checksum(plain, plain.size(), c1, c2);
    // The text is coded character by character; the checksum characters
    // are read before that mapping is undone, so they are not coded.
    std::string shifted;
    for (char c : plain) shifted += kCoded[plain_index(c)];
    shifted += kPlain[c1];
    shifted += kPlain[c2];
    int k = plain_index(key);
    std::string out;
    for (char c : shifted) out += kPlain[(plain_index(c) + k) % kPairs];
    out += key;
    return out;
}

}  // namespace kavr
