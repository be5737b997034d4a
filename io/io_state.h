// What the file and socket tags keep in the request: the open file table
// and the connections the template opened. Whatever is still open when
// the request ends is closed then.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "driver/core/request.h"
#include "platform/file.h"

namespace kavr {

struct OpenFileRecord {
    std::string name;        // logical name, substituted
    std::string mode;        // as written
    std::string lock;        // as written
    std::string handle;      // the "as" name the other tags use
    std::string result_var;  // the "ret" variable name, as written
    std::unique_ptr<platform::File> stream;  // null when the open failed
};

struct IoState : ModuleState {
    int thread_number = 0;  // for the closing lines written at the end
    std::vector<std::unique_ptr<OpenFileRecord>> files;  // in order of opening
    std::vector<int> sockets;                            // descriptors opened here

    ~IoState() override;
};

// The request's state, made on first use.
IoState& IoStateOf(Request& request);

// Closes every open file (logging "Close File: " and its name, in table
// order) and connection, and drops the state. Called at the end of the
// request.
void ReleaseIoState(Request& request);

// The record for a handle (without regard to case, first in table order);
// the search stops at a record without a handle. Null when not found.
OpenFileRecord* FindOpenFile(IoState& state, const std::string& handle);

// Closes and removes the record, logging "Close File: " and its name.
void CloseOpenFile(IoState& state, OpenFileRecord* record);

}  // namespace kavr
