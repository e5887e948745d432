#include <limno/limno.h>

#include "loopback_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using limnotest::LoopbackServer;

constexpr uint32_t kBufferSize = 100000;

std::string okReply(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// One exchange against a server; the reply buffer is checked for writes past its end.
struct Exchange {
    cLIMNO_SOCKET client;
    std::vector<char> storage;
    std::string reply;
    double seconds = 0;

    explicit Exchange(uint32_t receiveTimeoutMs = 10000) { client.receiveTimeoutMs = receiveTimeoutMs; }

    // Init's status; GetData's must be `delivered`.
    uint32_t run(const std::string& address, const char* path, int32_t method, uint32_t bufferSize = kBufferSize,
                 uint32_t delivered = LIMNO_OK) {
        const uint32_t status = client.Init(address.c_str());
        if (status != LIMNO_OK) return status;
        storage.assign(bufferSize + 64, '\x5A');
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(client.GetData(storage.data(), bufferSize, path, method), delivered);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        reply.assign(storage.data(), client.received);
        EXPECT_EQ(storage[client.received], '\0');
        EXPECT_EQ(std::string(storage.begin() + bufferSize, storage.end()), std::string(64, '\x5A'));
        client.Unlink();
        return status;
    }
};

TEST(LimnoRequest, ExactBytesForEachMethodAndPath) {
    struct Case {
        const char* path;
        int32_t method;
        const char* line;
    };
    for (const Case c : {Case{"a/b.php?x=1", LIMNO_METHOD_GET, "GET /a/b.php?x=1 HTTP/1.1"},
                         Case{"form", LIMNO_METHOD_POST, "POST /form HTTP/1.1"},
                         Case{"seven", 7, "GET /seven HTTP/1.1"},
                         Case{"/lead", LIMNO_METHOD_GET, "GET //lead HTTP/1.1"}}) {
        SCOPED_TRACE(c.path);
        LoopbackServer server([](int fd) { limnotest::sendText(fd, okReply("ok")); });
        Exchange exchange;
        ASSERT_EQ(exchange.run(server.address(), c.path, c.method), LIMNO_OK);
        EXPECT_EQ(server.request(), std::string(c.line) + "\r\nHost: " + server.address() + "\r\n\r\n");
        EXPECT_EQ(exchange.reply, okReply("ok"));
    }
}

TEST(LimnoInit, HostForms) {
    cLIMNO_SOCKET client;
    EXPECT_EQ(client.sock, -1);
    EXPECT_EQ(client.Init(("127.0.0.1:" + std::to_string(limnotest::closedPort())).c_str()), LIMNO_ERR_CONNECT);
    EXPECT_EQ(client.host[0], '\0');
    for (const char* bad : {"", "127.0.0.1:", "127.0.0.1:0", "127.0.0.1:65536", "127.0.0.1:8x", "[::1", "[::1]x"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(client.Init(bad), LIMNO_ERR_SOCKET);
    }
    EXPECT_EQ(client.Init(nullptr), LIMNO_ERR_SOCKET);
    EXPECT_EQ(client.Init(std::string(600, 'h').c_str()), LIMNO_ERR_SOCKET);
    EXPECT_EQ(client.Unlink(), LIMNO_OK);  // safe without a connection

    // "localhost" may resolve to ::1 first; the IPv4 listener must still be reached.
    LoopbackServer server([](int fd) { limnotest::sendText(fd, okReply("hi")); });
    Exchange exchange;
    const std::string name = "localhost:" + std::to_string(server.port());
    ASSERT_EQ(exchange.run(name, "x", LIMNO_METHOD_GET), LIMNO_OK);
    EXPECT_NE(server.request().find("\r\nHost: " + name + "\r\n"), std::string::npos);
}

TEST(LimnoReply, CompleteRepliesEndWithoutWaitingForClose) {
    std::string big(40000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
    std::vector<std::string> bigPieces = {okReply(big).substr(0, 100)};
    for (size_t at = 100; at < okReply(big).size(); at += 3000) bigPieces.push_back(okReply(big).substr(at, 3000));
    const std::string chunked =
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n1;ext=1\r\n \r\n5\r\nworld\r\n0\r\n\r\n";
    std::vector<std::string> chunkedPieces;
    for (size_t at = 0; at < chunked.size(); at += 7) chunkedPieces.push_back(chunked.substr(at, 7));

    struct Case {
        const char* name;
        std::vector<std::string> pieces;
    };
    for (const Case& c : {Case{"short", {okReply("version=2")}}, Case{"large in pieces", bigPieces},
                          Case{"chunked in pieces", chunkedPieces}}) {
        SCOPED_TRACE(c.name);
        LoopbackServer server([&](int fd) {
            limnotest::sendPieces(fd, c.pieces, 2);
            limnotest::holdUntilClientCloses(fd);
        });
        Exchange exchange;
        ASSERT_EQ(exchange.run(server.address(), "v", LIMNO_METHOD_GET), LIMNO_OK);
        std::string whole;
        for (const auto& piece : c.pieces) whole += piece;
        EXPECT_EQ(exchange.reply, whole);
        EXPECT_FALSE(exchange.client.truncated);
        EXPECT_LT(exchange.seconds, 5.0);  // the 10 s receive limit was never reached
    }
}

TEST(LimnoReply, ReplyWithoutLengthEndsWhenServerCloses) {
    const std::string reply = "HTTP/1.0 200 OK\r\n\r\n" + std::string(20000, 'z');
    LoopbackServer server([&](int fd) { limnotest::sendPieces(fd, {reply.substr(0, 9000), reply.substr(9000)}, 20); });
    Exchange exchange;
    ASSERT_EQ(exchange.run(server.address(), "", LIMNO_METHOD_GET), LIMNO_OK);
    EXPECT_EQ(exchange.reply, reply);
}

TEST(LimnoReply, ServerThatClosesAtOnceGivesEmptyReply) {
    LoopbackServer server(nullptr, false);
    Exchange exchange;
    ASSERT_EQ(exchange.run(server.address(), "x", LIMNO_METHOD_POST, kBufferSize, LIMNO_ERR_INCOMPLETE), LIMNO_OK);
    EXPECT_EQ(exchange.reply, "");
    EXPECT_EQ(exchange.client.received, 0u);
}

TEST(LimnoReply, SilentServerTimesOut) {
    LoopbackServer server(limnotest::holdUntilClientCloses);
    Exchange exchange(300);
    ASSERT_EQ(exchange.run(server.address(), "x", LIMNO_METHOD_GET, kBufferSize, LIMNO_ERR_INCOMPLETE), LIMNO_OK);
    EXPECT_EQ(exchange.reply, "");
    EXPECT_LT(exchange.seconds, 5.0);
}

TEST(LimnoReply, TricklingServerIsBoundedByTheReplyTimeOut) {
    const std::string reply = okReply(std::string(200, 't'));
    std::vector<std::string> bytes;
    for (const char c : reply) bytes.push_back(std::string(1, c));
    LoopbackServer server([&](int fd) { limnotest::sendPieces(fd, bytes, 20); });
    Exchange exchange(1000);
    exchange.client.replyTimeoutMs = 300;
    ASSERT_EQ(exchange.run(server.address(), "x", LIMNO_METHOD_GET, kBufferSize, LIMNO_ERR_INCOMPLETE), LIMNO_OK);
    EXPECT_GT(exchange.reply.size(), 0u);
    EXPECT_LT(exchange.reply.size(), reply.size());
    EXPECT_EQ(exchange.reply, reply.substr(0, exchange.reply.size()));
    EXPECT_FALSE(exchange.client.truncated);
}

TEST(LimnoReply, ReplyLargerThanBufferIsCutAndTerminated) {
    const std::string reply = okReply(std::string(1000, 'q'));
    LoopbackServer server([&](int fd) {
        limnotest::sendText(fd, reply);
        limnotest::holdUntilClientCloses(fd);
    });
    Exchange exchange;
    ASSERT_EQ(exchange.run(server.address(), "x", LIMNO_METHOD_GET, 64, LIMNO_ERR_INCOMPLETE), LIMNO_OK);
    EXPECT_EQ(exchange.client.received, 63u);
    EXPECT_EQ(exchange.reply, reply.substr(0, 63));
    EXPECT_TRUE(exchange.client.truncated);
}

TEST(LimnoReply, ReplyThatExactlyFillsBufferIsNotCut) {
    const std::string framed = okReply("0123456789");
    const std::string unframed = "HTTP/1.0 200 OK\r\n\r\nabcdef";
    for (const std::string& reply : {framed, unframed}) {
        LoopbackServer server([&](int fd) { limnotest::sendText(fd, reply); });
        Exchange exchange;
        ASSERT_EQ(exchange.run(server.address(), "x", LIMNO_METHOD_GET, uint32_t(reply.size() + 1)), LIMNO_OK);
        EXPECT_EQ(exchange.reply, reply);
        EXPECT_FALSE(exchange.client.truncated);
    }
}

TEST(LimnoReply, NoBufferOrNoConnectionWritesNothing) {
    cLIMNO_SOCKET client;
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(client.GetData(buffer, 4, "x", LIMNO_METHOD_GET), LIMNO_ERR_SOCKET);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(client.GetData(buffer + 1, 0, "x", LIMNO_METHOD_GET), LIMNO_ERR_INCOMPLETE);
    EXPECT_EQ(buffer[1], 'x');
    EXPECT_EQ(client.GetData(nullptr, 10, "x", LIMNO_METHOD_GET), LIMNO_ERR_INCOMPLETE);
}

// A server that stops short of what it announced: headers cut off, fewer body bytes than
// the Content-Length, a chunked body without its last chunk. What came is still delivered.
TEST(LimnoReply, ClosingEarlyIsAnIncompleteReply) {
    for (const std::string& reply : {std::string("HTTP/1.1 200 OK\r\nContent-Le"), okReply("0123456789").substr(0, 45),
                                    std::string("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n")}) {
        SCOPED_TRACE(reply);
        LoopbackServer server([&](int fd) { limnotest::sendText(fd, reply); });
        Exchange exchange;
        ASSERT_EQ(exchange.run(server.address(), "x", LIMNO_METHOD_GET, kBufferSize, LIMNO_ERR_INCOMPLETE), LIMNO_OK);
        EXPECT_EQ(exchange.reply, reply);
    }
}

// Control characters in the path would put text of the caller's into the header lines or
// start a second request; such a path is refused before anything is sent.
TEST(LimnoRequest, PathsWithControlCharactersAreRefused) {
    for (const char* path : {"a\r\nX-Injected: 1", "b\nGET /second HTTP/1.1", "tab\there", "del\x7f", "\r"}) {
        SCOPED_TRACE(path);
        LoopbackServer server(nullptr);  // reads until the client closes
        cLIMNO_SOCKET client;
        ASSERT_EQ(client.Init(server.address().c_str()), LIMNO_OK);
        char buffer[64];
        EXPECT_EQ(client.GetData(buffer, sizeof buffer, path, LIMNO_METHOD_GET), LIMNO_ERR_REQUEST);
        EXPECT_EQ(client.received, 0u);
        client.Unlink();
        EXPECT_EQ(server.request(), "");  // the server heard nothing
    }
    cLIMNO_SOCKET client;
    EXPECT_EQ(client.Init("127.0.0.1\r\nX: y"), LIMNO_ERR_SOCKET);
}

}  // namespace
