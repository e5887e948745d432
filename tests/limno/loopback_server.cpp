#include "loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace limnotest {
namespace {

constexpr int kWaitMs = 10000;

bool readable(int fd, int timeoutMs) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, timeoutMs) > 0;
}

int boundSocket(uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("loopback socket");
    port = ntohs(address.sin_port);
    return fd;
}

}  // namespace

LoopbackServer::LoopbackServer(Behaviour behaviour, bool readRequest) : behaviour_(std::move(behaviour)) {
    listener_ = boundSocket(port_);
    if (::listen(listener_, 1) != 0) throw std::runtime_error("listen");
    thread_ = std::thread([this, readRequest] { serve(readRequest); });
}

LoopbackServer::~LoopbackServer() {
    if (thread_.joinable()) thread_.join();
    ::close(listener_);
}

std::string LoopbackServer::request() {
    if (thread_.joinable()) thread_.join();
    return request_;
}

void LoopbackServer::serve(bool readRequest) {
    if (!readable(listener_, kWaitMs)) return;
    const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) return;
    while (readRequest && request_.find("\r\n\r\n") == std::string::npos && readable(connection, kWaitMs)) {
        char piece[4096];
        const ssize_t got = ::recv(connection, piece, sizeof piece, 0);
        if (got <= 0) break;
        request_.append(piece, static_cast<size_t>(got));
    }
    if (behaviour_) behaviour_(connection);
    ::close(connection);
}

bool sendText(int connection, const std::string& text) {
    size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(connection, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

void sendPieces(int connection, const std::vector<std::string>& pieces, int pauseMs) {
    for (const auto& piece : pieces) {
        if (!sendText(connection, piece)) return;  // the client has gone
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
}

void holdUntilClientCloses(int connection) {
    char sink[256];
    while (readable(connection, kWaitMs) && ::recv(connection, sink, sizeof sink, 0) > 0) {
    }
}

uint16_t closedPort() {
    uint16_t port = 0;
    ::close(boundSocket(port));
    return port;
}

}  // namespace limnotest
