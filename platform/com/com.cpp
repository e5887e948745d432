#include "wide_text.h"

#include "../audio/filter_graph.h"

#include <platform/com.h>
#include <platform/dshow.h>

#include <string>

HRESULT IUnknown::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown) {
        AddRef();
        *object = this;
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

namespace {
thread_local int comInitCount = 0;
}

HRESULT CoInitialize(LPVOID) { return comInitCount++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
    if (comInitCount > 0) --comInitCount;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, LPVOID* object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (comInitCount == 0) return CO_E_NOTINITIALIZED;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (clsid == CLSID_FilterGraph && (context & CLSCTX_INPROC_SERVER)) {
        return platform::audio::createFilterGraph(riid, object);
    }
    return REGDB_E_CLASSNOTREG;
}

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR text, int bytes, LPWSTR wide, int capacity) {
    if ((codePage != CP_ACP && codePage != CP_UTF8) || !text || bytes < -1 || capacity < 0) return 0;
    const size_t length = bytes == -1 ? std::char_traits<char>::length(text) + 1 : static_cast<size_t>(bytes);
    std::u16string units;
    if (!platform::utf8ToUtf16(std::string_view(text, length), units)) return 0;
    if (units.size() > 0x7fffffff) return 0;
    const int needed = static_cast<int>(units.size());
    if (capacity == 0) return needed;
    if (!wide || needed > capacity) return 0;
    units.copy(wide, units.size());
    return needed;
}
