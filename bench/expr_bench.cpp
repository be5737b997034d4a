// What the expression layer costs: lexing a template, checking and
// evaluating the expressions templates typically hold, expanding attributes.
#include <benchmark/benchmark.h>

#include <string>

#include "driver/core/request.h"
#include "expr/evaluator.h"
#include "expr/lexer.h"
#include "expr/parser.h"
#include "expr/variables.h"

namespace {

using kavr::Request;

const char* const kTemplate =
    "<html><body>\n<kavset total = #count * 2 + 1#>\n"
    "<kavif #age gte 18 && state = \"NY\"#>Welcome, #name#!</kavif>\n"
    "<kavdbquery name=\"q\" datasource=\"shop\">SELECT id, name FROM items WHERE cat = '#url.cat#'"
    "</kavdbquery>\n<kavprint query=\"q\"><td>#Left(name, 10) & \"...\"#</td></kavprint>\n"
    "</body></html>\n";

void fill(Request& r) {
    r.vars.set("count", "41");
    r.vars.set("age", "33");
    r.vars.set("state", "NY");
    r.vars.set("name", "A rather long product name");
    r.vars.set("total", "1234567.891");
    r.vars.set("a", "1996-01-31 10:00:00");
    r.vars.set("b", "1996-07-15 08:30:00");
    r.vars.set("x", "0.275");
    r.input.vars = {{"cat", "O'Reilly"}};
    r.input.url_count = 1;
    r.input.form_end = 1;
    r.out.set_buffered(true);
}

void BM_LexTemplate(benchmark::State& state) {
    std::string tok;
    for (auto _ : state) {
        kavr::Lexer lex(kTemplate, kavr::kRefHashIsChar);
        int n = 0;
        while (lex.NextToken(tok) != kavr::kTokEnd) ++n;
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_LexTemplate);

void BM_LexReferences(benchmark::State& state) {
    std::string tok;
    for (auto _ : state) {
        kavr::Lexer lex(kTemplate, kavr::kRefKeepDouble);
        int n = 0;
        while (lex.NextToken(tok) != kavr::kTokEnd) ++n;
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_LexReferences);

void BM_CheckExpression(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(kavr::CheckExpression("age gte 18 && state = \"NY\" OR Len(name) > 3"));
}
BENCHMARK(BM_CheckExpression);

const char* const kExpressions[] = {
    "#count + 1#",
    "#1 + 2 * 3#",
    "#Left(name, 3) & \"...\"#",
    "#age gte 18 && state = \"NY\"#",
    "#DollarFormat(total)#",
    "#DateDiff(\"d\", a, b)#",
    "#Format(x, \"Percent\")#",
};

void BM_ComputeExp(benchmark::State& state) {
    Request r;
    fill(r);
    const std::string expr = kExpressions[state.range(0)];
    std::string out;
    for (auto _ : state) {
        kavr::compute_exp(expr, out, kavr::kValueSize, r);
        benchmark::DoNotOptimize(out);
    }
    state.SetLabel(expr);
}
BENCHMARK(BM_ComputeExp)->DenseRange(0, sizeof kExpressions / sizeof kExpressions[0] - 1);

void BM_ExpandSql(benchmark::State& state) {
    Request r;
    fill(r);
    const std::string sql = "SELECT id, name FROM items WHERE cat = '#url.cat#' AND n > #count# ORDER BY name";
    for (auto _ : state) {
        std::string text = sql;
        kavr::ExpandAttribute(kavr::kExpandSql, text, kavr::kExpandSize, r);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_ExpandSql);

}  // namespace
