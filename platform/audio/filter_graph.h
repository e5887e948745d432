// The DirectShow filter graph that plays one MP3 file into the mixer.
#pragma once

#include <platform/com.h>

namespace platform::audio {

// What CoCreateInstance(CLSID_FilterGraph) makes.
HRESULT createFilterGraph(REFIID riid, void** object);

}  // namespace platform::audio
