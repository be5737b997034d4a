#include "template/compiled_template.h"

#include <unordered_map>

#include "platform/file.h"
#include "template/text_steps.h"

namespace kavr {

namespace {

struct Held {
    platform::FileStamp stamp;
    std::shared_ptr<const CompiledTemplate> compiled;
};

// A site has a bounded number of templates; past these bounds the cache
// starts again empty (templates in use are held by their runs).
constexpr size_t kMaxTemplates = 512;
constexpr size_t kMaxTemplateBytes = 64u << 20;

struct Cache {
    std::unordered_map<std::string, Held> files;
    size_t bytes = 0;
};

Cache& cache() {
    static Cache c;
    return c;
}

}  // namespace

std::shared_ptr<const CompiledTemplate> CompileTemplateFile(const std::string& path) {
    // The stamp is taken before the file is read: a file written meanwhile
    // has a newer stamp and is read again next time.
    platform::FileStamp stamp = platform::file_stamp(path);
    Cache& c = cache();
    auto it = c.files.find(path);
    if (it != c.files.end() && stamp.exists && it->second.stamp == stamp) return it->second.compiled;
    std::string raw;
    if (!platform::read_whole_file(path, raw)) return nullptr;
    auto compiled = std::make_shared<CompiledTemplate>();
    PreScanText(std::move(raw), compiled->scan);
    compiled->tape = std::make_shared<TokenTape>(std::move(compiled->scan.text));
    compiled->scan.text.clear();
    if (compiled->scan.plain) KeepWholeTextStep(*compiled->tape);
    if (!stamp.exists) return compiled;
    const size_t size = compiled->tape->text().size();
    if (it != c.files.end()) {
        c.bytes -= it->second.compiled->tape->text().size();
        c.files.erase(it);
    }
    if (c.files.size() >= kMaxTemplates || c.bytes + size > kMaxTemplateBytes) {
        c.files.clear();
        c.bytes = 0;
    }
    if (size <= kMaxTemplateBytes) {
        c.files.emplace(path, Held{stamp, compiled});
        c.bytes += size;
    }
    return compiled;
}

}  // namespace kavr
