// A request with a message catalog, for tests of the expression layer.
#pragma once
#include <string>

#include "driver/core/request.h"
#include "expr/evaluator.h"
#include "expr/register.h"
#include "tests/unit/test_site.h"

namespace kavr::test {

struct ExprEnv {
    TestSite site;
    Request request;

    ExprEnv() {
        site.write("kavr_msg.ini",
                   "[ErrorMsg]\n11010c=Syntax error\n10810c=No variable #CurVarName__#\n"
                   "10240c=Division by zero\n");
        request.out.set_buffered(true);
        RegisterExprModule();
    }

    // The value of an expression, or "FAIL" when compute_exp returns -1.
    std::string eval(const std::string& expr, const RowView& row = RowView()) {
        std::string out;
        return compute_exp(expr, out, kValueSize, request, row) == 1 ? out : "FAIL";
    }

    std::string page() const {
        std::string all;
        for (const auto& b : request.out.blocks()) all += b;
        return all;
    }

    // The codes of the error blocks written so far, space-separated.
    std::string errors() const {
        std::string codes, text = page();
        const std::string mark = "Error Code = ";
        for (size_t at = 0; (at = text.find(mark, at)) != std::string::npos; at += mark.size()) {
            if (!codes.empty()) codes += ' ';
            codes += text.substr(at + mark.size(), 5);
        }
        return codes;
    }

    void set(const char* name, const char* value, int index = 0) { request.vars.set(name, value, index); }
};

}  // namespace kavr::test
