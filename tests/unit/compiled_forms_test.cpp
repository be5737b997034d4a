// The compile-once caches: what they hold must be what compiling the text
// afresh gives, they must stay within their bounds, and nothing of one
// request may show in the next.
#include <gtest/gtest.h>

#include <string>

#include "driver/core/text_cache.h"
#include "expr/compiled_expr.h"
#include "expr/functions.h"
#include "expr/lexer.h"
#include "expr/reference_form.h"
#include "expr/text_pieces.h"
#include "tests/unit/expr_test_env.h"

namespace kavr {
namespace {

int g_compiles = 0;
std::string count_compile(std::string_view text) {
    ++g_compiles;
    return std::string(text) + "!";
}

TEST(TextCache, CompilesOnceAndStaysWithinBounds) {
    g_compiles = 0;
    TextCache<std::string> cache(count_compile, 3, 64);
    auto first = cache.get("a");
    EXPECT_EQ(*first, "a!");
    EXPECT_EQ(cache.get("a").get(), first.get());
    EXPECT_EQ(g_compiles, 1);
    cache.get("b");
    cache.get("c");
    EXPECT_EQ(cache.size(), 3u);
    cache.get("d");  // a fourth entry starts the cache again
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_EQ(*first, "a!");  // an entry in use outlives the cache's copy
    EXPECT_EQ(*cache.get("a"), "a!");
    EXPECT_EQ(g_compiles, 5);
    // A text too big to keep is compiled every time and never held.
    std::string big(40, 'x');
    EXPECT_EQ(*cache.get(big), big + "!");
    EXPECT_EQ(*cache.get(big), big + "!");
    EXPECT_EQ(g_compiles, 7);
    EXPECT_EQ(cache.size(), 2u);
    // Key bytes are bounded too: 15 + 15 bytes fit, a third restarts.
    cache.clear();
    cache.get(std::string(15, 'p'));
    cache.get(std::string(15, 'q'));
    cache.get(std::string(15, 'r'));
    cache.get(std::string(15, 's'));
    cache.get(std::string(15, 't'));
    EXPECT_LE(cache.size(), 3u);
}

TEST(CompiledExpression, AgreesWithTheParserAndHoldsNoRequestState) {
    for (const char* text : {"1 + 2 * 3", "a AND NOT b", "Len(x) gt 2", "(1", "a b", "#x# & y"}) {
        OpList fresh;
        int ok = ParseExpressionText(text, false, fresh);
        auto compiled = CompileExpression(text);
        EXPECT_EQ(compiled->ok, ok == 1) << text;
        ASSERT_EQ(compiled->ops.size(), ok == 1 ? fresh.size() : 0u) << text;
        for (size_t i = 0; i < compiled->ops.size(); ++i) {
            EXPECT_EQ(compiled->ops[i].kind, fresh[i].kind) << text;
            EXPECT_EQ(compiled->ops[i].op, fresh[i].op) << text;
        }
    }
    // The same text in two requests reads each request's own values, and
    // a syntax error is reported again every time it runs.
    {
        test::ExprEnv env;
        env.set("a", "1");
        EXPECT_EQ(env.eval("#a + 1#"), "2");
        EXPECT_EQ(env.eval("#a +#"), "FAIL");
        EXPECT_EQ(env.errors(), "11010");
    }
    {
        test::ExprEnv env;
        env.set("a", "41");
        EXPECT_EQ(env.eval("#a + 1#"), "42");
        EXPECT_EQ(env.eval("#a +#"), "FAIL");
        EXPECT_EQ(env.eval("#a +#"), "FAIL");
        EXPECT_EQ(env.errors(), "11010 11010");
        EXPECT_EQ(env.eval("#undefined_name + 1#"), "FAIL");
    }
}

TEST(ReferenceForm, ReadsWhatAReferenceNames) {
    struct Case {
        const char* body;
        ReferenceKind kind;
        const char* name;
        const char* detail;  // member or index
    };
    const Case cases[] = {
        {"form.city", kRefScoped, "form", "city"},
        {"form.", kRefNothing, "form", ""},
        {"list[i + 1]", kRefElement, "list", "i + 1"},
        {"list[a[2]]", kRefElement, "list", "a[2]"},
        {"list[i", kRefBadIndex, "list", "i"},
        {"Len(x)", kRefName, "Len", ""},
        {"name", kRefName, "name", ""},
        {"", kRefNothing, "", ""},
    };
    for (const Case& c : cases) {
        auto f = CompileReference(c.body);
        EXPECT_EQ(f->kind, c.kind) << c.body;
        EXPECT_EQ(f->name, c.name) << c.body;
        EXPECT_EQ(c.kind == kRefScoped ? f->member : f->index, c.detail) << c.body;
    }
    // A function reads its arguments from just after its name.
    EXPECT_EQ(CompileReference("Len (x)")->after_name, 3u);
    EXPECT_EQ(CompileReference("Len  ")->after_name, 5u);
}

std::string pieces(const SplitText& s) {
    std::string out;
    for (const TextPiece& p : s.pieces) out += (p.reference ? "{" : "[") + p.text + (p.reference ? "}" : "]");
    return out;
}

TEST(TextPieces, SplitIntoLiteralsAndReferences) {
    EXPECT_EQ(pieces(*SplitAttributeText("a #x# b##c #y", kRefKeepDouble)), "[a ]{#x#}[ b##c #y]");
    EXPECT_EQ(pieces(*SplitAttributeText("a #x# b##c", kRefCollapse)), "[a ]{#x#}[ b#c]");
    EXPECT_EQ(pieces(*SplitAttributeText("#x##y#", kRefKeepDouble)), "{#x#}{#y#}");
    // Row texts: a doubled quote mark is one, a lone one stays.
    EXPECT_EQ(pieces(*SplitRowText("say \"\"hi\"\" to #name#, \"x\" ##")), "[say \"hi\" to ]{#name#}[, \"x\" #]");
    EXPECT_EQ(pieces(*SplitRowText("")), "");
}

// Only a reference that is one plain name may stand for a row's column.
TEST(TextPieces, RowTextReferencesThatAreLoneNames) {
    const struct {
        const char* text;
        const char* name;
        const char* operand;
    } cases[] = {
        {"#name#", "name", "#name#"}, {"# pay #", "pay", "#pay#"}, {"#Len(x)#", "", ""},
        {"#q.name#", "", ""},         {"#x + 1#", "", ""},         {"#\"lit\"#", "", ""},
        {"#list[1]#", "", ""},        {"#x y#", "", ""},
    };
    for (const auto& c : cases) {
        auto split = SplitRowText(c.text);
        ASSERT_EQ(split->pieces.size(), 1u) << c.text;
        EXPECT_TRUE(split->pieces[0].reference) << c.text;
        EXPECT_EQ(split->pieces[0].name, c.name) << c.text;
        EXPECT_EQ(split->pieces[0].operand, c.operand) << c.text;
    }
}

int fn_answer(FunctionCall& call) { return call.Result("42"); }

TEST(FunctionTable, NamesFoundWithoutRegardToCase) {
    FunctionHandler h = nullptr;
    ASSERT_TRUE(FindFunction("len", &h));
    EXPECT_NE(h, nullptr);
    EXPECT_TRUE(FindFunction("STRREPLACE", &h));
    EXPECT_FALSE(FindFunction("NoSuchFunction", &h));
    RegisterFunction("TestAnswer", fn_answer);
    ASSERT_TRUE(FindFunction("testanswer", &h));
    EXPECT_EQ(h, fn_answer);
    test::ExprEnv env;
    EXPECT_EQ(env.eval("#TESTANSWER()#"), "42");
}

}  // namespace
}  // namespace kavr
