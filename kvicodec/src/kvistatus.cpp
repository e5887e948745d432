// The texts of the KVI status codes, one table behind both libraries' GetErrorStr.
#include "kvistatus.h"

#include <kvicodec/kvitypes.h>

#include <cstring>
#include <string>

namespace kvi {

namespace {

struct StatusText {
    uint32_t code;
    const char* text;
};

constexpr StatusText kTexts[] = {
    {KVI_OK, "Allright!"},
    {KVI_ERR_MODE, "Unknown or unsupported KVI coding mode!"},
    {KVI_ERR_MODE_COUNT, "Too many KVI coding modes!"},
    {KVI_ERR_SIZE, "Impossible image resolution!"},
    {KVI_ERR_DEPTH, "Unknown color depth!"},
    {KVI_ERR_COLOR_DESC, "Unknown KVI color description!"},
    {KVI_ERR_COLOR_INDEX, "Pixel format not allowed for this depth!"},
    {KVI_ERR_OPEN, "File not found or can't be open!"},
    {KVI_ERR_NO_FILE, "No open file!"},
    {KVI_ERR_SIGNATURE, "Not a KVI file!"},
    {KVI_ERR_VERSION, "Unknown KVI version!"},
    {KVI_ERR_EMPTY, "Empty KVI file!"},
    {KVI_ERR_IO, "Read or write file error!"},
    {KVI_ERR_CODEC, "KVI coding failed!"},
};
constexpr const char* kUnknown = "Unknown error code!";

constexpr bool fitsTextSize() {
    for (const StatusText& t : kTexts)
        if (std::char_traits<char>::length(t.text) >= KVI_ERR_TEXT_SIZE) return false;
    return std::char_traits<char>::length(kUnknown) < KVI_ERR_TEXT_SIZE;
}
static_assert(fitsTextSize(), "KVI_ERR_TEXT_SIZE is too small for a status text");

}  // namespace

void copyStatusText(uint32_t code, char* text) {
    if (!text) return;
    const char* found = kUnknown;
    for (const StatusText& t : kTexts)
        if (t.code == code) found = t.text;
    std::strcpy(text, found);
}

}  // namespace kvi
