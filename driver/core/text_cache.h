// A process-wide cache of what was compiled from a text: expressions,
// references, attribute and row texts. Entries are keyed by the exact text,
// so a hit gives what compiling the text again would give; nothing of a
// request is ever stored. The cache is bounded: when it holds too many
// entries or too many bytes of keys it starts again empty. Entries are
// shared, so an entry in use survives being dropped from the cache.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kavr {

template <typename Compiled>
class TextCache {
public:
    using Entry = std::shared_ptr<const Compiled>;
    using Compile = Compiled (*)(std::string_view text);

    TextCache(Compile compile, size_t max_entries, size_t max_key_bytes)
        : compile_(compile), max_entries_(max_entries), max_key_bytes_(max_key_bytes) {}

    // The compiled form of text, compiled now when it is not held yet.
    Entry get(std::string_view text) {
        key_.assign(text);
        auto it = map_.find(key_);
        if (it != map_.end()) return it->second;
        Entry entry = std::make_shared<const Compiled>(compile_(text));
        if (text.size() > max_key_bytes_ / 4) return entry;  // too big to keep
        if (map_.size() >= max_entries_ || key_bytes_ + text.size() > max_key_bytes_) clear();
        key_bytes_ += text.size();
        map_.emplace(std::string(text), entry);
        return entry;
    }

    void clear() {
        map_.clear();
        key_bytes_ = 0;
    }
    size_t size() const { return map_.size(); }

private:
    Compile compile_;
    size_t max_entries_, max_key_bytes_;
    size_t key_bytes_ = 0;
    std::string key_;  // lookup key, kept to reuse its storage
    std::unordered_map<std::string, Entry> map_;
};

}  // namespace kavr
