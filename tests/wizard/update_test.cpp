#include "scripttest.h"
#include "updatecheck.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

namespace {

// A one-shot HTTP server on 127.0.0.1 that answers the first request with `reply`.
class LoopbackServer {
public:
    explicit LoopbackServer(std::string reply) : reply_(std::move(reply)) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 1);
        socklen_t length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~LoopbackServer() {
        shutdown(listener_, SHUT_RDWR);
        thread_.join();
        close(listener_);
    }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    const std::string& request() const { return request_; }

private:
    void serve() {
        const int client = accept(listener_, nullptr, nullptr);
        if (client < 0) return;
        char buffer[4096];
        while (request_.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            request_.append(buffer, size_t(n));
        }
        send(client, reply_.data(), reply_.size(), MSG_NOSIGNAL);
        close(client);
    }

    std::string reply_;
    std::string request_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
};

std::string httpReply(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

using UpdateTest = wiztest::ScriptTest;

TEST_F(UpdateTest, FoundUpdateIsOfferedEvenSilentlyAndYesOpensTheSite) {
    LoopbackServer server(httpReply("[YES]1.0]"));
    const wizard::UpdateInfo info = wizard::fetchUpdate(server.host(), 3000);
    EXPECT_EQ(info.status, wizard::UpdateStatus::Found);
    EXPECT_EQ(info.version, "1.0");
    EXPECT_EQ(server.request().rfind("GET //ru/devtools/kvpicturewizard/getversion.php?ver=90923 HTTP/1.1\r\n", 0), 0u);

    std::string opened;
    platform::setShellOpenHook([&](const std::string& target, const std::string&) {
        opened = target;
        return true;
    });
    answer_ = IDYES;
    wizard::reportUpdate(info, false, server.host());
    ASSERT_EQ(current_.boxes.size(), 1u);
    EXPECT_EQ(current_.boxes[0].text, "Найдено обновление!\n\nВерсия: 1.0\n\nПерейти на сайт программы?");
    EXPECT_EQ(current_.boxes[0].caption, "Сообщение");
    EXPECT_EQ(opened, "http://" + server.host() + "/ru/devtools/kvpicturewizard/");
}

TEST_F(UpdateTest, NoMarkerMeansNoUpdateAndIsSilentAtStart) {
    LoopbackServer server(httpReply("version 1.0 is current"));
    const wizard::UpdateInfo info = wizard::fetchUpdate(server.host(), 3000);
    EXPECT_EQ(info.status, wizard::UpdateStatus::NoUpdate);
    wizard::reportUpdate(info, false, server.host());
    EXPECT_TRUE(current_.boxes.empty());
    wizard::reportUpdate(info, true, server.host());
    ASSERT_EQ(current_.boxes.size(), 1u);
    EXPECT_EQ(current_.boxes[0].text, "Обнавлений не найдено!");
}

TEST_F(UpdateTest, FailuresAreShownOnlyWhenAsked) {
    // A port nobody listens on: connection refused at once.
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string closedHost = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    const wizard::UpdateInfo refused = wizard::fetchUpdate(closedHost, 1000);
    close(probe);
    EXPECT_EQ(refused.status, wizard::UpdateStatus::NoConnection);
    wizard::reportUpdate(refused, false, closedHost);
    EXPECT_TRUE(current_.boxes.empty());
    wizard::reportUpdate(refused, true, closedHost);
    ASSERT_EQ(current_.boxes.size(), 1u);
    EXPECT_EQ(current_.boxes[0].type, MB_OK | MB_ICONWARNING);

    LoopbackServer silent("");
    const wizard::UpdateInfo empty = wizard::fetchUpdate(silent.host(), 1000);
    EXPECT_EQ(empty.status, wizard::UpdateStatus::NoReply);
    wizard::reportUpdate(empty, true, silent.host());
    ASSERT_EQ(current_.boxes.size(), 2u);
    EXPECT_EQ(current_.boxes[1].caption, "Ошибка");
}

TEST(UpdateReply, MarkerMustStartWithinTheFirst4000Bytes) {
    std::string reply(3990, ' ');
    reply += "[YES]2.5.1]tail";
    EXPECT_EQ(wizard::parseUpdateReply(reply.data(), reply.size()).version, "2.5.1");
    reply.insert(0, 20, '-');
    EXPECT_EQ(wizard::parseUpdateReply(reply.data(), reply.size()).status, wizard::UpdateStatus::NoUpdate);
    const std::string open = "[YES]" + std::string(300, '9');  // no closing bracket
    EXPECT_EQ(wizard::parseUpdateReply(open.data(), open.size()).version.size(), 255u);
}

}  // namespace
