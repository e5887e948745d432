// The little of COM that the DirectX-shaped interfaces share: class and interface
// identifiers, the reference-counted base interface, CoInitialize and CoCreateInstance for
// the few in-process classes the platform layer provides, and the ANSI-to-wide conversion
// that COM calls taking file names need.
#pragma once

#include <platform/wintypes.h>

#include <cstring>

using LONGLONG = int64_t;
using WCHAR = char16_t;  // UTF-16, as on Windows
using LPCWSTR = const WCHAR*;
using LPWSTR = WCHAR*;

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using LPCGUID = const GUID*;

inline bool operator==(REFGUID a, REFGUID b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }

constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_ALL = 0x17;

inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Every object is reference counted: it is destroyed when Release brings the count to 0.
// Objects that offer more than one interface override QueryInterface; the default answers
// IID_IUnknown only.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** object);
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

using LPUNKNOWN = IUnknown*;

// Counts per thread like COM: S_OK for the first call, S_FALSE for nested ones.
HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();

// Creates one of the platform's in-process classes (CLSID_FilterGraph). Needs CoInitialize
// on the calling thread; aggregation is not supported.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, LPVOID* object);

// The ANSI code page of this platform is UTF-8, as file names are.
constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

// Converts `bytes` bytes of `text` (-1: up to and including its terminator) to UTF-16.
// With `capacity` 0 returns the number of units needed; otherwise writes them to `wide`
// and returns how many it wrote, or 0 when they do not fit or the text is not valid UTF-8.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int bytes, LPWSTR wide, int capacity);
