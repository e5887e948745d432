// A one-connection HTTP server on 127.0.0.1 for the client tests. It reads the request up to
// its empty line, then hands the connection to the test's behaviour; every wait is bounded.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace limnotest {

class LoopbackServer {
public:
    using Behaviour = std::function<void(int connection)>;

    // With readRequest false the behaviour runs as soon as the connection is accepted.
    explicit LoopbackServer(Behaviour behaviour, bool readRequest = true);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    uint16_t port() const { return port_; }
    // Waits for the connection to end and returns the request bytes the server read.
    std::string request();

private:
    void serve(bool readRequest);

    int listener_ = -1;
    uint16_t port_ = 0;
    Behaviour behaviour_;
    std::string request_;
    std::thread thread_;
};

// Behaviours' building blocks.
bool sendText(int connection, const std::string& text);  // false once the client has gone
void sendPieces(int connection, const std::vector<std::string>& pieces, int pauseMs);
// Keeps the connection open until the client closes it (at most ten seconds).
void holdUntilClientCloses(int connection);

// A port on 127.0.0.1 that nothing listens on.
uint16_t closedPort();

}  // namespace limnotest
