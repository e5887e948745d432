#include "controller.h"
#include "device.h"

#include <platform/dinput.h>

#include <cstring>
#include <new>

// Identifiers of our own; callers compare them by name, never by value.
const GUID IID_IDirectInput8A = {0x3A5C1E01, 0x6B76, 0x4449, {0x8A, 0x00, 0x49, 0x4E, 0x50, 0x55, 0x54, 0x38}};
const GUID GUID_SysKeyboard = {0x3A5C1E02, 0x6B76, 0x4449, {0x8A, 0x00, 0x4B, 0x45, 0x59, 0x42, 0x44, 0x00}};
const GUID GUID_SysMouse = {0x3A5C1E03, 0x6B76, 0x4449, {0x8A, 0x00, 0x4D, 0x4F, 0x55, 0x53, 0x45, 0x00}};
const GUID GUID_XAxis = {0x3A5C1E10, 0x6B76, 0x4449, {0x8A, 0x00, 0x41, 0x58, 0x49, 0x53, 0x00, 0x00}};
const GUID GUID_YAxis = {0x3A5C1E11, 0x6B76, 0x4449, {0x8A, 0x00, 0x41, 0x58, 0x49, 0x53, 0x00, 0x00}};
const GUID GUID_ZAxis = {0x3A5C1E12, 0x6B76, 0x4449, {0x8A, 0x00, 0x41, 0x58, 0x49, 0x53, 0x00, 0x00}};
const GUID GUID_RxAxis = {0x3A5C1E13, 0x6B76, 0x4449, {0x8A, 0x00, 0x41, 0x58, 0x49, 0x53, 0x00, 0x00}};
const GUID GUID_RyAxis = {0x3A5C1E14, 0x6B76, 0x4449, {0x8A, 0x00, 0x41, 0x58, 0x49, 0x53, 0x00, 0x00}};
const GUID GUID_RzAxis = {0x3A5C1E15, 0x6B76, 0x4449, {0x8A, 0x00, 0x41, 0x58, 0x49, 0x53, 0x00, 0x00}};
const GUID GUID_Button = {0x3A5C1E16, 0x6B76, 0x4449, {0x8A, 0x00, 0x42, 0x55, 0x54, 0x54, 0x4F, 0x4E}};
const GUID GUID_POV = {0x3A5C1E17, 0x6B76, 0x4449, {0x8A, 0x00, 0x50, 0x4F, 0x56, 0x00, 0x00, 0x00}};
const GUID DIPROP_RANGE = {0x3A5C1E20, 0x6B76, 0x4449, {0x8A, 0x00, 0x52, 0x41, 0x4E, 0x47, 0x45, 0x00}};

// The predefined formats carry no object table: each device takes only the one of its kind.
const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), 0, DIDF_RELAXIS, 256, 0, nullptr};
const DIDATAFORMAT c_dfDIMouse2 = {sizeof(DIDATAFORMAT), 0, DIDF_RELAXIS, sizeof(DIMOUSESTATE2), 0, nullptr};
const DIDATAFORMAT c_dfDIJoystick2 = {sizeof(DIDATAFORMAT), 0, DIDF_ABSAXIS, sizeof(DIJOYSTATE2), 0, nullptr};

static_assert(sizeof(DIMOUSESTATE2) == 20 && sizeof(DIJOYSTATE2) == 272);

namespace platform::input {

namespace {

BOOL reportSystemDevice(const GUID& guid, DWORD type, const char* name, LPDIENUMDEVICESCALLBACKA callback,
                        LPVOID ref) {
    DIDEVICEINSTANCEA instance{};
    instance.dwSize = sizeof(instance);
    instance.guidInstance = guid;
    instance.guidProduct = guid;
    instance.dwDevType = type;
    std::strncpy(instance.tszInstanceName, name, sizeof(instance.tszInstanceName) - 1);
    std::strncpy(instance.tszProductName, name, sizeof(instance.tszProductName) - 1);
    return callback(&instance, ref);
}

class DirectInput final : public RefCounted<IDirectInput8A> {
public:
    HRESULT CreateDevice(REFGUID instance, IDirectInputDevice8A** device, LPUNKNOWN outer) override {
        if (!device) return DIERR_INVALIDPARAM;
        *device = nullptr;
        if (outer) return DIERR_NOAGGREGATION;
        if (instance == GUID_SysKeyboard) {
            *device = createKeyboard();
        } else if (instance == GUID_SysMouse) {
            *device = createMouse();
        } else {
            if (!isControllerInstance(instance)) return DIERR_DEVICENOTREG;
            *device = createController(instance);
            return *device ? DI_OK : DIERR_DEVICENOTREG;
        }
        return *device ? DI_OK : DIERR_OUTOFMEMORY;
    }

    // Keyboard and mouse are always attached; controllers are listed only once attached.
    HRESULT EnumDevices(DWORD devClass, LPDIENUMDEVICESCALLBACKA callback, LPVOID ref, DWORD flags) override {
        if (!callback || devClass > DI8DEVCLASS_GAMECTRL || (flags & ~DIEDFL_ATTACHEDONLY)) return DIERR_INVALIDPARAM;
        const bool all = devClass == DI8DEVCLASS_ALL;
        if ((all || devClass == DI8DEVCLASS_KEYBOARD) &&
            reportSystemDevice(GUID_SysKeyboard, DI8DEVTYPE_KEYBOARD, "Keyboard", callback, ref) == DIENUM_STOP)
            return DI_OK;
        if ((all || devClass == DI8DEVCLASS_POINTER) &&
            reportSystemDevice(GUID_SysMouse, DI8DEVTYPE_MOUSE, "Mouse", callback, ref) == DIENUM_STOP)
            return DI_OK;
        if (all || devClass == DI8DEVCLASS_GAMECTRL) enumerateControllers(callback, ref);
        return DI_OK;
    }

private:
    ControllerSystem controllers_;
};

}  // namespace

}  // namespace platform::input

HRESULT DirectInput8Create(HINSTANCE /*instance*/, DWORD version, REFIID riid, LPVOID* out, LPUNKNOWN outer) {
    if (!out) return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (version < DIRECTINPUT_VERSION) return DIERR_OLDDIRECTINPUTVERSION;
    if (version > DIRECTINPUT_VERSION) return DIERR_BETADIRECTINPUTVERSION;
    if (!(riid == IID_IDirectInput8A)) return DIERR_NOINTERFACE;
    if (outer) return DIERR_NOAGGREGATION;
    IDirectInput8A* directInput = new (std::nothrow) platform::input::DirectInput();
    if (!directInput) return DIERR_OUTOFMEMORY;
    *out = directInput;
    return DI_OK;
}
