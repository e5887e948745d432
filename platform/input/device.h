// What every DirectInput-shaped device shares: its data format, its cooperative level, and
// acquisition, which a foreground device loses with the window's focus.
#pragma once

#include "../com/ref_counted.h"

#include <platform/dinput.h>
#include <platform/window.h>

#include <cstdint>

namespace platform::input {

// One object of a device as EnumObjects reports it.
struct DeviceObject {
    const GUID* type;
    DWORD offset;
    DWORD typeBits;  // DIDFT_* type and instance: the object's identifier
    const char* name;
};

class Device : public RefCounted<IDirectInputDevice8A> {
public:
    HRESULT SetDataFormat(LPCDIDATAFORMAT format) final;
    HRESULT SetCooperativeLevel(HWND window, DWORD flags) final;
    HRESULT Acquire() final;
    HRESULT Unacquire() final;
    HRESULT Poll() final;
    HRESULT GetDeviceState(DWORD size, LPVOID data) final;
    HRESULT EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID ref, DWORD flags) final;
    HRESULT SetProperty(REFGUID property, LPCDIPROPHEADER header) final;

protected:
    explicit Device(const DIDATAFORMAT& format) : format_(format) {}

    // The window the device reads: the one of its cooperative level, else the newest one.
    // Null once that window is gone.
    Window* source() const;
    bool exclusive() const { return (cooperation_ & DISCL_EXCLUSIVE) != 0; }

    // Fills `size` bytes (the data format's size) with the current state.
    virtual void readState(void* data) = 0;
    virtual HRESULT refresh() { return DI_NOEFFECT; }
    virtual bool attached() const { return true; }
    virtual void onAcquire() {}
    virtual void onUnacquire() {}
    virtual uint32_t objectCount() const { return 0; }
    virtual DeviceObject object(uint32_t /*index*/) const { return {}; }
    // Sets the range of the axis at `index` (of object()); the default has no ranges.
    virtual HRESULT setAxisRange(uint32_t /*index*/, LONG /*low*/, LONG /*high*/) { return DIERR_UNSUPPORTED; }

private:
    // DI_OK while acquired; else why not, dropping an acquisition the focus took away.
    HRESULT checkAcquired();
    void drop();
    HRESULT setRange(const DIPROPHEADER& header, LONG low, LONG high);

    const DIDATAFORMAT& format_;
    bool formatSet_ = false;
    HWND window_ = nullptr;
    DWORD cooperation_ = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    bool acquired_ = false;
    uint32_t focusLossesAtAcquire_ = 0;
};

// The system keyboard and mouse: states read from the window's input state.
IDirectInputDevice8A* createKeyboard();
IDirectInputDevice8A* createMouse();

}  // namespace platform::input
