#include "kvicodec_fixture.h"

#include <gtest/gtest.h>

namespace kvitest {

Bytes encodeFile(const Bytes& rgba, const Settings& s) {
    kvtest::TempDir dir;
    const std::string path = dir.file("picture.kvi");
    Coder c;
    c.width = s.width;
    c.height = s.height;
    c.bitsPerPixel = s.bits;
    c.colorDesc = s.colorDesc;
    c.quality = s.quality;
    EXPECT_EQ(c.AddCoder(s.mode), 0u);
    EXPECT_EQ(c.CompressImage(rgba.data()), 0u);
    EXPECT_EQ(c.CreateFileA(path.c_str()), 0u);
    EXPECT_EQ(c.WriteHeader(), 0u);
    EXPECT_EQ(c.WriteData(), 0u);
    EXPECT_EQ(c.CloseFile(), 0u);
    return kvtest::readFile(path);
}

uint32_t decodeFile(const Bytes& file, Decoder& out) {
    kvtest::TempDir dir;
    const std::string path = dir.file("picture.kvi");
    kvtest::writeFile(path, file);
    if (const uint32_t status = out.OpenFile(path.c_str())) return status;
    uint32_t status = out.ReadHeader();
    if (status == 0) status = out.ReadData();
    out.CloseFile();
    if (status == 0) status = out.DecompressImage();
    return status;
}

}  // namespace kvitest
