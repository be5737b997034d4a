// kavsocketopen, kavsocketsendtext, kavsocketrcvtext and kavsocketclose:
// TCP client connections carried from tag to tag as the decimal number of
// their descriptor. Only descriptors that this request's kavsocketopen
// made are used: any other number (standard output, the log, a file) is
// refused as a failed operation.
#include <algorithm>

#include "driver/core/config.h"
#include "driver/core/log.h"
#include "driver/core/request.h"
#include "expr/evaluator.h"
#include "expr/values.h"
#include "expr/variables.h"
#include "io/io_state.h"
#include "io/io_tags.h"
#include "template/tag_attributes.h"
#include "platform/socket.h"

namespace kavr {

namespace {

constexpr size_t kAttributeSize = 1024;
constexpr size_t kReceiveBuffer = 8192;
constexpr int kDefaultTimeoutSeconds = 20;

void set_result(Request& r, const std::string& var, bool ok) {
    if (!var.empty()) SetVariable(r, var, ok ? "1" : "0", 0);
}

// An expression that must give an integer; 0 when it does not.
int evaluate_integer(Request& r, const std::string& expr, int& value) {
    std::string v;
    if (compute_exp(expr, v, kValueSize, r) != 1 || !IsInteger(v)) return 0;
    return ReadInt32(v, value) ? 1 : 0;
}

// The descriptor a Handle expression names, when this request opened it;
// -1 otherwise. 0 when the expression fails.
int find_socket(Request& r, const std::string& handle_expr, int& fd) {
    std::string v;
    if (compute_exp(handle_expr, v, kValueSize, r) != 1) return 0;
    int n = -1;
    fd = -1;
    if (!ReadInt32(v, n)) return 1;
    std::vector<int>& open = IoStateOf(r).sockets;
    if (std::find(open.begin(), open.end(), n) != open.end()) fd = n;
    else WriteLog(r.thread_number, 2, "Warning: No connection with handle " + v + "\n");
    return 1;
}

// Reads Handle, RetVar and one more attribute (Text) for close, send and
// receive. 0 when the tag is malformed or has no Handle.
int read_connection_tag(TagCall& call, std::string& handle, std::string& ret, std::string* text) {
    enum { kHandle, kRetVar, kText };
    std::vector<TagAttribute> attrs;
    if (!ReadTagAttributes(call.lexer, {"Handle", "RetVar", "Text"}, attrs)) return 0;
    bool has_handle = false;
    for (TagAttribute& a : attrs) {
        if (a.which == kHandle) {
            handle = a.value;
            has_handle = true;
        } else if (a.which == kRetVar) {
            ret = a.value;
        } else if (text) {
            *text = a.value;
        }
    }
    return has_handle && !handle.empty() ? 1 : 0;
}

}  // namespace

int KavSocketOpen(TagCall& call) {
    Request& r = call.request;
    enum { kDomainName, kIPAddress, kPortNumber, kHandle, kTimeout, kRetVar };
    std::vector<TagAttribute> attrs;
    if (!ReadTagAttributes(call.lexer, {"DomainName", "IPAddress", "PortNumber", "Handle", "Timeout", "RetVar"},
                           attrs))
        return 0;
    std::string address, handle, ret;
    bool has_address = false, look_up = false, has_port = false;
    int port = 0, timeout = 0;
    for (TagAttribute& a : attrs) {
        switch (a.which) {
            case kDomainName:
            case kIPAddress:
                if (!ExpandAttribute(kExpandText, a.value, kAttributeSize, r)) return 0;
                address = a.value;
                has_address = true;
                look_up = a.which == kDomainName;
                break;
            case kPortNumber:
                if (!evaluate_integer(r, a.value, port)) return 0;
                has_port = true;
                break;
            case kTimeout:
                if (!evaluate_integer(r, a.value, timeout)) return 0;
                if (timeout < 0) timeout = 0;
                break;
            case kHandle: handle = a.value; break;
            case kRetVar: ret = a.value; break;
        }
    }
    if (!has_port || handle.empty()) return 0;
    if (look_up) {
        std::string host = address;
        if (host.empty() && !platform::local_host_name(host)) return 0;
        if (!platform::lookup_ipv4(host, address)) return 0;
    }
    int seconds = timeout > 0 ? timeout : g_config.socket_timeout;
    // No time-out at all would let a silent server hold the request forever.
    if (seconds <= 0) seconds = kDefaultTimeoutSeconds;
    // Without an address there is nothing to connect to.
    int fd = has_address && platform::is_dotted_ipv4(address)
                 ? platform::socket_open_ms(address, port, static_cast<long>(seconds) * 1000L)
                 : -1;
    if (fd < 0) {
        set_result(r, ret, false);
        return 1;
    }
    IoStateOf(r).sockets.push_back(fd);
    SetVariable(r, handle, std::to_string(fd), 0);
    set_result(r, ret, true);
    return 1;
}

int KavSocketClose(TagCall& call) {
    Request& r = call.request;
    std::string handle, ret;
    if (!read_connection_tag(call, handle, ret, nullptr)) return 0;
    int fd;
    if (!find_socket(r, handle, fd)) return 0;
    if (fd >= 0) {
        platform::socket_close(fd);
        std::vector<int>& open = IoStateOf(r).sockets;
        open.erase(std::find(open.begin(), open.end(), fd));
    }
    set_result(r, ret, fd >= 0);
    return 1;
}

int KavSocketSendText(TagCall& call) {
    Request& r = call.request;
    std::string handle, ret, text_expr;
    if (!read_connection_tag(call, handle, ret, &text_expr)) return 0;
    std::string text;
    if (!text_expr.empty() && compute_exp(text_expr, text, kValueSize, r) != 1) return 0;
    int fd;
    if (!find_socket(r, handle, fd)) return 0;
    WriteLog(0, 1, text);
    set_result(r, ret, fd >= 0 && platform::socket_send_all(fd, text));
    return 1;
}

int KavSocketRcvText(TagCall& call) {
    Request& r = call.request;
    std::string handle, ret, var;
    if (!read_connection_tag(call, handle, ret, &var)) return 0;
    int fd;
    if (!find_socket(r, handle, fd)) return 0;
    std::string data(kReceiveBuffer - 1, '\0');
    long n = fd >= 0 ? platform::socket_recv_some(fd, data.data(), data.size()) : -1;
    if (n < 0) {
        set_result(r, ret, false);
        return 1;
    }
    data.resize(static_cast<size_t>(n));
    if (!var.empty()) SetVariable(r, var, data, 0);
    set_result(r, ret, true);
    return 1;
}

}  // namespace kavr
