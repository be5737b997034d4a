// Form validation: the rules an HTML form sends along with its fields, as
// extra fields named after a field with a rule suffix ("_required",
// "_range", "_integer", "_float", "_mask", "_date"), whose value is the
// message shown when the rule is broken (for "_range", the bounds).
#pragma once
#include <string>
#include <string_view>

#include "driver/core/request.h"

namespace kavr {

// Checks every URL and form variable against the rules of the request, and
// that an insert or update names a data source and a table. 1 when all is
// well; 0 after the error page (code 10010) with one item per problem has
// been written to request.out. May rewrite a field's value ("_integer").
int ValidateForm(Request& request);

// An optional sign and one or more digits, nothing else.
bool IsIntegerText(std::string_view text);
// An optional sign, digits and at most one ".", at least one digit.
bool IsNumberText(std::string_view text);
// A number text rounded to the nearest integer (halves away from zero),
// written in decimal without sign for zero; exact for any length.
std::string RoundNumberText(std::string_view text);
// Part, separator, part, then nothing or a separator and a third part, with
// "/" and "-" as separators, split into words as the expression reader does.
bool IsDateText(std::string_view text);

}  // namespace kavr
