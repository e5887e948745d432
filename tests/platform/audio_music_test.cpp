// The DirectShow-shaped MP3 graph: files made with LAME's encoder, played through the held
// output and measured by pitch and length.
#include "audio_fixture.h"

#include <audiofiles.h>
#include <testsupport.h>

#include <platform/dshow.h>

namespace {

constexpr REFERENCE_TIME kSecond = 10000000;

class MusicGraph : public ::testing::Test {
protected:
    void SetUp() override {
        platform::audio::holdOutput(true);
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   reinterpret_cast<void**>(&graph_)),
                  S_OK);
        graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control_));
        graph_->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&event_));
        graph_->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking_));
        ASSERT_TRUE(control_ && event_ && seeking_);
    }

    void TearDown() override {
        for (IUnknown* object : std::initializer_list<IUnknown*>{seeking_, event_, control_, graph_}) {
            if (object) object->Release();
        }
        CoUninitialize();
    }

    // One second of 440 Hz, then one of 880 Hz, mono at 44.1 kHz.
    std::string twoToneFile() {
        auto samples = kvtest::sineWave(44100, 44100, 440.0, 0.5, 1);
        const auto high = kvtest::sineWave(44100, 44100, 880.0, 0.5, 1);
        samples.insert(samples.end(), high.begin(), high.end());
        const std::string path = dir_.file("tones.mp3");
        EXPECT_TRUE(kvtest::writeMp3(path, samples, 1, 44100));
        return path;
    }

    HRESULT render(const std::string& path) {
        std::u16string wide(path.begin(), path.end());
        return graph_->RenderFile(wide.c_str(), nullptr);
    }

    // Pulls 10 ms blocks until the graph reports the end; returns everything pulled.
    std::vector<int16_t> playToEnd(uint32_t limitFrames) {
        std::vector<int16_t> all;
        LONG code = 0;
        while (event_->WaitForCompletion(0, &code) == E_ABORT && all.size() / 2 < limitFrames) {
            const auto block = pullMix(480);
            all.insert(all.end(), block.begin(), block.end());
        }
        EXPECT_EQ(code, EC_COMPLETE);
        return all;
    }

    kvtest::TempDir dir_;
    IGraphBuilder* graph_ = nullptr;
    IMediaControl* control_ = nullptr;
    IMediaEvent* event_ = nullptr;
    IMediaSeeking* seeking_ = nullptr;
};

TEST_F(MusicGraph, OneObjectAnswersForAllFourInterfaces) {
    IUnknown* fromControl = nullptr;
    IUnknown* fromSeeking = nullptr;
    ASSERT_EQ(control_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromControl)), S_OK);
    ASSERT_EQ(seeking_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromSeeking)), S_OK);
    EXPECT_EQ(fromControl, fromSeeking);
    EXPECT_EQ(fromControl, static_cast<IUnknown*>(graph_));
    EXPECT_EQ(fromControl->Release(), 5u);  // graph, control, event, seeking and fromSeeking
    fromSeeking->Release();
    void* nothing = nullptr;
    EXPECT_EQ(graph_->QueryInterface(IID_IDirectSoundBuffer8, &nothing), E_NOINTERFACE);
}

TEST_F(MusicGraph, RenderFileRefusesMissingBrokenAndSecondFiles) {
    LONG code = 7;
    EXPECT_EQ(event_->WaitForCompletion(0, &code), VFW_E_WRONG_STATE);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(control_->Run(), VFW_E_WRONG_STATE);
    EXPECT_EQ(render(dir_.file("missing.mp3")), VFW_E_NOT_FOUND);
    kvtest::writeFile(dir_.file("empty.mp3"), {});
    EXPECT_EQ(render(dir_.file("empty.mp3")), VFW_E_INVALID_FILE_FORMAT);
    kvtest::writeFile(dir_.file("text.mp3"), kvtest::Bytes(5000, 'a'));
    EXPECT_EQ(render(dir_.file("text.mp3")), VFW_E_INVALID_FILE_FORMAT);
    EXPECT_EQ(graph_->RenderFile(nullptr, nullptr), E_INVALIDARG);
    const std::string good = twoToneFile();
    ASSERT_EQ(render(good), S_OK);
    EXPECT_EQ(render(good), VFW_E_WRONG_STATE);
}

TEST_F(MusicGraph, PlaysToTheEndThenPostsComplete) {
    ASSERT_EQ(render(twoToneFile()), S_OK);
    EXPECT_EQ(pullMix(480)[100], 0);  // silent until Run
    ASSERT_EQ(control_->Run(), S_OK);
    LONG code = 7;
    EXPECT_EQ(event_->WaitForCompletion(0, &code), E_ABORT);
    EXPECT_EQ(code, 0);
    const auto all = playToEnd(200000);
    const size_t frames = all.size() / 2;
    EXPECT_NEAR(static_cast<double>(kvtest::soundEnd(all.data(), frames, 200)), 96000.0, 200.0);
    EXPECT_NEAR(kvtest::frequencyOf(all.data() + 2 * 4800, 38400, 0, 48000), 440.0, 1.0);
    EXPECT_NEAR(kvtest::frequencyOf(all.data() + 2 * 52800, 38400, 1, 48000), 880.0, 1.0);
    // Complete stays posted until the graph is moved or stopped.
    EXPECT_EQ(event_->WaitForCompletion(0, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
}

TEST_F(MusicGraph, StopSeekAndRunLoopsFromTheGivenPosition) {
    ASSERT_EQ(render(twoToneFile()), S_OK);
    ASSERT_EQ(control_->Run(), S_OK);
    playToEnd(200000);
    ASSERT_EQ(control_->Stop(), S_OK);
    LONG code = 0;
    EXPECT_EQ(event_->WaitForCompletion(0, &code), VFW_E_WRONG_STATE);
    REFERENCE_TIME start = kSecond * 3 / 2;
    ASSERT_EQ(seeking_->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
    REFERENCE_TIME now = 0;
    ASSERT_EQ(seeking_->GetCurrentPosition(&now), S_OK);
    EXPECT_EQ(now, start);
    ASSERT_EQ(control_->Run(), S_OK);
    const auto again = playToEnd(200000);
    EXPECT_NEAR(static_cast<double>(kvtest::soundEnd(again.data(), again.size() / 2, 200)), 24000.0, 200.0);
    EXPECT_NEAR(kvtest::frequencyOf(again.data(), 19200, 0, 48000), 880.0, 1.5);

    REFERENCE_TIME back = -kSecond;  // relative, from the end
    EXPECT_EQ(seeking_->SetPositions(&back, AM_SEEKING_RelativePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
    seeking_->GetCurrentPosition(&now);
    EXPECT_NEAR(static_cast<double>(now), kSecond, kSecond / 100);
    EXPECT_EQ(seeking_->SetPositions(&back, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
              E_INVALIDARG);
    EXPECT_EQ(seeking_->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &start, AM_SEEKING_AbsolutePositioning),
              E_NOTIMPL);
}

TEST_F(MusicGraph, StopHoldsThePositionAndRateChangesSpeedAndPitch) {
    ASSERT_EQ(render(twoToneFile()), S_OK);
    EXPECT_EQ(seeking_->SetRate(0.0), E_INVALIDARG);
    EXPECT_EQ(seeking_->SetRate(-1.0), E_INVALIDARG);
    EXPECT_EQ(seeking_->SetRate(9.0), E_INVALIDARG);
    ASSERT_EQ(seeking_->SetRate(2.0), S_OK);
    ASSERT_EQ(control_->Run(), S_OK);
    const auto fast = pullMix(9600);
    EXPECT_NEAR(kvtest::frequencyOf(fast.data() + 2 * 2400, 7200, 0, 48000), 880.0, 2.0);
    ASSERT_EQ(control_->Stop(), S_OK);
    REFERENCE_TIME now = 0;
    seeking_->GetCurrentPosition(&now);
    EXPECT_NEAR(static_cast<double>(now), kSecond * 2 * 9600 / 48000, kSecond / 1000);
    EXPECT_EQ(pullMix(480)[200], 0);
    REFERENCE_TIME later = 0;
    seeking_->GetCurrentPosition(&later);
    EXPECT_EQ(later, now);
    ASSERT_EQ(control_->Run(), S_OK);
    const auto rest = playToEnd(200000);
    EXPECT_NEAR(static_cast<double>(kvtest::soundEnd(rest.data(), rest.size() / 2, 200)), 48000.0 - 9600.0, 200.0);
}

TEST_F(MusicGraph, StereoFilesKeepTheirChannels) {
    const auto left = kvtest::sineWave(32000, 32000, 500.0, 0.4, 1);
    const auto right = kvtest::sineWave(32000, 32000, 750.0, 0.4, 1);
    std::vector<int16_t> both;
    for (size_t i = 0; i < left.size(); ++i) both.insert(both.end(), {left[i], right[i]});
    const std::string path = dir_.file("stereo.mp3");
    ASSERT_TRUE(kvtest::writeMp3(path, both, 2, 32000));
    ASSERT_EQ(render(path), S_OK);
    ASSERT_EQ(control_->Run(), S_OK);
    const auto all = playToEnd(100000);
    EXPECT_NEAR(kvtest::frequencyOf(all.data() + 2 * 4800, 38400, 0, 48000), 500.0, 1.0);
    EXPECT_NEAR(kvtest::frequencyOf(all.data() + 2 * 4800, 38400, 1, 48000), 750.0, 1.0);
    EXPECT_NEAR(static_cast<double>(kvtest::soundEnd(all.data(), all.size() / 2, 200)), 48000.0, 200.0);
}

TEST_F(MusicGraph, ReleasingARunningGraphStopsItsMusic) {
    ASSERT_EQ(render(twoToneFile()), S_OK);
    ASSERT_EQ(control_->Run(), S_OK);
    EXPECT_GT(kvtest::rmsOf(pullMix(4800).data(), 4800, 0), 5000.0);
    for (IUnknown* object : std::initializer_list<IUnknown*>{seeking_, event_, control_, graph_}) object->Release();
    seeking_ = nullptr, event_ = nullptr, control_ = nullptr, graph_ = nullptr;
    EXPECT_EQ(kvtest::rmsOf(pullMix(480).data(), 480, 0), 0.0);
}

}  // namespace
