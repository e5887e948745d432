#include "reply.h"

#include <cstring>

namespace limno {
namespace {

constexpr uint64_t kMaxLength = UINT64_MAX / 16;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithNoCase(const char* text, size_t length, const char* prefix) {
    const size_t n = std::strlen(prefix);
    if (length < n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (lower(text[i]) != prefix[i]) return false;
    }
    return true;
}

bool containsNoCase(const char* text, size_t length, const char* word) {
    const size_t n = std::strlen(word);
    for (size_t i = 0; i + n <= length; ++i) {
        if (startsWithNoCase(text + i, length - i, word)) return true;
    }
    return false;
}

bool isSpace(char c) { return c == ' ' || c == '\t'; }

void trim(const char*& text, size_t& length) {
    while (length && isSpace(*text)) ++text, --length;
    while (length && isSpace(text[length - 1])) --length;
}

// Decimal digits only; false on anything else, on nothing, or on overflow.
bool parseDecimal(const char* text, size_t length, uint64_t& value) {
    if (length == 0) return false;
    value = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9' || value > kMaxLength) return false;
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    }
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = lower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

bool ReplyReader::nextLine(const char* data, size_t size, const char*& line, size_t& length) {
    // A line that keeps growing is searched only in its new bytes, not again from its start.
    const size_t from = pos_ > scanned_ ? pos_ : scanned_;
    if (from >= size) return false;
    const void* end = std::memchr(data + from, '\n', size - from);
    if (!end) {
        scanned_ = size;
        return false;
    }
    line = data + pos_;
    length = static_cast<size_t>(static_cast<const char*>(end) - line);
    pos_ += length + 1;
    if (length && line[length - 1] == '\r') --length;
    return true;
}

void ReplyReader::statusLine(const char* line, size_t length) {
    // Anything but "HTTP/x.y NNN" has no framing we can trust.
    const char* space = static_cast<const char*>(std::memchr(line, ' ', length));
    uint64_t code = 0;
    if (!startsWithNoCase(line, length, "http/") || !space ||
        static_cast<size_t>(line + length - space) < 4 || !parseDecimal(space + 1, 3, code)) {
        stage_ = Stage::UntilClose;
        return;
    }
    status_ = static_cast<int>(code);
    chunked_ = hasLength_ = badFraming_ = false;
    length_ = 0;
    stage_ = Stage::Headers;
}

void ReplyReader::headerLine(const char* line, size_t length) {
    if (startsWithNoCase(line, length, "content-length:")) {
        const char* value = line + 15;
        size_t valueLength = length - 15;
        trim(value, valueLength);
        uint64_t parsed = 0;
        // Unreadable or conflicting lengths leave only the connection's end as the frame.
        if (!parseDecimal(value, valueLength, parsed) || (hasLength_ && parsed != length_)) badFraming_ = true;
        hasLength_ = true;
        length_ = parsed;
    } else if (startsWithNoCase(line, length, "transfer-encoding:")) {
        if (containsNoCase(line + 18, length - 18, "chunked")) chunked_ = true;
    }
}

void ReplyReader::startBody() {
    if (status_ >= 100 && status_ < 200) {
        stage_ = Stage::StatusLine;  // an interim reply; the real one follows
    } else if (status_ == 204 || status_ == 304) {
        stage_ = Stage::Done;
    } else if (chunked_) {
        stage_ = Stage::ChunkSize;
    } else if (hasLength_ && !badFraming_) {
        due_ = length_;
        stage_ = due_ ? Stage::Body : Stage::Done;
    } else {
        stage_ = Stage::UntilClose;
    }
}

void ReplyReader::chunkSizeLine(const char* line, size_t length) {
    uint64_t size = 0;
    size_t digits = 0;
    for (; digits < length && hexDigit(line[digits]) >= 0; ++digits) {
        if (size > kMaxLength) break;
        size = size * 16 + static_cast<uint64_t>(hexDigit(line[digits]));
    }
    const bool endsWell = digits == length || line[digits] == ';' || isSpace(line[digits]);
    if (digits == 0 || !endsWell) {
        stage_ = Stage::UntilClose;
        return;
    }
    due_ = size;
    stage_ = size ? Stage::ChunkData : Stage::Trailer;
}

void ReplyReader::consumeBody(size_t size, Stage next) {
    const uint64_t available = size - pos_;
    const uint64_t taken = available < due_ ? available : due_;
    pos_ += static_cast<size_t>(taken);
    due_ -= taken;
    if (due_ == 0) stage_ = next;
}

bool ReplyReader::complete(const char* data, size_t size) {
    if (size < pos_) return stage_ == Stage::Done;  // not the same reply: nothing to add
    const char* line = nullptr;
    size_t length = 0;
    for (;;) {
        switch (stage_) {
        case Stage::StatusLine:
            if (!nextLine(data, size, line, length)) return false;
            statusLine(line, length);
            break;
        case Stage::Headers:
            if (!nextLine(data, size, line, length)) return false;
            if (length == 0) startBody();
            else headerLine(line, length);
            break;
        case Stage::Body:
            consumeBody(size, Stage::Done);
            if (stage_ != Stage::Done) return false;
            break;
        case Stage::ChunkSize:
            if (!nextLine(data, size, line, length)) return false;
            chunkSizeLine(line, length);
            break;
        case Stage::ChunkData:
            consumeBody(size, Stage::ChunkEnd);
            if (stage_ != Stage::ChunkEnd) return false;
            break;
        case Stage::ChunkEnd:
            if (!nextLine(data, size, line, length)) return false;
            stage_ = length == 0 ? Stage::ChunkSize : Stage::UntilClose;
            break;
        case Stage::Trailer:
            if (!nextLine(data, size, line, length)) return false;
            if (length == 0) stage_ = Stage::Done;
            break;
        case Stage::UntilClose:
            return false;
        case Stage::Done:
            return true;
        }
    }
}

}  // namespace limno
