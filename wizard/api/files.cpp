#include "functions.h"
#include "luaargs.h"

#include <kaldorgl/kaldorgl.h>
#include <kvicodec/kvicoder.h>
#include <kvicodec/kvidecoder.h>

#include <cctype>
#include <cstring>

namespace wizard::fn {
namespace {

bool isKviName(const std::string& name) {
    if (name.size() < 3) return false;
    const char* tail = name.c_str() + name.size() - 3;
    return std::tolower(uint8_t(tail[0])) == 'k' && std::tolower(uint8_t(tail[1])) == 'v' &&
           std::tolower(uint8_t(tail[2])) == 'i';
}

// Releases what the decoder allocated (it never does) and closes its file, whatever step
// the load stopped at.
struct DecoderGuard {
    CKVIDECODER& decoder;
    ~DecoderGuard() {
        decoder.CloseFile();
        if (decoder.work != decoder.data && decoder.work != decoder.image) std::free(decoder.work);
        if (decoder.data != decoder.image) std::free(decoder.data);
        std::free(decoder.image);
    }
};

int loadKvi(WizardState& state, const std::string& name, int slot) {
    CKVIDECODER decoder{};
    DecoderGuard guard{decoder};
    const auto fail = [&](const char* text) {
        state.showError(text);
        return -1;
    };
    if (decoder.OpenFile(name.c_str())) return fail("Can't open kvImage!");
    if (decoder.ReadHeader()) return fail("Can't read kvImage header!");
    if (decoder.ReadData()) return fail("Reading kvImage data FAILED!");
    if (decoder.DecompressImage()) return fail("kvImage decompression FAILED!");
    if (decoder.CloseFile()) return fail("Can't close kvImage file!");
    const uint32_t bytes = decoder.bitsPerPixel / 8;
    if (bytes < 1 || bytes > 4 || decoder.colorDesc > 7) return fail("Change color depth FAILED!");
    PixelBuffer pixels = state.allocateFor(slot, decoder.width, decoder.height);
    if (!pixels) return -1;
    if (KVIDECODER_UnpackRgba(&decoder, pixels.get())) return fail("Change color depth FAILED!");
    state.slots.replace(slot, std::move(pixels), int32_t(decoder.width), int32_t(decoder.height));
    return 0;
}

int loadPicture(WizardState& state, const std::string& name, int slot) {
    CKaldorGL library;
    if (library.LoadImageFromFileAs32(name.c_str())) {
        std::free(library.canvas.data);
        state.showError("Can't loading image!");
        return -1;
    }
    // The library's buffer comes from malloc like ours, so it moves into the slot as it is.
    PixelBuffer pixels(library.canvas.data);
    const uint32_t width = library.canvas.width, height = library.canvas.height;
    if (!pictureSizeAllowed(width, height)) {
        state.slots.clear(slot);
        state.showError("Memory allocation error!");
        return -1;
    }
    state.slots.replace(slot, std::move(pixels), int32_t(width), int32_t(height));
    return 0;
}

// The KVI encoder's steps; returns the message of the first that fails, or null.
const char* saveKvi(const std::string& name, const ImageSlot& image) {
    CKVICODER coder{};
    if (coder.CreateFileA(name.c_str())) return "Can't create file!";
    coder.Reset();
    coder.AddCoder(KVI_MODE_B1);
    coder.quality = 100;
    coder.bitsPerPixel = 32;
    coder.variant = 0;
    coder.colorDesc = KVI_COLOR_RGBA;
    coder.width = uint32_t(image.width);
    coder.height = uint32_t(image.height);
    coder.hasCreator = 1;
    std::strncpy(coder.creator, "Created with kvPicture Wizard", sizeof coder.creator - 1);
    const char* failure = nullptr;
    if (coder.CompressImage(image.data)) {
        failure = "File coding FAILED!";
        coder.CloseFile();
    } else {
        // A full disk must not pass for a saved picture.
        const bool written = coder.WriteHeader() == 0 && coder.WriteData() == 0;
        if (coder.CloseFile()) failure = "Can't close file!";
        else if (!written) failure = "Can't save image!";
    }
    std::free(coder.data);
    std::free(coder.work);
    return failure;
}

}  // namespace

int imageFromFile(lua_State* L) {
    WizardState& state = lua::state(L);
    const std::string name = lua::text(L, 1);
    const int64_t slot = lua::integer(L, 2);
    if (!state.checkDestination(slot)) return lua::result(L, double(slot));
    return lua::result(L, isKviName(name) ? loadKvi(state, name, int(slot))
                                          : loadPicture(state, name, int(slot)));
}

int saveImage(lua_State* L) {
    WizardState& state = lua::state(L);
    const std::string name = lua::text(L, 1);
    const int64_t slot = lua::integer(L, 2);
    if (!state.checkSource(slot)) return lua::result(L, 1);
    const ImageSlot& image = state.slots[int(slot)];
    const char* failure = nullptr;
    if (isKviName(name)) {
        failure = saveKvi(name, image);
    } else {
        CKaldorGL library;
        if (library.SaveImageToFileBPP(name.c_str(), image.data, uint32_t(image.width),
                                       uint32_t(image.height), KDGL_TYPE_32BIT)) {
            failure = "Can't save image!";
        }
    }
    if (failure) {
        state.showError(failure);
        // The slot number, as the design returns it, except that slot 0 would read as success.
        return lua::result(L, slot == 0 ? -1.0 : double(slot));
    }
    state.lastSavedName = name.substr(0, kMaxNameLength);
    return lua::result(L, 0);
}

}  // namespace wizard::fn
