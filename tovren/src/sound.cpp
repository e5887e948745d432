#include <tovren/sound.h>

#include <tovren/debug.h>

#include "sound_files.h"

#include <platform/datafile.h>
#include <platform/dshow.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

// The engine's one music stream.
struct MusicStream {
    IGraphBuilder* graph = nullptr;
    IMediaControl* control = nullptr;
    IMediaEvent* event = nullptr;
    IMediaSeeking* seeking = nullptr;
    bool playing = false;

    void release() {
        for (IUnknown* object : {static_cast<IUnknown*>(seeking), static_cast<IUnknown*>(event),
                                 static_cast<IUnknown*>(control), static_cast<IUnknown*>(graph)}) {
            if (object) object->Release();
        }
        *this = MusicStream{};
    }
};

MusicStream music;
bool comReady = false;

bool endsWith(const char* name, const char* extension) {
    const size_t length = std::strlen(name);
    if (length < 3) return false;
    for (size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[length - 3 + i])) != extension[i]) return false;
    }
    return true;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

cTOVREN_Sound::~cTOVREN_Sound() = default;

uint32_t cTOVREN_Sound::Init(HWND window) {
    if (FAILED(DirectSoundCreate8(nullptr, &directSound, nullptr))) {
        directSound = nullptr;
        return TOVREN_ERR_SOUND_DEVICE;
    }
    if (FAILED(directSound->SetCooperativeLevel(window, DSSCL_EXCLUSIVE))) return TOVREN_ERR_SOUND_COOPERATIVE;
    return TOVREN_OK;
}

void cTOVREN_Sound::Uninit() {
    if (directSound) directSound->Release();
    directSound = nullptr;
}

uint32_t cTOVREN_Sound::Load(IDirectSoundBuffer** buffer, const char* fileName) {
    if (fileName && endsWith(fileName, "WAV")) return LoadWAV(buffer, fileName);
    if (fileName && endsWith(fileName, "OGG")) return LoadOGG(buffer, fileName);
    return TOVREN_ERR_SOUND_UNKNOWN_FORMAT;
}

uint32_t cTOVREN_Sound::LoadWAV(IDirectSoundBuffer** out, const char* fileName) {
    if (!out) return TOVREN_ERR_POINTER;
    std::unique_ptr<std::FILE, FileCloser> file(platform::openDataFile(fileName));
    if (!file) return TOVREN_ERR_CREATE_FILE;
    tovren::WavLayout layout{};
    if (const uint32_t status = tovren::readWavLayout(file.get(), layout); status != TOVREN_OK) return status;
    IDirectSoundBuffer* buffer = nullptr;
    const uint32_t created = tovren::createSoundBuffer(directSound, layout.format, layout.dataBytes, &buffer);
    if (created != TOVREN_OK) return created;
    void *part1 = nullptr, *part2 = nullptr;
    DWORD bytes1 = 0, bytes2 = 0;
    if (FAILED(buffer->Lock(0, layout.dataBytes, &part1, &bytes1, &part2, &bytes2, DSBLOCK_ENTIREBUFFER))) {
        buffer->Release();
        return TOVREN_ERR_SOUND_LOCK;
    }
    const bool read = std::fseek(file.get(), static_cast<long>(layout.dataOffset), SEEK_SET) == 0 &&
                      std::fread(part1, 1, bytes1, file.get()) == bytes1 &&
                      (bytes2 == 0 || std::fread(part2, 1, bytes2, file.get()) == bytes2);
    if (FAILED(buffer->Unlock(part1, bytes1, part2, bytes2)) || !read) {
        buffer->Release();
        return read ? TOVREN_ERR_SOUND_UNLOCK : TOVREN_ERR_FILE_READ;
    }
    *out = buffer;
    return TOVREN_OK;
}

uint32_t cTOVREN_Sound::LoadOGG(IDirectSoundBuffer** out, const char* fileName) {
    if (!out) return TOVREN_ERR_POINTER;
    std::FILE* file = platform::openDataFile(fileName);
    if (!file) return TOVREN_ERR_CREATE_FILE;
    return tovren::decodeOggInto(directSound, file, out);
}

uint32_t cTOVREN_Sound::Play(IDirectSoundBuffer* buffer, bool loop) {
    if (!buffer) return TOVREN_ERR_SOUND_PLAY;
    if (isPlay(buffer)) Stop(buffer);
    return FAILED(buffer->Play(0, 0, loop ? DSBPLAY_LOOPING : 0)) ? TOVREN_ERR_SOUND_PLAY : TOVREN_OK;
}

void cTOVREN_Sound::Stop(IDirectSoundBuffer* buffer) {
    if (!buffer) return;
    buffer->Stop();
    buffer->SetCurrentPosition(0);
}

bool cTOVREN_Sound::isPlay(IDirectSoundBuffer* buffer) {
    DWORD status = 0;
    return buffer && SUCCEEDED(buffer->GetStatus(&status)) && (status & DSBSTATUS_PLAYING);
}

int32_t cTOVREN_Sound::GetVolume(IDirectSoundBuffer* buffer) {
    LONG volume = 0;
    return buffer && SUCCEEDED(buffer->GetVolume(&volume)) ? volume : 0;
}

void cTOVREN_Sound::SetVolume(IDirectSoundBuffer* buffer, int32_t volume) {
    if (buffer) buffer->SetVolume(volume);
}

void cTOVREN_Sound::SetVolPct(IDirectSoundBuffer* buffer, uint32_t percent) {
    if (percent > 100) percent = 100;
    const auto volume =
        percent == 0 ? DSBVOLUME_MIN : static_cast<int32_t>((std::log10(static_cast<double>(percent)) - 2.0) * 4000.0);
    SetVolume(buffer, volume);
}

int32_t cTOVREN_Sound::GetPan(IDirectSoundBuffer* buffer) {
    LONG pan = 0;
    return buffer && SUCCEEDED(buffer->GetPan(&pan)) ? pan : 0;
}

void cTOVREN_Sound::SetPan(IDirectSoundBuffer* buffer, int32_t pan) {
    if (buffer) buffer->SetPan(pan);
}

uint32_t cTOVREN_Sound::GetPosition(IDirectSoundBuffer* buffer) {
    DWORD play = 0;
    return buffer && SUCCEEDED(buffer->GetCurrentPosition(&play, nullptr)) ? play : 0;
}

void cTOVREN_Sound::SetPosition(IDirectSoundBuffer* buffer, uint32_t position) {
    if (buffer) buffer->SetCurrentPosition(position);
}

bool cTOVREN_Sound::PlayMP3Stream(const char* fileName) {
    StopMP3Stream();
    if (!fileName) return false;
    if (!comReady) comReady = SUCCEEDED(CoInitialize(nullptr));
    MusicStream next;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&next.graph)))) {
        return false;
    }
    WCHAR wideName[260];
    const bool ready =
        SUCCEEDED(next.graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&next.control))) &&
        SUCCEEDED(next.graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&next.event))) &&
        SUCCEEDED(next.graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&next.seeking))) &&
        MultiByteToWideChar(CP_ACP, 0, fileName, -1, wideName, 260) > 0 &&
        next.graph->RenderFile(wideName, nullptr) == S_OK;
    if (!ready) {
        next.release();
        return false;
    }
    next.seeking->SetRate(1.0);
    next.control->Run();
    next.playing = true;
    music = next;
    return true;
}

void cTOVREN_Sound::StopMP3Stream() {
    if (!music.graph) return;
    music.control->Stop();
    music.release();
}

void cTOVREN_Sound::CheckMP3Stream(uint32_t position) {
    if (!music.playing) return;
    LONG code = 0;
    music.event->WaitForCompletion(0, &code);
    if (code != EC_COMPLETE) return;
    music.control->Stop();
    REFERENCE_TIME start = position;
    music.seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    music.control->Run();
}
