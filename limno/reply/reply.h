// Decides when an HTTP reply has fully arrived, from the bytes received so far.
#pragma once

#include <cstddef>
#include <cstdint>

namespace limno {

class ReplyReader {
public:
    enum class Stage { StatusLine, Headers, Body, ChunkSize, ChunkData, ChunkEnd, Trailer, UntilClose, Done };

    // `data` holds every byte of the reply received so far; it only grows between calls.
    // True once the reply is complete: the headers and Content-Length bytes, the last chunk
    // and its trailer, or a reply that has no body. A reply without a length, or one whose
    // framing cannot be read, is complete only when the server closes the connection.
    bool complete(const char* data, size_t size);

    Stage stage() const { return stage_; }

private:
    bool nextLine(const char* data, size_t size, const char*& line, size_t& length);
    void statusLine(const char* line, size_t length);
    void headerLine(const char* line, size_t length);
    void startBody();
    void chunkSizeLine(const char* line, size_t length);
    void consumeBody(size_t size, Stage next);

    Stage stage_ = Stage::StatusLine;
    size_t pos_ = 0;     // bytes examined so far
    size_t scanned_ = 0; // searched for the end of the line at pos_ up to here: each byte once
    uint64_t due_ = 0;   // body or chunk bytes still to come
    int status_ = 0;
    bool chunked_ = false;
    bool hasLength_ = false;
    bool badFraming_ = false;
    uint64_t length_ = 0;
};

}  // namespace limno
