#include "platform/env.h"

#include <cstdlib>

#include "platform/request_channel.h"

extern char** environ;

namespace kavr::platform {

namespace {
RequestChannel* g_channel = nullptr;  // the FastCGI request being served, if any
}  // namespace

void set_request_channel(RequestChannel* channel) { g_channel = channel; }
RequestChannel* request_channel() { return g_channel; }

const char* env_get(const char* name) {
    return g_channel ? g_channel->get_env(name) : std::getenv(name);
}

char** env_all() { return g_channel ? g_channel->environment() : environ; }

}  // namespace kavr::platform
