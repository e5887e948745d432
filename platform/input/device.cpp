#include "device.h"

#include <cstring>

namespace platform::input {

namespace {

bool sameFormat(const DIDATAFORMAT& a, const DIDATAFORMAT& b) {
    return a.dwSize == b.dwSize && a.dwFlags == b.dwFlags && a.dwDataSize == b.dwDataSize;
}

// Exactly one of each pair, and nothing else.
bool validCooperation(DWORD flags) {
    const DWORD sharing = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
    const DWORD ground = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
    const DWORD known = DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND;
    return (flags & ~known) == 0 && (sharing == DISCL_EXCLUSIVE || sharing == DISCL_NONEXCLUSIVE) &&
           (ground == DISCL_FOREGROUND || ground == DISCL_BACKGROUND);
}

bool objectMatches(const DeviceObject& object, DWORD flags) {
    const DWORD wanted = DIDFT_GETTYPE(flags);
    return wanted == DIDFT_ALL || (DIDFT_GETTYPE(object.typeBits) & wanted) != 0;
}

}  // namespace

Window* Device::source() const {
    if (!window_) return newestWindow();
    return isLiveWindow(window_) ? window_ : nullptr;
}

HRESULT Device::SetDataFormat(LPCDIDATAFORMAT format) {
    if (!format) return DIERR_INVALIDPARAM;
    if (acquired_) return DIERR_ACQUIRED;
    if (!sameFormat(*format, format_)) return DIERR_INVALIDPARAM;
    formatSet_ = true;
    return DI_OK;
}

HRESULT Device::SetCooperativeLevel(HWND window, DWORD flags) {
    if (!validCooperation(flags)) return DIERR_INVALIDPARAM;
    if (!isLiveWindow(window)) return E_HANDLE;
    if (acquired_) return DIERR_ACQUIRED;
    window_ = window;
    cooperation_ = flags;
    return DI_OK;
}

// Never answers DIERR_INPUTLOST: callers re-acquire for as long as it does.
HRESULT Device::Acquire() {
    if (!formatSet_) return DIERR_INVALIDPARAM;
    if (acquired_ && checkAcquired() == DI_OK) return DI_NOEFFECT;
    if (!attached()) return DIERR_UNPLUGGED;
    Window* window = source();
    if ((cooperation_ & DISCL_FOREGROUND) && (!window || !window->hasInputFocus())) return DIERR_OTHERAPPHASPRIO;
    acquired_ = true;
    focusLossesAtAcquire_ = window ? window->inputFocusLosses() : 0;
    onAcquire();
    return DI_OK;
}

HRESULT Device::Unacquire() {
    if (!acquired_) return DI_NOEFFECT;
    drop();
    return DI_OK;
}

void Device::drop() {
    acquired_ = false;
    onUnacquire();
}

HRESULT Device::checkAcquired() {
    if (!acquired_) return DIERR_NOTACQUIRED;
    bool lost = !attached();
    if (cooperation_ & DISCL_FOREGROUND) {
        const Window* window = source();
        lost = lost || !window || !window->hasInputFocus() || window->inputFocusLosses() != focusLossesAtAcquire_;
    }
    if (!lost) return DI_OK;
    drop();
    return DIERR_INPUTLOST;
}

HRESULT Device::Poll() {
    const HRESULT status = checkAcquired();
    return status == DI_OK ? refresh() : status;
}

HRESULT Device::GetDeviceState(DWORD size, LPVOID data) {
    if (!data || size != format_.dwDataSize) return DIERR_INVALIDPARAM;
    const HRESULT status = checkAcquired();
    if (status != DI_OK) return status;
    readState(data);
    return DI_OK;
}

HRESULT Device::EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID ref, DWORD flags) {
    if (!callback) return DIERR_INVALIDPARAM;
    for (uint32_t i = 0; i < objectCount(); ++i) {
        const DeviceObject object = this->object(i);
        if (!objectMatches(object, flags)) continue;
        DIDEVICEOBJECTINSTANCEA instance{};
        instance.dwSize = sizeof(instance);
        instance.guidType = *object.type;
        instance.dwOfs = object.offset;
        instance.dwType = object.typeBits;
        std::strncpy(instance.tszName, object.name, sizeof(instance.tszName) - 1);
        if (callback(&instance, ref) == DIENUM_STOP) break;
    }
    return DI_OK;
}

HRESULT Device::SetProperty(REFGUID property, LPCDIPROPHEADER header) {
    if (!header || header->dwHeaderSize != sizeof(DIPROPHEADER)) return DIERR_INVALIDPARAM;
    if (!(property == DIPROP_RANGE)) return DIERR_UNSUPPORTED;
    if (header->dwSize != sizeof(DIPROPRANGE)) return DIERR_INVALIDPARAM;
    const auto& range = *reinterpret_cast<const DIPROPRANGE*>(header);
    if (range.lMin >= range.lMax) return DIERR_INVALIDPARAM;
    return setRange(*header, range.lMin, range.lMax);
}

// DIPH_DEVICE sets every axis; DIPH_BYID and DIPH_BYOFFSET name one object.
HRESULT Device::setRange(const DIPROPHEADER& header, LONG low, LONG high) {
    if (header.dwHow == DIPH_DEVICE && header.dwObj != 0) return DIERR_INVALIDPARAM;
    if (header.dwHow > DIPH_BYID) return DIERR_INVALIDPARAM;
    HRESULT result = header.dwHow == DIPH_DEVICE ? DIERR_UNSUPPORTED : DIERR_OBJECTNOTFOUND;
    for (uint32_t i = 0; i < objectCount(); ++i) {
        const DeviceObject object = this->object(i);
        const bool named = header.dwHow == DIPH_DEVICE ||
                           (header.dwHow == DIPH_BYID && (header.dwObj & 0x00FFFFFFu) == object.typeBits) ||
                           (header.dwHow == DIPH_BYOFFSET && header.dwObj == object.offset);
        if (!named) continue;
        if (!(DIDFT_GETTYPE(object.typeBits) & DIDFT_AXIS)) {
            if (header.dwHow != DIPH_DEVICE) return DIERR_UNSUPPORTED;
            continue;
        }
        result = setAxisRange(i, low, high);
        if (FAILED(result)) return result;
    }
    return result;
}

}  // namespace platform::input
