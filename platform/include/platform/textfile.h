// Bounded reading of small text files that a parser then trusts: only regular files (never a
// device, FIFO or socket that could stream forever or block), never more than a set size,
// and for XML no deeper element nesting than a recursive parser such as TinyXML can take.
//
//   std::string text;
//   if (platform::readXmlFile(path, text) != platform::TextFileStatus::Ok) ...refuse...
//   doc.Parse(text.c_str());
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// An XML settings file of the suite is a few kilobytes; these leave ample room.
constexpr std::size_t kMaxXmlFileBytes = std::size_t(1) << 20;
constexpr std::size_t kMaxXmlNesting = 64;

enum class TextFileStatus {
    Ok,
    Unreadable,  // missing, no permission, or a read error
    NotRegular,  // a directory, device, FIFO or socket
    TooLarge,    // more than the allowed bytes
    TooDeep,     // XML elements nested deeper than allowed
};

// Reads the whole regular file at `path` into `text` if it holds at most `maxBytes` bytes.
// Opening never blocks (a FIFO is refused, not waited on). `text` is cleared on failure.
TextFileStatus readTextFile(const std::string& path, std::string& text, std::size_t maxBytes);

// The deepest element nesting of `xml`, counting as a TinyXML-style parser would (comments,
// CDATA, declarations and quoted attribute values hold no elements); the scan stops early
// once the depth passes `stopAbove`. Linear in the length of the text.
std::size_t xmlNestingDepth(std::string_view xml, std::size_t stopAbove);

// readTextFile with kMaxXmlFileBytes, then a nesting check against kMaxXmlNesting.
TextFileStatus readXmlFile(const std::string& path, std::string& text);

// "not a regular file" and the like, for messages and logs.
const char* textFileStatusText(TextFileStatus status);

}  // namespace platform
