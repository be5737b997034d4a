// Payment card numbers: the check-digit test and the site's reversible
// encoding of stored numbers.
#pragma once
#include <string>

namespace kavr {

// 0 when the number is not a valid 15- or 16-digit card number; otherwise
// its class: 1 (15 digits beginning with 3), 2 (begins with 4), 3 (with
// 5), 4 (with 6011), 9 (any other).
int ValidateCardNumber(const std::string& digits);

// Decodes an encoded card text: 1 with the number when its checksum
// characters match, else 0.
int DecodeCardNumber(const std::string& encoded, std::string& number);

// The inverse of DecodeCardNumber: salt and key are characters of the
// alphabet (digits, capitals and "a" to "h"). Empty when number holds a
// character outside the alphabet.
std::string EncodeCardNumber(const std::string& number, char salt, char key);

}  // namespace kavr
