#include "mp3_decoder.h"

#include <platform/datafile.h>
#include <platform/dshow.h>

#include <mpg123.h>

#include <mutex>

namespace platform::audio {

namespace {

// mpg123_init is a no-op since 1.27 but required before; it must run once.
bool libraryReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = mpg123_init() == MPG123_OK; });
    return ready;
}

// Every rate the library can give, as signed 16-bit stereo (mono streams are doubled).
bool configure(mpg123_handle* handle) {
    if (mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_FORCE_STEREO | MPG123_QUIET, 0.0) != MPG123_OK) return false;
    if (mpg123_format_none(handle) != MPG123_OK) return false;
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i) {
        if (mpg123_format(handle, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK) return false;
    }
    return true;
}

}  // namespace

Mp3Decoder::~Mp3Decoder() { close(); }

void Mp3Decoder::close() {
    if (handle_) {
        mpg123_close(handle_);
        mpg123_delete(handle_);
        handle_ = nullptr;
    }
    if (file_) std::fclose(file_);
    file_ = nullptr;
    rate_ = 0;
}

HRESULT Mp3Decoder::open(const std::string& path) {
    close();
    if (!libraryReady()) return E_FAIL;
    file_ = openDataFile(path.c_str());
    if (!file_) return VFW_E_NOT_FOUND;
    handle_ = mpg123_new(nullptr, nullptr);
    if (!handle_ || !configure(handle_) || mpg123_open_fd(handle_, fileno(file_)) != MPG123_OK) {
        close();
        return E_FAIL;
    }
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK || rate <= 0) {
        close();
        return VFW_E_INVALID_FILE_FORMAT;
    }
    rate_ = static_cast<uint32_t>(rate);
    return S_OK;
}

uint32_t Mp3Decoder::read(int16_t* out, uint32_t frames, bool& end) {
    end = false;
    if (!handle_) {
        end = true;
        return 0;
    }
    size_t done = 0;
    const int result = mpg123_read(handle_, out, size_t{frames} * 4, &done);
    // NEW_FORMAT cannot change the output here (one encoding, stereo); the rate of a
    // stream that switches rates mid-way is kept, as a player of one stream would.
    if (result != MPG123_OK && result != MPG123_NEW_FORMAT) end = true;
    return static_cast<uint32_t>(done / 4);
}

bool Mp3Decoder::seek(uint64_t frame) {
    if (!handle_ || frame > static_cast<uint64_t>(INT64_MAX)) return false;
    return mpg123_seek(handle_, static_cast<off_t>(frame), SEEK_SET) >= 0;
}

}  // namespace platform::audio
