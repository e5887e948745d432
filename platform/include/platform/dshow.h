// The DirectShow interfaces the engine plays background music through: a filter graph that
// renders one MP3 file into the process's audio output. The graph decodes on a thread of its
// own, a little ahead of the mixer, so playing needs no pumping and little memory.
// Names, values and semantics follow DirectShow; only the subset the suite calls exists.
#pragma once

#include <platform/com.h>
#include <platform/wintypes.h>

#include <cstdint>

using REFERENCE_TIME = LONGLONG;  // 100-nanosecond units

constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216u);
constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227u);
constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = static_cast<HRESULT>(0x8004022Fu);
constexpr HRESULT VFW_E_NO_AUDIO_HARDWARE = static_cast<HRESULT>(0x80040256u);

constexpr LONG EC_COMPLETE = 0x01;
constexpr LONG INFINITE = -1;

constexpr DWORD AM_SEEKING_NoPositioning = 0;
constexpr DWORD AM_SEEKING_AbsolutePositioning = 1;
constexpr DWORD AM_SEEKING_RelativePositioning = 2;
constexpr DWORD AM_SEEKING_PositioningBitsMask = 3;

inline constexpr CLSID CLSID_FilterGraph = {0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IGraphBuilder = {0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IMediaControl = {0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IMediaEvent = {0x56A868B6, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IMediaSeeking = {0x36B73880, 0xC2C8, 0x11CF, {0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60}};

struct IGraphBuilder : IUnknown {
    // Builds the graph for one MP3 file (UTF-16 name). VFW_E_NOT_FOUND when the file cannot
    // be opened, VFW_E_INVALID_FILE_FORMAT when it holds no MPEG audio, VFW_E_WRONG_STATE
    // when a file was rendered already. `playList` must be null.
    virtual HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) = 0;
};

struct IMediaControl : IUnknown {
    virtual HRESULT Run() = 0;   // plays from the current position
    virtual HRESULT Stop() = 0;  // keeps the current position
};

struct IMediaEvent : IUnknown {
    // Waits up to `timeout` ms (INFINITE: without limit) for the running graph to play its
    // data to the end: S_OK with *eventCode EC_COMPLETE, E_ABORT with 0 on time-out,
    // VFW_E_WRONG_STATE when the graph is not running.
    virtual HRESULT WaitForCompletion(LONG timeout, LONG* eventCode) = 0;
};

struct IMediaSeeking : IUnknown {
    virtual HRESULT SetRate(double rate) = 0;  // 1.0 is normal speed; up to 8.0
    virtual HRESULT GetCurrentPosition(LONGLONG* current) = 0;
    // Only the current position moves: absolute or relative to where it is, in 100 ns
    // units. `stopFlags` must be AM_SEEKING_NoPositioning.
    virtual HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) = 0;
};
