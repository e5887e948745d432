#include <platform/textfile.h>

#include <support/file.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace platform {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Reads until the end of the file, or until limit bytes are in; false on a read error. The
// buffer starts at the size the file had when it was examined and grows only if it grew.
bool readUpTo(int fd, std::string& text, std::size_t expected, std::size_t limit) {
    std::size_t done = 0;
    text.resize(std::min(expected + 1, limit));
    for (;;) {
        if (done == text.size()) {
            if (done == limit) break;
            text.resize(std::min(limit, done * 2));
        }
        const ssize_t got = ::read(fd, text.data() + done, text.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    text.resize(done);
    return true;
}

// TinyXML takes any byte from 0x7F up as a letter of a name.
bool startsElementName(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x7F;
}

class NestingScanner {
public:
    explicit NestingScanner(std::string_view xml) : xml_(xml) {}

    std::size_t deepest(std::size_t stopAbove) {
        while (deepest_ <= stopAbove) {
            pos_ = xml_.find('<', pos_);
            if (pos_ == std::string_view::npos) break;
            markup();
        }
        return deepest_;
    }

private:
    bool at(std::string_view prefix) const { return xml_.compare(pos_, prefix.size(), prefix) == 0; }

    // Moves past the next `end`, or to the end of the text when there is none.
    void skipPast(std::string_view end) {
        const std::size_t found = xml_.find(end, pos_);
        pos_ = found == std::string_view::npos ? xml_.size() : found + end.size();
    }

    void markup() {
        if (at("<!--")) {
            pos_ += 4;
            skipPast("-->");
        } else if (at("<![CDATA[")) {
            pos_ += 9;
            skipPast("]]>");
        } else if (at("</")) {
            skipPast(">");
            if (depth_ > 0) --depth_;
        } else if (pos_ + 1 < xml_.size() && startsElementName(static_cast<unsigned char>(xml_[pos_ + 1]))) {
            if (!startTagIsEmpty()) deepest_ = std::max(deepest_, ++depth_);
        } else {
            skipPast(">");  // declarations, DOCTYPE and other unknown markup end at the first '>'
        }
    }

    // Walks a start tag, quoted values included; true for "<name ... />".
    bool startTagIsEmpty() {
        for (++pos_; pos_ < xml_.size(); ++pos_) {
            const char c = xml_[pos_];
            if (c == '"' || c == '\'') {
                const std::size_t close = xml_.find(c, pos_ + 1);
                pos_ = close == std::string_view::npos ? xml_.size() - 1 : close;
            } else if (c == '/' && pos_ + 1 < xml_.size() && xml_[pos_ + 1] == '>') {
                pos_ += 2;
                return true;
            } else if (c == '>') {
                ++pos_;
                return false;
            }
        }
        return false;
    }

    std::string_view xml_;
    std::size_t pos_ = 0;
    std::size_t depth_ = 0;
    std::size_t deepest_ = 0;
};

}  // namespace

TextFileStatus readTextFile(const std::string& path, std::string& text, std::size_t maxBytes) {
    text.clear();
    kvsupport::OpenStatus opened;
    const Descriptor file(kvsupport::openRegularFile(path.c_str(), &opened));
    if (opened == kvsupport::OpenStatus::NotRegular) return TextFileStatus::NotRegular;
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0) return TextFileStatus::Unreadable;
    if (info.st_size < 0 || static_cast<unsigned long long>(info.st_size) > maxBytes) return TextFileStatus::TooLarge;
    // One byte more than allowed tells a file that grew past the limit from one that did not.
    const std::size_t limit = maxBytes < SIZE_MAX ? maxBytes + 1 : maxBytes;
    if (!readUpTo(file.get(), text, static_cast<std::size_t>(info.st_size), limit)) {
        text.clear();
        return TextFileStatus::Unreadable;
    }
    if (text.size() > maxBytes) {
        text.clear();
        return TextFileStatus::TooLarge;
    }
    return TextFileStatus::Ok;
}

std::size_t xmlNestingDepth(std::string_view xml, std::size_t stopAbove) {
    return NestingScanner(xml).deepest(stopAbove);
}

TextFileStatus readXmlFile(const std::string& path, std::string& text) {
    const TextFileStatus status = readTextFile(path, text, kMaxXmlFileBytes);
    if (status != TextFileStatus::Ok) return status;
    if (xmlNestingDepth(text, kMaxXmlNesting) > kMaxXmlNesting) {
        text.clear();
        return TextFileStatus::TooDeep;
    }
    return TextFileStatus::Ok;
}

const char* textFileStatusText(TextFileStatus status) {
    switch (status) {
        case TextFileStatus::Ok: return "read";
        case TextFileStatus::Unreadable: return "cannot be read";
        case TextFileStatus::NotRegular: return "not a regular file";
        case TextFileStatus::TooLarge: return "too large";
        case TextFileStatus::TooDeep: return "nested too deeply";
    }
    return "cannot be read";
}

}  // namespace platform
