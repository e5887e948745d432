#include "filter_graph.h"

#include "../com/ref_counted.h"
#include "../com/wide_text.h"
#include "music_stream.h"

#include <platform/dshow.h>

#include <cmath>
#include <new>

namespace platform::audio {

namespace {

constexpr double kMaxRate = 8.0;
constexpr int64_t kUnitsPerSecond = 10000000;  // REFERENCE_TIME

class FilterGraph final : public RefCounted<IGraphBuilder, IMediaControl, IMediaEvent, IMediaSeeking> {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown || riid == IID_IGraphBuilder) {
            *object = static_cast<IGraphBuilder*>(this);
        } else if (riid == IID_IMediaControl) {
            *object = static_cast<IMediaControl*>(this);
        } else if (riid == IID_IMediaEvent) {
            *object = static_cast<IMediaEvent*>(this);
        } else if (riid == IID_IMediaSeeking) {
            *object = static_cast<IMediaSeeking*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) override {
        if (!file || playList) return E_INVALIDARG;
        if (player_) return VFW_E_WRONG_STATE;
        std::string path;
        if (!utf16ToUtf8(file, path)) return VFW_E_NOT_FOUND;
        auto decoder = std::make_unique<Mp3Decoder>();
        const HRESULT opened = decoder->open(path);
        if (FAILED(opened)) return opened;
        auto mixer = Mixer::acquire();
        if (!mixer) return VFW_E_NO_AUDIO_HARDWARE;
        player_ = std::make_unique<MusicPlayer>(std::move(mixer), std::move(decoder));
        player_->setSpeed(speed_);
        return S_OK;
    }

    HRESULT Run() override {
        if (!player_) return VFW_E_WRONG_STATE;
        player_->run();
        return S_OK;
    }

    HRESULT Stop() override {
        if (player_) player_->stop();
        return S_OK;
    }

    HRESULT WaitForCompletion(LONG timeout, LONG* eventCode) override {
        if (!eventCode) return E_POINTER;
        *eventCode = 0;
        if (!player_) return VFW_E_WRONG_STATE;
        bool running = false;
        if (player_->waitForEnd(timeout, running)) {
            *eventCode = EC_COMPLETE;
            return S_OK;
        }
        return running ? E_ABORT : VFW_E_WRONG_STATE;
    }

    HRESULT SetRate(double rate) override {
        if (!(rate > 0.0 && rate <= kMaxRate)) return E_INVALIDARG;
        speed_ = rate;
        if (player_) player_->setSpeed(rate);
        return S_OK;
    }

    HRESULT GetCurrentPosition(LONGLONG* current) override {
        if (!current) return E_POINTER;
        if (!player_) return VFW_E_WRONG_STATE;
        *current = static_cast<LONGLONG>(player_->position() * kUnitsPerSecond / player_->rate());
        return S_OK;
    }

    HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG*, DWORD stopFlags) override {
        if ((stopFlags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_NoPositioning) return E_NOTIMPL;
        const DWORD how = currentFlags & AM_SEEKING_PositioningBitsMask;
        if (how == AM_SEEKING_NoPositioning) return S_OK;
        if (!current) return E_POINTER;
        if (!player_) return VFW_E_WRONG_STATE;
        int64_t target = *current;
        if (how == AM_SEEKING_RelativePositioning) {
            target += static_cast<int64_t>(player_->position() * kUnitsPerSecond / player_->rate());
        } else if (how != AM_SEEKING_AbsolutePositioning) {
            return E_INVALIDARG;
        }
        if (target < 0) return E_INVALIDARG;
        // 100 ns units to frames without overflow for any non-negative 64-bit time.
        const uint64_t units = static_cast<uint64_t>(target);
        const uint64_t rate = player_->rate();
        player_->seek(units / kUnitsPerSecond * rate + units % kUnitsPerSecond * rate / kUnitsPerSecond);
        return S_OK;
    }

private:
    std::unique_ptr<MusicPlayer> player_;
    double speed_ = 1.0;
};

}  // namespace

HRESULT createFilterGraph(REFIID riid, void** object) {
    auto* graph = new (std::nothrow) FilterGraph;
    if (!graph) return E_OUTOFMEMORY;
    const HRESULT result = graph->QueryInterface(riid, object);
    graph->Release();
    return result;
}

}  // namespace platform::audio
