#include "io/io_state.h"

#include "driver/core/log.h"
#include "driver/core/text_util.h"
#include "platform/socket.h"

namespace kavr {

IoState::~IoState() {
    for (auto& f : files) {
        if (f->stream) f->stream->close();
        if (LogWanted(1)) WriteLog(thread_number, 1, "Close File: " + f->name + "\n");
    }
    for (int fd : sockets) platform::socket_close(fd);
}

void ReleaseIoState(Request& request) { request.io_state.reset(); }

IoState& IoStateOf(Request& request) {
    if (!request.io_state) {
        auto state = std::make_unique<IoState>();
        state->thread_number = request.thread_number;
        request.io_state = std::move(state);
    }
    return static_cast<IoState&>(*request.io_state);
}

OpenFileRecord* FindOpenFile(IoState& state, const std::string& handle) {
    for (auto& f : state.files) {
        if (f->handle.empty()) return nullptr;
        if (EqualsNoCase(f->handle, handle)) return f.get();
    }
    return nullptr;
}

void CloseOpenFile(IoState& state, OpenFileRecord* record) {
    for (auto it = state.files.begin(); it != state.files.end(); ++it) {
        if (it->get() != record) continue;
        if (record->stream) record->stream->close();
        if (LogWanted(1)) WriteLog(state.thread_number, 1, "Close File: " + record->name + "\n");
        state.files.erase(it);
        return;
    }
}

}  // namespace kavr
