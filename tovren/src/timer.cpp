#include <tovren/debug.h>

#include <platform/time.h>

namespace {

int32_t now() { return static_cast<int32_t>(GetTickCount()); }

// Wrap-safe signed distance on the 32-bit tick count.
int32_t since(int32_t mark, int32_t reading) {
    return static_cast<int32_t>(static_cast<uint32_t>(reading) - static_cast<uint32_t>(mark));
}

}  // namespace

void cTOVREN_Timer::Reset() {
    startMark = now();
    lastReading = startMark;
}

bool cTOVREN_Timer::GetTimer(int interval) {
    lastReading = now();
    if (since(startMark, lastReading) < interval) return false;
    startMark = lastReading;
    return true;
}

float cTOVREN_Timer::GetTimerShift() {
    lastReading = now();
    return static_cast<float>(since(startMark, lastReading)) * 0.001f;
}
