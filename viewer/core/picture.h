// Loading pictures into the viewer's canvas and saving it as KVI.
#pragma once

#include <kaldorgl/kaldorgl.h>

#include <cstdint>
#include <string>

namespace kviewer {

// The picture the viewer shows. Owns the canvas pixels (std::malloc'ed, as the image
// library hands them out). Canvas type 5 marks a picture that came from a 24-bit KVI file;
// its pixels are 32-bit all the same.
class Picture {
public:
    Picture() = default;
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    Picture(Picture&& other) noexcept;
    Picture& operator=(Picture&& other) noexcept;

    CKaldorGL image;

    bool empty() const { return image.canvas.data == nullptr; }
    uint32_t width() const { return image.canvas.width; }
    uint32_t height() const { return image.canvas.height; }
    uint32_t type() const { return image.canvas.type; }
    uint8_t* pixels() { return image.canvas.data; }

private:
    void release();
};

// Reads `path` into 32-bit R, G, B, A pixels: KVI files (by the case-sensitive ending) through
// the KVI decoder, everything else through the image library. False on any failure, which
// leaves `out` untouched and says why in `why`. Only 24- and 32-bit KVI files are accepted.
bool loadPicture(const std::string& path, Picture& out, std::string* why = nullptr);

// Status of a KVI save; each failure has its own message.
enum class SaveResult {
    Ok,
    CoderRefused,
    CompressionFailed,
    CreateFailed,
    HeaderFailed,
    DataFailed,
};

const char* saveResultMessage(SaveResult result);

// Writes the picture, held in display order (B, G, R, A), as a "bgra" B1 KVI file of quality
// 100, 24-bit for a picture from a 24-bit KVI file and 32-bit for every other.
SaveResult savePictureAsKvi(const std::string& path, const Picture& picture);

}  // namespace kviewer
