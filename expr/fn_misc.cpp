// Functions over the request, the variables and the environment.
#include <cmath>
#include <cstdint>

#include "driver/core/request.h"
#include "expr/builtin_functions.h"
#include "expr/lexer.h"
#include "expr/values.h"
#include "platform/clock.h"
#include "platform/env.h"
#include "platform/file.h"
#include "platform/os_path.h"

namespace kavr {

namespace {

// Rnd's seed lives as long as the process (that is, one request).
int g_rnd_seed = 0;
const long g_process_start_ms = platform::clock_ms();

bool integer_argument(FunctionCall& call, int& out) {
    std::vector<std::string> args;
    return call.Arguments(args, 1, 1) && IsInteger(args[0]) && ReadInt32(args[0], out);
}

// The generator of the runtime library: a 32-bit state, 15-bit draws.
struct Generator {
    uint32_t state;
    int draw() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 32767u);
    }
};

}  // namespace

void SetRndSeed(int seed) { g_rnd_seed = seed; }

int FnRnd(FunctionCall& call) {
    std::vector<std::string> args;
    if (!call.Arguments(args, 1, 1)) return 0;
    const std::string& a = args[0];
    int decimals = 0;
    if (a.find('.') != std::string::npos) {
        double d;
        if (!ReadDouble(a, d) || std::isnan(d)) return 0;
        double whole = std::floor(d);
        decimals = SaturateInt32(d - whole > 0.5 ? whole + 1 : whole);
    } else if (!ReadInt32(a, decimals)) {
        return 0;
    }
    int max_decimals = call.size > 3 ? static_cast<int>(std::min<size_t>(call.size - 3, 12)) : 0;
    if (decimals > max_decimals) decimals = max_decimals;
    if (decimals < 0) decimals = 1;

    int seed = g_rnd_seed;
    if (seed == 0) seed = static_cast<int>((platform::clock_ms() - g_process_start_ms) % 32767);
    Generator gen{static_cast<uint32_t>(seed)};
    int draws = g_rnd_seed % 20 + 20;
    int r = 0;
    for (int i = 0; i < draws; ++i) r = gen.draw();
    g_rnd_seed = r;
    return call.Result(FormatFixed(r / 32768.0, decimals));
}

int FnParameterExists(FunctionCall& call) {
    if (!call.Open()) return 0;
    Request& r = call.request;
    bool saved = r.parameter_probe;
    r.parameter_probe = true;
    std::string v;
    int ok = call.Argument(v);
    r.parameter_probe = saved;
    return call.Result(ok ? "1" : "0");
}

int FnIncrementValue(FunctionCall& call) {
    int v = 0;
    if (!integer_argument(call, v)) return 0;
    return call.Result(FormatInt(static_cast<int32_t>(static_cast<uint32_t>(v) + 1u)));
}

int FnDecrementValue(FunctionCall& call) {
    int v = 0;
    if (!integer_argument(call, v)) return 0;
    return call.Result(FormatInt(static_cast<int32_t>(static_cast<uint32_t>(v) - 1u)));
}

int FnDefaultFileName(FunctionCall& call) {
    const char* env = platform::env_get("TEMP");
    if (!env || !*env) env = platform::env_get("TMPDIR");
    std::string dir = env && *env ? platform::from_os_path(env) : std::string("\\tmp");
    while (dir.size() > 1 && dir.back() == '\\') dir.pop_back();
    for (int n = 0; n <= 999; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "\\file%3d.dat", n);
        std::string path = dir + name;
        platform::File f(path, "r");
        if (!f.is_open()) return call.Result(path);
    }
    return 0;
}

int FnArrayCount(FunctionCall& call) {
    std::string name;
    if (!call.Open() || call.lexer.NextToken(name) == kTokEnd) return 0;
    const Variable* v = call.request.vars.find(name);
    return call.Result(FormatInt(v ? static_cast<long long>(v->elements.size()) : 0));
}

int FnKavGetConnection(FunctionCall& call) { return call.Result("0"); }

}  // namespace kavr
