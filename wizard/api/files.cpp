#include "functions.h"
#include "luaargs.h"

#include <kaldorgl/kaldorgl.h>
#include <kvi_io.h>

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

const char* loadFailure(kvi_io::Step step) {
    switch (step) {
        case kvi_io::Step::Open: return "Can't open kvImage!";
        case kvi_io::Step::Header: return "Can't read kvImage header!";
        case kvi_io::Step::Data: return "Reading kvImage data FAILED!";
        case kvi_io::Step::Close: return "Can't close kvImage file!";
        default: return "kvImage decompression FAILED!";
    }
}

int loadKvi(WizardState& state, const std::string& name, int slot) {
    kvi_io::DecoderOwner kvi;
    const auto fail = [&](const char* text) {
        state.showError(text);
        return -1;
    };
    const kvi_io::Outcome decoded = kvi_io::decodeKviFile(name.c_str(), kvi);
    if (!decoded.ok()) return fail(loadFailure(decoded.step));
    const CKVIDECODER& decoder = kvi.decoder;
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
    kvi_io::SaveSettings settings;
    settings.creator = "Created with kvPicture Wizard";
    switch (kvi_io::saveKviRgba(name.c_str(), image.data, uint32_t(image.width), uint32_t(image.height), settings)
                .step) {
        case kvi_io::Step::Done: return nullptr;
        case kvi_io::Step::Create: return "Can't create file!";
        case kvi_io::Step::CloseWritten: return "Can't close file!";
        case kvi_io::Step::WriteHeader:
        case kvi_io::Step::WriteData: return "Can't save image!";
        default: return "File coding FAILED!";
    }
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
