#include "template/tag_table.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

#include "driver/core/text_util.h"

namespace kavr {

namespace {

// Rows keyed by lower-case name. Rows are held by pointer so that a row
// handed out by FindTag stays where it is when others are added.
std::unordered_map<std::string, std::unique_ptr<TagEntry>>& table() {
    static std::unordered_map<std::string, std::unique_ptr<TagEntry>> rows;
    return rows;
}

unsigned g_version = 0;

bool well_formed(std::string_view name) {
    if (!name.empty() && name[0] == '/') name.remove_prefix(1);
    return name.size() > 3 && StartsWithNoCase(name, "kav");
}

}  // namespace

int RegisterTag(std::string_view name, TagHandler handler, unsigned flags) {
    if (!handler || !well_formed(name)) return 0;
    auto& rows = table();
    std::string key = ToLower(name);
    if (rows.count(key)) return 0;
    rows.emplace(std::move(key), std::make_unique<TagEntry>(TagEntry{std::string(name), handler, flags}));
    ++g_version;
    return 1;
}

const TagEntry* FindTag(std::string_view name) {
    auto& rows = table();
    auto it = rows.find(ToLower(name));
    return it == rows.end() ? nullptr : it->second.get();
}

std::vector<std::string> TagNames() {
    std::vector<std::string> names;
    for (const auto& row : table()) names.push_back(row.second->name);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return ToLower(a) < ToLower(b); });
    return names;
}

void ClearTagTable() {
    table().clear();
    ++g_version;
}

unsigned TagTableVersion() { return g_version; }

}  // namespace kavr
