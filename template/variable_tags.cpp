// kavset, kaveval and kavvarexistcheck.
#include "driver/core/charset.h"
#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/evaluator.h"
#include "expr/lexer.h"
#include "expr/text_pieces.h"
#include "expr/variables.h"
#include "template/code_file.h"
#include "template/prescan.h"
#include "template/tag_handlers.h"
#include "template/tag_reading.h"

namespace kavr {

namespace {

// Attribute values of these tags are expanded into buffers of this size.
constexpr size_t kAttributeSize = 1024;
// Code for kaveval is held in buffers of this size: longer code, from a
// variable or a file, is cut to 8191 characters.
constexpr size_t kCodeSize = 8192;

void cut(std::string& text, size_t size) {
    CutToSize(text, size);
}

// Reads "=" and a value after an attribute name; 0 without the "=".
int read_value(Lexer& lexer, bool signed_item, bool keep_quotes, std::string& value) {
    std::string token;
    if (lexer.NextToken(token) == kTokEnd || token != "=") return 0;
    if (signed_item)
        lexer.ReadSignedItem(keep_quotes, value);
    else
        lexer.ReadItem(keep_quotes, value);
    return 1;
}

int load_code_file(TagCall& call, std::string name, std::string& code) {
    Request& r = call.request;
    if (!ExpandAttribute(kExpandText, name, kAttributeSize, r)) return 0;
    CodeFileResolver resolve = GetCodeFileResolver();
    if (!resolve) {
        WriteLog(r.thread_number, 3, "Error: kaveval CodeFile cannot be read without the file access table\n");
        return 0;
    }
    std::string path;
    if (!resolve(r, name, path)) return 0;
    if (!PreScanFile(r, path, code)) {
        WriteLog(r.thread_number, 3, "Error: kaveval cannot read CodeFile " + path + "\n");
        return 0;
    }
    cut(code, kCodeSize);
    return 1;
}

// What a kavset tag holds, read once per place in a template: the name
// form and the value's text, split into literal pieces and references.
struct SetTag {
    bool ok = false;  // "=" followed the name form
    std::string form;
    NameForm name;
    std::string value;
    std::shared_ptr<const SplitText> split;
};

constexpr uint32_t kSetTagReading = kTapeTagReading + 1;

std::shared_ptr<const SetTag> read_set_tag(Lexer& lexer) {
    auto tag = std::make_shared<SetTag>();
    std::string token;
    lexer.ReadItem(false, tag->form);
    if (lexer.NextToken(token) == kTokEnd || token != "=") return tag;
    tag->ok = true;
    lexer.ReadSignedItem(true, tag->value);
    SkipTagEnd(lexer);
    tag->name = ClassifyNameForm(tag->form);
    tag->split = SplitAttributeText(tag->value, kRefKeepDouble);
    return tag;
}

}  // namespace

int KavSet(TagCall& call) {
    Request& r = call.request;
    std::shared_ptr<const SetTag> tag = ReadTagOnce<SetTag>(call.lexer, kSetTagReading,
                                                            [&] { return read_set_tag(call.lexer); });
    if (!tag->ok) return 0;
    std::string value;
    if (!ExpandSplitText(kExpandText, *tag->split, value, kAttributeSize, r)) return 0;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    if (tag->name.kind == kNameIllegal) {
        WriteLog(r.thread_number, 3, "Error: Illegal variable name in KavSet\n");
        r.out.write("Error: Illegal variable: " + tag->form + "in KavSet<BR>\n");
        return 0;
    }
    return AssignVariable(r, tag->name, value) ? 1 : 0;
}

int KavEval(TagCall& call) {
    Lexer& lexer = call.lexer;
    Request& r = call.request;
    enum { kNone, kVar, kFile } source = kNone;
    std::string token, code_item, ret;
    bool has_ret = false;
    for (;;) {
        if (lexer.NextToken(token) == kTokEnd) return 0;
        if (token == ">") break;
        if (EqualsNoCase(token, "CodeVar")) {
            if (!read_value(lexer, true, true, code_item)) return 0;
            source = kVar;
        } else if (EqualsNoCase(token, "CodeFile")) {
            if (!read_value(lexer, false, false, code_item)) return 0;
            source = kFile;
        } else if (EqualsNoCase(token, "Ret")) {
            if (!read_value(lexer, false, false, ret)) return 0;
            has_ret = true;
        }
    }
    std::string code;
    if (source == kVar) {
        if (compute_exp(code_item, code, kCodeSize, r) != 1) return 0;
        code = CollapseHashes(code);
    } else if (source == kFile) {
        if (!load_code_file(call, code_item, code)) return 0;
    } else {
        return 0;
    }
    std::string result;
    if (compute_exp(code, result, kCodeSize, r) != 1) return 0;
    if (has_ret && !AssignVariable(r, ret, result)) return 0;
    return 1;
}

int KavVarExistCheck(TagCall& call) {
    Lexer& lexer = call.lexer;
    Request& r = call.request;
    std::string item;
    lexer.ReadItem(false, item);
    auto apply = [&r](const std::string& v) {
        if (EqualsNoCase(v, "On")) {
            r.var_exist_check = true;
        } else if (EqualsNoCase(v, "Off")) {
            r.var_exist_check = false;
        } else {
            return false;
        }
        return true;
    };
    if (!apply(item)) {
        if (!ExpandAttribute(kExpandText, item, kAttributeSize, r)) return 0;
        apply(item);
    }
    SkipTagEnd(lexer);
    return 1;
}

}  // namespace kavr
