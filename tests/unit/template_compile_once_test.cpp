// Templates are read once and then run from their tape, their steps and
// their pre-scanned text. Each of these must give exactly what reading the
// text token by token gives, so each is checked here against that reading
// on random texts full of the cases that differ: long runs of white space
// and long words (cut by the lexer), tags of the table and others, "<" at
// the end, comments, references and limits.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "template/body_scanner.h"
#include "template/compiled_template.h"
#include "template/prescan.h"
#include "template/tag_table.h"
#include "template/text_steps.h"
#include "expr/functions.h"
#include "tests/unit/expr_test_env.h"
#include "tests/unit/test_site.h"

namespace kavr {
namespace {

const char* const kPieces[] = {
    " ", "\n", "\t", "a", "word", "12.5", ".5", "#", "##", "#x#", "&", "!=$", "=$", "\"", "'", ">", "<", "-",
    "<p>", "<b class=x>", "</b>", "</ p>", "<kavtestrow x=1>", "</kavtestrow>", "<KAVTESTROW>", "< kavtestrow",
    "</ kavtestrow>", "<kavnotag>", "<k>", "<1", "</", "<!--", "-->", "-- >", "<!", "<!-x", "<kavinclude>",
    "<kavcookie", "<KavLocation", "\xc3\xa9", "<<", "<<p"};

std::string random_text(unsigned& seed, int pieces) {
    std::string text;
    int n = static_cast<int>((seed = seed * 1103515245 + 12345) >> 16) % pieces;
    for (int i = 0; i < n; ++i) {
        seed = seed * 1103515245 + 12345;
        unsigned pick = (seed >> 16) % (sizeof kPieces / sizeof kPieces[0] + 3);
        if (pick == sizeof kPieces / sizeof kPieces[0]) {
            text += std::string(150 + (seed >> 8) % 120, (seed & 1) ? ' ' : '\n');
        } else if (pick == sizeof kPieces / sizeof kPieces[0] + 1) {
            text += std::string(900 + (seed >> 8) % 300, 'w');
        } else if (pick == sizeof kPieces / sizeof kPieces[0] + 2) {
            text += std::string(1020 + (seed >> 8) % 6, 'w') + "\xc3\xa9";
        } else {
            text += kPieces[pick];
        }
    }
    return text;
}

int test_row(TagCall&) { return 1; }

struct TagRows {
    TagRows() {
        RegisterTag("kavtestrow", test_row);
        RegisterTag("/kavtestrow", test_row);
    }
};

std::string tag_mark(bool closing, const std::string& name, size_t pos) {
    return std::string("[") + (closing ? "/" : "") + name + "@" + std::to_string(pos) + "]";
}

// What the interpreter writes for a text when every tag of the table reads
// nothing: the text read token by token.
std::string by_tokens(Lexer& lexer) {
    lexer.set_reference_mode(kRefHashIsChar);
    std::string out, text, token, name, closing;
    for (;;) {
        lexer.ReadPlainText(text);
        out += text;
        if (lexer.NextToken(token) == kTokEnd) return out + "[end]";
        out += lexer.whitespace();
        if (lexer.NextToken(name) == kTokEnd) return out + "[cut]";
        if (StartsWithNoCase(name, "kav") && FindTag(name)) {
            out += tag_mark(false, name, lexer.position());
        } else if (name == "/") {
            std::string kept = lexer.whitespace();
            if (lexer.NextToken(closing) == kTokEnd) return out + "[cut]";
            if (StartsWithNoCase(closing, "kav") && FindTag("/" + closing)) {
                out += tag_mark(true, closing, lexer.position());
            } else {
                out += "<" + kept + "/" + lexer.whitespace() + closing;
            }
        } else {
            out += "<" + lexer.whitespace() + name;
        }
    }
}

// The same through the steps.
std::string by_steps(Lexer& lexer) {
    std::string out;
    TextStep scratch;
    for (;;) {
        const TextStep& st = StepAt(lexer, scratch);
        for (const TextStep::Piece& p : st.copy) out += st.piece(lexer.text(), p);
        if (st.kind == TextStep::kEndOfText) return out + "[end]";
        if (st.kind == TextStep::kCutOff) return out + "[cut]";
        out += tag_mark(st.kind == TextStep::kClosingTag, st.name, lexer.position());
    }
}

TEST(CompileOnce, StepsWriteWhatTheTokensRead) {
    TagRows rows;
    unsigned seed = 4242;
    for (int round = 0; round < 3000; ++round) {
        std::string text = random_text(seed, 24);
        size_t limit = round % 3 ? std::string::npos : text.size() * 2 / 3;
        Lexer plain(text, kRefHashIsChar);
        plain.set_limit(limit);
        std::string expected = by_tokens(plain);
        // Once found, then replayed from the tape; and without a tape.
        Lexer taped(std::make_shared<TokenTape>(text), kRefHashIsChar);
        for (int pass = 0; pass < 2; ++pass) {
            taped.set_position(0);
            taped.set_limit(limit);
            ASSERT_EQ(by_steps(taped), expected) << "pass " << pass << " of: " << text.substr(0, 120);
        }
        Lexer untaped(text, kRefHashIsChar);
        untaped.set_limit(limit);
        ASSERT_EQ(by_steps(untaped), expected) << text.substr(0, 120);
    }
}

// The parts of constructs found through the tape are the ones found by
// reading: bodies, branches and tag events, from every position, in every
// mode, the second time from the tape.
TEST(CompileOnce, ConstructPartsFoundOnceAreTheOnesRead) {
    const char* const parts[] = {"<kavfor i = 1 to 2>", "</kavfor>", "<kavif #a#>", "<kavelse>", "<kavelseif b>",
                                 "</kavif>", "<kavwhile x>", "</ KAVWHILE>", "text ", "#x#", "<p>", "<"};
    unsigned seed = 2024;
    for (int round = 0; round < 1500; ++round) {
        std::string text;
        for (int i = static_cast<int>((seed = seed * 1103515245 + 12345) >> 16) % 14; i > 0; --i) {
            seed = seed * 1103515245 + 12345;
            text += parts[(seed >> 16) % (sizeof parts / sizeof parts[0])];
        }
        auto tape = std::make_shared<TokenTape>(text);
        for (int pass = 0; pass < 2; ++pass) {
            for (size_t start = 0; start < text.size(); start += 1 + text.size() / 7) {
                Lexer a(text, kRefHashIsChar), b(tape, kRefHashIsChar);
                for (Lexer* l : {&a, &b}) {
                    l->set_position(start);
                    l->set_reference_mode(static_cast<signed char>(round % 2 ? kRefHashIsChar : kRefKeepDouble));
                }
                BodyRange ra, rb;
                ElseKind ka = kNoElse, kb = kNoElse;
                TagEvent ea, eb;
                int rca = 0, rcb = 0;
                switch (round % 4) {
                    case 0: rca = ScanBody(a, "kavfor", ra), rcb = ScanBody(b, "kavfor", rb); break;
                    case 1: rca = ScanIfThen(a, ra), rcb = ScanIfThen(b, rb); break;
                    case 2: rca = ScanIfElse(a, ka, ra), rcb = ScanIfElse(b, kb, rb); break;
                    case 3:
                        while ((rca = NextTagEvent(a, ea)) == (rcb = NextTagEvent(b, eb)) && rca) {
                            ASSERT_EQ(ea.name, eb.name);
                            ASSERT_EQ(ea.lt, eb.lt);
                            ASSERT_EQ(ea.closing, eb.closing);
                        }
                        break;
                }
                ASSERT_EQ(rca, rcb) << text;
                ASSERT_EQ(ka, kb) << text;
                if (rca && round % 4 != 3) {
                    ASSERT_EQ(ra.begin, rb.begin) << text;
                    ASSERT_EQ(ra.end, rb.end) << text;
                    ASSERT_EQ(ra.after, rb.after) << text;
                }
                ASSERT_EQ(a.position(), b.position()) << text;
            }
        }
    }
}

// A tape lexer and a plain one agree after every kind of read, in every
// mode, including what PushBack and the white space see; the second pass
// over the same reads is replayed from the tape.
TEST(CompileOnce, TapeReplaysEveryRead) {
    unsigned seed = 777;
    for (int round = 0; round < 1500; ++round) {
        std::string text = random_text(seed, 16) + " \"q \"\"x\"\" #a##b# y\" -5 + #c#";
        auto tape = std::make_shared<TokenTape>(text);
        for (int pass = 0; pass < 2; ++pass) {
            Lexer a(text, kRefHashIsChar), b(tape, kRefHashIsChar);
            unsigned ops = seed;
            for (int step = 0; step < 40; ++step) {
                ops = ops * 1103515245 + 12345;
                signed char mode = static_cast<signed char>(static_cast<int>((ops >> 8) % 3) - 1);
                a.set_reference_mode(mode);
                b.set_reference_mode(mode);
                bool doubled = (ops >> 12) & 1;
                a.set_keep_doubled_quotes(doubled);
                b.set_keep_doubled_quotes(doubled);
                std::string ta, tb;
                int ca = 0, cb = 0;
                switch ((ops >> 16) % 5) {
                    case 0: ca = a.NextToken(ta), cb = b.NextToken(tb); break;
                    case 1: ca = a.ReadItem(true, ta), cb = b.ReadItem(true, tb); break;
                    case 2: ca = a.ReadSignedItem(false, ta), cb = b.ReadSignedItem(false, tb); break;
                    case 3: a.ReadPlainText(ta), b.ReadPlainText(tb); break;
                    case 4:
                        a.PushBack(a.whitespace() + "x");
                        b.PushBack(b.whitespace() + "x");
                        break;
                }
                ASSERT_EQ(ca, cb) << text.substr(0, 120);
                ASSERT_EQ(ta, tb) << text.substr(0, 120);
                ASSERT_EQ(a.whitespace(), b.whitespace());
                ASSERT_EQ(a.position(), b.position());
                if (ca == kTokEnd && step > 20) break;
            }
        }
    }
}

// The pre-scan defined on the list of the text's tokens (the definition
// the fast copy must keep): a "<" and what follows it are looked at, other
// tokens are copied with their white space (marked when it was cut, except
// in plain text, which is copied as read).
struct Token {
    std::string text, ws;
    int line = 0;
};

int prescan_by_tokens(const std::string& raw, PreScanResult& res) {
    std::vector<Token> toks;
    Lexer lexer(raw, kRefHashIsChar);
    for (Token t; lexer.NextToken(t.text) != kTokEnd;) {
        t.ws = lexer.whitespace();
        t.line = lexer.line();
        toks.push_back(t);
    }
    std::string& text = res.text;
    auto mark = [&](int line) { res.marks.push_back(LineMark{text.size(), line}); };
    bool looked_at = false;  // the token follows a "<" (or is one)
    for (size_t i = 0; i < toks.size();) {
        const Token& t = toks[i];
        text += t.ws;
        if ((looked_at || t.text == "<") && t.ws.size() >= Lexer::kMaxWhitespace) mark(t.line);
        text += t.text;
        if (t.text != "<") {
            looked_at = false;
            ++i;
            continue;
        }
        auto at = [&](size_t k) -> const Token* { return i + k < toks.size() ? &toks[i + k] : nullptr; };
        if (!at(1)) return 0;
        if (at(1)->text != "!") {
            const std::string& n = at(1)->text;
            res.late_header |= EqualsNoCase(n, "kavinclude") || EqualsNoCase(n, "kavlocation") ||
                               EqualsNoCase(n, "kavcookie");
            i += 1;
            looked_at = true;
            continue;
        }
        if (!at(2)) return 0;
        if (at(2)->text != "-") {
            text += at(1)->ws + "!";
            i += 2;
            looked_at = true;
            continue;
        }
        if (!at(3)) return 0;
        if (at(3)->text != "-") {
            text += at(1)->ws + "!" + at(2)->ws + "-";
            i += 3;
            looked_at = true;
            continue;
        }
        // A comment: gone with the white space before it, up to a ">"
        // after two or more "-".
        text.erase(text.size() - t.ws.size() - 1);
        while (!res.marks.empty() && res.marks.back().pos > text.size()) res.marks.pop_back();
        size_t close = i + 4;
        for (int dashes = 0; close < toks.size(); ++close) {
            if (toks[close].text == ">" && dashes >= 2) break;
            dashes = toks[close].text == "-" ? dashes + 1 : 0;
        }
        if (close >= toks.size()) return 0;
        ++res.comments;
        mark(toks[close].line);
        i = close + 1;
        looked_at = false;
    }
    return 1;
}

TEST(CompileOnce, PreScanCopiesWhatTheTokensRead) {
    TagRows rows;
    unsigned seed = 99;
    int plain = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string raw = random_text(seed, 24);
        PreScanResult expected, got;
        expected.ok = prescan_by_tokens(raw, expected);
        PreScanText(raw, got);
        ASSERT_EQ(got.ok, expected.ok) << raw.substr(0, 120);
        if (!expected.ok) continue;
        ASSERT_EQ(got.text, expected.text) << raw.substr(0, 120);
        ASSERT_EQ(got.comments, expected.comments);
        ASSERT_EQ(got.late_header, expected.late_header) << raw.substr(0, 120);
        if (got.plain) {
            // A text found plain runs as one copy of itself.
            ++plain;
            Lexer lexer(got.text, kRefHashIsChar);
            ASSERT_EQ(by_tokens(lexer), got.text + "[end]") << raw.substr(0, 120);
            auto tape = std::make_shared<TokenTape>(got.text);
            KeepWholeTextStep(*tape);
            Lexer taped(tape, kRefHashIsChar);
            ASSERT_EQ(by_steps(taped), got.text + "[end]");
        }
        ASSERT_EQ(got.marks.size(), expected.marks.size()) << raw.substr(0, 120);
        for (size_t i = 0; i < got.marks.size(); ++i) {
            EXPECT_EQ(got.marks[i].pos, expected.marks[i].pos);
            EXPECT_EQ(got.marks[i].line, expected.marks[i].line);
        }
    }
    EXPECT_GT(plain, 100);
}

TEST(CompileOnce, ATemplateFileIsCompiledAgainOnlyWhenItChanges) {
    test::TestSite site;
    const std::string path = site.path("page.kvl");
    site.write("page.kvl", "one <!-- gone --> <kavcookie>");
    auto first = CompileTemplateFile(path);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->tape->text(), "one <kavcookie>");
    EXPECT_EQ(first->scan.comments, 1);
    EXPECT_TRUE(first->scan.late_header);
    EXPECT_EQ(CompileTemplateFile(path), first);  // the same file: the same compiled form

    site.write("page.kvl", "two, longer");
    auto second = CompileTemplateFile(path);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->tape->text(), "two, longer");
    EXPECT_FALSE(second->scan.late_header);
    EXPECT_EQ(first->tape->text(), "one <kavcookie>");  // a run still holding the old form keeps it

    // The same size, a new modification time.
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    site.write("page.kvl", "six, longer");
    const timespec later[2] = {now, {now.tv_sec + 5, now.tv_nsec}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), later, 0), 0);
    EXPECT_EQ(CompileTemplateFile(path)->tape->text(), "six, longer");

    unlink(path.c_str());
    EXPECT_FALSE(CompileTemplateFile(path));
}

int fn_shadow(FunctionCall& call) { return call.Result("from the function"); }

// Compiled references keep what the function table said about their name
// only until the table changes: a function registered later wins over the
// variable of its name, and comparisons keep their codes.
TEST(CompileOnce, CompiledReferencesFollowTheFunctionTable) {
    test::ExprEnv env;
    env.request.vars.set("LaterFunction", "from the variable");
    EXPECT_EQ(env.eval("#LaterFunction#"), "from the variable");
    EXPECT_EQ(env.eval("#LaterFunction & \"!\"#"), "from the variable!");
    RegisterFunction("LaterFunction", fn_shadow);
    EXPECT_EQ(env.eval("#LaterFunction#"), "from the function");
    EXPECT_EQ(env.eval("#LaterFunction & \"!\"#"), "from the function!");
    EXPECT_EQ(env.eval("#2 GT 10#"), "0");
    EXPECT_EQ(env.eval("#\"b\" gte \"a\"#"), "1");
}

}  // namespace
}  // namespace kavr
