// Template variables: each a sparse array of texts indexed by integers
// (index 0 is the plain value); names compare without regard to case and
// keep the spelling of their first assignment.
#pragma once
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "driver/core/text_util.h"

namespace kavr {

struct VarElement {
    int index;
    std::string text;
};

struct Variable {
    std::string name;
    std::vector<VarElement> elements;  // in order of creation

    const VarElement* element(int index) const;
};

class VarStore {
public:
    VarStore() = default;
    // The table keys view names that the store owns: a copy would view the
    // original's names.
    VarStore(const VarStore&) = delete;
    VarStore& operator=(const VarStore&) = delete;

    // Sets (or creates) the element; 1 on success.
    int set(std::string_view name, std::string_view value, int index = 0);
    // Copies the element's text, cut to size - 1 characters; a negative
    // index reads index 0. 0 when the variable or element does not exist.
    int get(std::string_view name, int index, std::string& out, size_t size) const;

    const Variable* find(std::string_view name) const;
    const std::vector<Variable>& all() const { return vars_; }
    void clear();

private:
    std::vector<Variable> vars_;                      // in order of creation
    std::deque<std::string> names_;  // the table's keys; a deque never moves them
    std::unordered_map<std::string_view, size_t, NoCaseHash, NoCaseEqual> by_name_;  // -> position
};

}  // namespace kavr
