#include <platform/textfile.h>

#include "testsupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace {

using platform::TextFileStatus;

std::string nested(size_t depth, const std::string& open = "<e>", const std::string& close = "</e>") {
    std::string out;
    for (size_t i = 0; i < depth; ++i) out += open;
    for (size_t i = 0; i < depth; ++i) out += close;
    return out;
}

void writeText(const std::string& path, const std::string& text) {
    kvtest::writeFile(path, kvtest::Bytes(text.begin(), text.end()));
}

TEST(TextFile, ReadsRegularFilesUpToTheLimit) {
    kvtest::TempDir dir;
    writeText(dir.file("a.txt"), "hello");
    std::string text;
    EXPECT_EQ(platform::readTextFile(dir.file("a.txt"), text, 5), TextFileStatus::Ok);
    EXPECT_EQ(text, "hello");
    EXPECT_EQ(platform::readTextFile(dir.file("a.txt"), text, 4), TextFileStatus::TooLarge);
    EXPECT_TRUE(text.empty());
    writeText(dir.file("empty.txt"), "");
    EXPECT_EQ(platform::readTextFile(dir.file("empty.txt"), text, 4), TextFileStatus::Ok);
    EXPECT_EQ(platform::readTextFile(dir.file("missing.txt"), text, 4), TextFileStatus::Unreadable);
}

TEST(TextFile, RefusesWhatIsNoRegularFileWithoutWaiting) {
    kvtest::TempDir dir;
    std::string text;
    EXPECT_EQ(platform::readTextFile(dir.path().string(), text, 100), TextFileStatus::NotRegular);
    // A symbolic link is followed to what it names: here an endless device.
    ASSERT_EQ(::symlink("/dev/zero", dir.file("zero.xml").c_str()), 0);
    EXPECT_EQ(platform::readXmlFile(dir.file("zero.xml"), text), TextFileStatus::NotRegular);
    // A FIFO with no writer would block an ordinary open forever.
    ASSERT_EQ(::mkfifo(dir.file("pipe.xml").c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(platform::readXmlFile(dir.file("pipe.xml"), text), TextFileStatus::NotRegular);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));  // a guard against hanging
}

TEST(XmlNesting, CountsElementsAsTheParserSeesThem) {
    EXPECT_EQ(platform::xmlNestingDepth("", 100), 0u);
    EXPECT_EQ(platform::xmlNestingDepth("plain text, no markup", 100), 0u);
    EXPECT_EQ(platform::xmlNestingDepth(nested(3), 100), 3u);
    EXPECT_EQ(platform::xmlNestingDepth("<a><b/><b/><c><d x='1'/></c></a>", 100), 2u);
    // Siblings do not add up; closing tags bring the depth back.
    EXPECT_EQ(platform::xmlNestingDepth(nested(2) + nested(2) + nested(1), 100), 2u);
    // Declarations, doctype, comments and CDATA hold no elements.
    EXPECT_EQ(platform::xmlNestingDepth("<?xml version=\"1.0\"?><!DOCTYPE x><!-- <a><b><c> --><r><![CDATA[<a><b>]]></r>", 100), 1u);
    // Markup characters inside quoted values belong to the value: "/>" there does not end
    // the tag, and "<" there opens nothing.
    EXPECT_EQ(platform::xmlNestingDepth(nested(5, "<e v=\"/>\">", "</e>"), 100), 5u);
    EXPECT_EQ(platform::xmlNestingDepth(nested(4, "<e v='<f><g>'>", "</e>"), 100), 4u);
    // Names may begin with any byte from 0x7F up, as UTF-8 names do.
    EXPECT_EQ(platform::xmlNestingDepth(nested(3, "<\xC3\xA9>", "</\xC3\xA9>"), 100), 3u);
    // The scan gives up as soon as the depth passes the limit it was given.
    EXPECT_EQ(platform::xmlNestingDepth(nested(1000), 10), 11u);
}

TEST(XmlNesting, ReadXmlFileRefusesDeepDocuments) {
    kvtest::TempDir dir;
    std::string text;
    writeText(dir.file("ok.xml"), nested(platform::kMaxXmlNesting));
    EXPECT_EQ(platform::readXmlFile(dir.file("ok.xml"), text), TextFileStatus::Ok);
    EXPECT_EQ(text, nested(platform::kMaxXmlNesting));
    writeText(dir.file("deep.xml"), nested(platform::kMaxXmlNesting + 1));
    EXPECT_EQ(platform::readXmlFile(dir.file("deep.xml"), text), TextFileStatus::TooDeep);
    EXPECT_TRUE(text.empty());
    writeText(dir.file("big.xml"), std::string(platform::kMaxXmlFileBytes + 1, ' '));
    EXPECT_EQ(platform::readXmlFile(dir.file("big.xml"), text), TextFileStatus::TooLarge);
    EXPECT_STREQ(platform::textFileStatusText(TextFileStatus::TooDeep), "nested too deeply");
}

}  // namespace
