#include "driver/core/var_store.h"

#include "driver/core/charset.h"
#include "driver/core/text_util.h"

namespace kavr {

const VarElement* Variable::element(int index) const {
    for (const VarElement& e : elements)
        if (e.index == index) return &e;
    return nullptr;
}

const Variable* VarStore::find(std::string_view name) const {
    auto it = by_name_.find(name);
    return it == by_name_.end() ? nullptr : &vars_[it->second];
}

int VarStore::set(std::string_view name, std::string_view value, int index) {
    auto it = by_name_.find(name);
    Variable* v;
    if (it == by_name_.end()) {
        names_.emplace_back(name);
        by_name_.emplace(names_.back(), vars_.size());
        vars_.push_back(Variable{std::string(name), {}});
        v = &vars_.back();
    } else {
        v = &vars_[it->second];
    }
    for (VarElement& e : v->elements) {
        if (e.index == index) {
            e.text.assign(value);
            return 1;
        }
    }
    v->elements.push_back(VarElement{index, std::string(value)});
    return 1;
}

int VarStore::get(std::string_view name, int index, std::string& out, size_t size) const {
    const Variable* v = find(name);
    if (!v) return 0;
    const VarElement* e = v->element(index < 0 ? 0 : index);
    if (!e) return 0;
    out.assign(CutView(e->text, size ? size - 1 : 0));
    return 1;
}

void VarStore::clear() {
    by_name_.clear();
    names_.clear();
    vars_.clear();
}

}  // namespace kavr
