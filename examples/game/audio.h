// The game's sound: short effects placed in the stereo field where they happen, and looping
// music. Everything goes through cTOVREN_Sound; with --mute (or without a sound device) the
// game runs silently and every call here does nothing.
#pragma once

#include <tovren/sound.h>
#include <tovren/vector_math.h>

#include <cstdint>
#include <string>

namespace glider {

enum class Effect { Crystal, Bump, Boom, Beacon, Start, Count };

// How loud and where: SetVolPct's percentage and SetPan's -10000 (left) to 10000 (right).
struct Placement {
    uint32_t volumePercent;
    int32_t pan;
};

// A sound at `source` as heard by a listener at `listener` facing `heading` degrees (0 looks
// along +z, 90 along +x): full volume up close, fading to nothing at `reach` units; panned by
// how far to the side it lies.
Placement placeSound(TOVREN_fCoord3 listener, float heading, TOVREN_fCoord3 source, float reach);

class Audio {
public:
    // Opens the sound device for `window` and loads the effects from the current folder. An
    // empty string on success, otherwise what failed; the game then plays on in silence.
    std::string open(HWND window);
    void close();
    bool on() const { return sound_.directSound != nullptr; }

    void play(Effect effect, TOVREN_fCoord3 listener, float heading, TOVREN_fCoord3 source);
    void startMusic();
    // Call once a frame: starts the music again from the top when it has ended.
    void keepMusicGoing();

private:
    cTOVREN_Sound sound_;
    IDirectSoundBuffer* effects_[static_cast<int>(Effect::Count)] = {};
};

}  // namespace glider
