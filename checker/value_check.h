// How the checker validates attribute values: with the expression check of
// the language in check mode, so that what passes here parses when the
// engine evaluates or expands the value.
#pragma once
#include <string>

namespace kavr {

// A value item as read from a tag (quotes kept): a reference is checked by
// its text between the "#" signs, a quoted string by every complete
// reference inside it, anything else as an expression of its own.
bool ValueParses(int token_class, const std::string& item);

// A reference token ("#...#") whose text is one complete expression.
bool ReferenceParses(const std::string& reference);

// A name form that the engine can assign to: name, #name#, name[expr],
// #name[expr]#, name[] or #name[]#, with a well-formed index. With
// plain_only, only name and #name#.
bool IsVariableForm(const std::string& item, bool plain_only);

}  // namespace kavr
