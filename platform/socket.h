// IPv4 TCP client connections. A connection is its socket descriptor: an
// int, -1 when there is none. Every call that waits is bounded by the
// time-out given when the connection was opened.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace kavr::platform {

// Looks a host name (or dotted address) up and gives its first IPv4
// address in dotted form. False when the name is empty or does not resolve.
bool lookup_ipv4(const std::string& host, std::string& dotted);

// True for an IPv4 address written as four dotted decimal numbers.
bool is_dotted_ipv4(const std::string& text);

// Connects to host:port, waiting at most timeout_ms for the connection;
// later sends and receives time out after timeout_ms each as well.
// Returns the descriptor, or -1 when the host does not resolve, the port is
// outside 1..65535, or the connection is refused or times out.
int socket_open_ms(const std::string& host, int port, long timeout_ms);

// The same with the time-out in whole seconds.
int socket_open(const std::string& host, int port, int timeout_s);

// Changes the send and receive time-outs of an open connection.
bool socket_set_timeouts(int fd, long timeout_ms);

// Sends every byte, repeating partial sends; false on error or time-out.
// A peer that has gone away is an error, never a signal.
bool socket_send_all(int fd, std::string_view bytes);

// One receive of at most size bytes: the count received, 0 when the peer
// has closed the connection, -1 on error or time-out.
long socket_recv_some(int fd, char* buf, size_t size);

// Closes the connection; -1 is ignored.
void socket_close(int fd);

// The name of this machine; false when it cannot be had.
bool local_host_name(std::string& out);

}  // namespace kavr::platform
