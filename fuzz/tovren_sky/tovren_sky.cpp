// SkyAmbient files on a live device: parsed, their textures loaded from a folder of small
// pictures, the box built, drawn and released.
#include <tovren/tovren.h>

#include <platform/window.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void writeFile(const std::string& path, const void* data, size_t size) {
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
}

// A scratch folder that becomes the working directory, holding pictures the inputs can
// name: "a.bmp" (2 x 2, 24 bits) and "b.tga" (1 x 1, 32 bits).
const std::string& scratchDir() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/tovren_sky_fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        const std::string path = made ? made : "/tmp";
        if (chdir(path.c_str()) != 0) std::abort();
        const uint8_t bmp[] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0,
                               0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                               0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0, 9, 9, 9, 1, 2, 3, 0, 0};
        writeFile(path + "/a.bmp", bmp, sizeof bmp);
        const uint8_t tga[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 32, 8, 10, 20, 30, 40};
        writeFile(path + "/b.tga", tga, sizeof tga);
        return path;
    }();
    return dir;
}

// One offscreen device for the whole run.
void ensureDevice() {
    static cTOVREN_GraphiX* gfx = [] {
        auto* g = new cTOVREN_GraphiX;
        if (g->Init(platform::createOffscreenWindow(64, 48), 64, 48, 32, 60, false) != 0) std::abort();
        return g;
    }();
    (void)gfx;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = scratchDir() + "/sky.xml";
    ensureDevice();
    writeFile(path, data, size);
    cTOVREN_Sky sky;
    if (sky.LoadSkyAmbientFromXML(path.c_str()) == 0) sky.Draw(TOVREN_fCoord3{10, 20, 30});
    sky.Release();
    std::remove(path.c_str());
    return 0;
}
