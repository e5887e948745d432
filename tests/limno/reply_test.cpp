#include "reply.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using limno::ReplyReader;
using Stage = ReplyReader::Stage;

// The reader must say "complete" at the reply's last byte and not one byte earlier, whether
// the bytes arrive all at once or one by one.
void expectCompleteExactlyAtEnd(const std::string& reply) {
    ReplyReader byByte;
    for (size_t n = 1; n < reply.size(); ++n) ASSERT_FALSE(byByte.complete(reply.data(), n)) << n;
    EXPECT_TRUE(byByte.complete(reply.data(), reply.size()));
    ReplyReader whole;
    EXPECT_TRUE(whole.complete(reply.data(), reply.size()));
    ReplyReader shortOne;
    EXPECT_FALSE(shortOne.complete(reply.data(), reply.size() - 1));
}

TEST(ReplyReader, FramedRepliesCompleteAtTheirLastByte) {
    for (const char* reply : {
             "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello",
             "HTTP/1.1 200 OK\r\ncontent-length:\t3 \r\nX: y\r\n\r\nabc",
             "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n",
             "HTTP/1.1 200 OK\nContent-Length: 2\n\nok",
             "HTTP/1.1 204 No Content\r\nContent-Length: 9\r\n\r\n",
             "HTTP/1.1 304 Not Modified\r\n\r\n",
             "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n!",
             "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
             "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, Chunked\r\nContent-Length: 3\r\n\r\n"
             "A;name=v\r\n0123456789\r\na \r\n0123456789\r\n0\r\nTrailer: 1\r\n\r\n",
         }) {
        SCOPED_TRACE(reply);
        expectCompleteExactlyAtEnd(reply);
    }
}

TEST(ReplyReader, UnframedOrBrokenRepliesLastUntilClose) {
    for (const char* reply : {
             "HTTP/1.0 200 OK\r\n\r\nbody without length",
             "not http at all\r\n\r\n",
             "HTTP/1.1 2\r\n\r\n",
             "HTTP/1.1 200 OK\r\nContent-Length: 12abc\r\n\r\nx",
             "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nxy",
             "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\nx",
             "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n",
             "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFFFFFF\r\n",
             "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabXX\r\n0\r\n\r\n",
         }) {
        SCOPED_TRACE(reply);
        ReplyReader reader;
        const std::string text = reply;
        EXPECT_FALSE(reader.complete(text.data(), text.size()));
        EXPECT_EQ(reader.stage(), Stage::UntilClose);
    }
}

TEST(ReplyReader, HugeDeclaredLengthWaitsForMoreWithoutOverflow) {
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 18446744073709551\r\n\r\nabc";
    ReplyReader reader;
    EXPECT_FALSE(reader.complete(head.data(), head.size()));
    EXPECT_EQ(reader.stage(), Stage::Body);
    EXPECT_FALSE(reader.complete(head.data(), 3));  // a shorter view is ignored, not misread
}

// A server that sends one header line without end, read as GetData reads it, a few
// kilobytes at a time into a large buffer: each byte is looked at once, so 16 MB cost one
// pass rather than one pass per read (4,096 of them).
TEST(ReplyReader, AnEndlessHeaderLineIsScannedOnce) {
    std::string reply = "HTTP/1.1 200 OK\r\nX-Endless: ";
    reply.resize(size_t(16) << 20, 'a');
    ReplyReader reader;
    for (size_t received = 4096; received <= reply.size(); received += 4096)
        ASSERT_FALSE(reader.complete(reply.data(), received));
    EXPECT_EQ(reader.stage(), Stage::Headers);
    reply += "\r\nContent-Length: 0\r\n\r\n";
    EXPECT_TRUE(reader.complete(reply.data(), reply.size()));
}

}  // namespace
