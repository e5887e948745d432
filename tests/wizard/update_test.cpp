#include "scripttest.h"
#include "updatecheck.h"

#include "loopback_server.h"

#include <string>

namespace {

using limnotest::LoopbackServer;

// A server that answers the request with `reply` and closes the connection.
LoopbackServer::Behaviour answer(std::string reply) {
    return [reply](int connection) { limnotest::sendText(connection, reply); };
}

std::string httpReply(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

using UpdateTest = wiztest::ScriptTest;

TEST_F(UpdateTest, FoundUpdateIsOfferedEvenSilentlyAndYesOpensTheSite) {
    LoopbackServer server(answer(httpReply("[YES]1.0]")));
    const wizard::UpdateInfo info = wizard::fetchUpdate(server.address(), 3000);
    EXPECT_EQ(info.status, wizard::UpdateStatus::Found);
    EXPECT_EQ(info.version, "1.0");
    EXPECT_EQ(server.request().rfind("GET //ru/devtools/kvpicturewizard/getversion.php?ver=90923 HTTP/1.1\r\n", 0), 0u);

    std::string opened;
    platform::setShellOpenHook([&](const std::string& target, const std::string&) {
        opened = target;
        return true;
    });
    answer_ = IDYES;
    wizard::reportUpdate(info, false, server.address());
    ASSERT_EQ(current_.boxes.size(), 1u);
    EXPECT_EQ(current_.boxes[0].text, "Найдено обновление!\n\nВерсия: 1.0\n\nПерейти на сайт программы?");
    EXPECT_EQ(current_.boxes[0].caption, "Сообщение");
    EXPECT_EQ(opened, "http://" + server.address() + "/ru/devtools/kvpicturewizard/");
}

TEST_F(UpdateTest, NoMarkerMeansNoUpdateAndIsSilentAtStart) {
    LoopbackServer server(answer(httpReply("version 1.0 is current")));
    const wizard::UpdateInfo info = wizard::fetchUpdate(server.address(), 3000);
    EXPECT_EQ(info.status, wizard::UpdateStatus::NoUpdate);
    wizard::reportUpdate(info, false, server.address());
    EXPECT_TRUE(current_.boxes.empty());
    wizard::reportUpdate(info, true, server.address());
    ASSERT_EQ(current_.boxes.size(), 1u);
    EXPECT_EQ(current_.boxes[0].text, "Обнавлений не найдено!");
}

TEST_F(UpdateTest, FailuresAreShownOnlyWhenAsked) {
    // A port nobody listens on: connection refused at once.
    const std::string closedHost = "127.0.0.1:" + std::to_string(limnotest::closedPort());
    const wizard::UpdateInfo refused = wizard::fetchUpdate(closedHost, 1000);
    EXPECT_EQ(refused.status, wizard::UpdateStatus::NoConnection);
    wizard::reportUpdate(refused, false, closedHost);
    EXPECT_TRUE(current_.boxes.empty());
    wizard::reportUpdate(refused, true, closedHost);
    ASSERT_EQ(current_.boxes.size(), 1u);
    EXPECT_EQ(current_.boxes[0].type, MB_OK | MB_ICONWARNING);

    LoopbackServer silent(nullptr);
    const wizard::UpdateInfo empty = wizard::fetchUpdate(silent.address(), 1000);
    EXPECT_EQ(empty.status, wizard::UpdateStatus::NoReply);
    wizard::reportUpdate(empty, true, silent.address());
    ASSERT_EQ(current_.boxes.size(), 2u);
    EXPECT_EQ(current_.boxes[1].caption, "Ошибка");
}

// A reply that stops short is a failure, whatever version its first bytes already name.
TEST_F(UpdateTest, AReplyBrokenOffOrTimedOutIsAFailureNotAVersion) {
    const std::string whole = httpReply("[YES]9.9]");
    const struct {
        const char* what;
        LoopbackServer::Behaviour behaviour;
    } cases[] = {
        {"closed in the header", answer("HTTP/1.1 200 OK\r\nContent-Le")},
        {"closed in the body", answer("HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n[YES]9.9]")},
        {"closed before the last chunk",
         answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n9\r\n[YES]9.9]\r\n")},
        {"timed out", [whole](int connection) {
             limnotest::sendText(connection, whole.substr(0, whole.size() - 1));
             limnotest::holdUntilClientCloses(connection);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        current_.boxes.clear();
        LoopbackServer server(c.behaviour);
        const wizard::UpdateInfo info = wizard::fetchUpdate(server.address(), 500);
        EXPECT_EQ(info.status, wizard::UpdateStatus::Incomplete);
        EXPECT_EQ(info.version, "");
        wizard::reportUpdate(info, false, server.address());
        EXPECT_TRUE(current_.boxes.empty());
        wizard::reportUpdate(info, true, server.address());
        ASSERT_EQ(current_.boxes.size(), 1u);
        EXPECT_EQ(current_.boxes[0].text,
                  "Ответ сервера получен не полностью!\nСоединение прервано или истекло время ожидания.");
        EXPECT_EQ(current_.boxes[0].type, MB_OK | MB_ICONERROR);
    }
    // A reply longer than the buffer is still read: its first bytes are whole.
    LoopbackServer longer(answer(httpReply("[YES]2.0]" + std::string(40000, ' '))));
    EXPECT_EQ(wizard::fetchUpdate(longer.address(), 3000).version, "2.0");
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
