// The compiled form of a reference body (the text between its "#" signs):
// what it names, read once per process. Which scope, row or function
// supplies the value is still decided on every lookup.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace kavr {

enum ReferenceKind {
    kRefNothing,   // no name at all, or a scoped name without its member
    kRefScoped,    // name "." member
    kRefElement,   // name "[" index "]"
    kRefBadIndex,  // name "[" without its closing "]"
    kRefName,      // a name, perhaps followed by a call's arguments
};

struct FunctionCall;

struct ReferenceForm {
    ReferenceKind kind = kRefNothing;
    std::string name;
    std::string member;      // kRefScoped
    std::string index;       // kRefElement: the index expression's text
    size_t after_name = 0;   // kRefName: where a function reads its arguments

    // kRefName: whether the name is a built-in function, as the function
    // table answered at its version function_version (looked up again
    // when the table has changed since).
    mutable unsigned function_version = ~0u;
    mutable bool is_function = false;
    mutable int (*function)(FunctionCall&) = nullptr;
};

std::shared_ptr<const ReferenceForm> CompileReference(std::string_view body);

}  // namespace kavr
