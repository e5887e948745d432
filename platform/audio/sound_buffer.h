// Secondary sound buffers: the IDirectSoundBuffer8 objects over the mixer's voices.
#pragma once

#include "mixer.h"

#include <platform/dsound.h>

#include <memory>

namespace platform::audio {

// Checks the description and format and creates a silent, stopped buffer.
HRESULT createSoundBuffer(const std::shared_ptr<Mixer>& mixer, LPCDSBUFFERDESC desc, IDirectSoundBuffer** buffer);

}  // namespace platform::audio
