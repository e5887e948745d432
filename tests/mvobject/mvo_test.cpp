#include <mvobject/mvobject.h>

#include <gtest/gtest.h>
#include <testsupport.h>

#include <cstring>
#include <sys/stat.h>
#include <vector>

namespace {

using kvtest::Bytes;

// An object whose arrays live in the test; every value differs so that swaps show.
struct OwnedObject {
    std::vector<float> vertices, normals, texCoords;
    std::vector<uint32_t> faces, texFaces;
    MVOBJECT record{};

    OwnedObject(uint32_t v, uint32_t f, uint32_t t) {
        for (uint32_t i = 0; i < v * 3; ++i) vertices.push_back(0.5f * float(i) - 3.0f);
        for (uint32_t i = 0; i < v * 3; ++i) normals.push_back(1.0f / float(i + 1));
        for (uint32_t i = 0; i < f * 3; ++i) faces.push_back((i * 7) % v);
        for (uint32_t i = 0; i < t * 2; ++i) texCoords.push_back(0.125f * float(i));
        if (t) for (uint32_t i = 0; i < f * 3; ++i) texFaces.push_back((i * 5) % t);
        record = {v, f, t, vertices.data(), normals.data(), faces.data(),
                  t ? texCoords.data() : nullptr, t ? texFaces.data() : nullptr};
    }
};

Bytes header(uint8_t minor = 1, uint8_t objects = 1) {
    Bytes out = {'M', 'V', 'O', 1, minor};
    if (minor == 1) out.insert(out.end(), {objects, 0});
    return out;
}

Bytes counts(Bytes out, uint32_t v, uint32_t f, uint32_t t) {
    kvtest::put32(out, v);
    kvtest::put32(out, f);
    kvtest::put32(out, t);
    return out;
}

void appendFloats(Bytes& out, const float* values, size_t count) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(values);
    out.insert(out.end(), bytes, bytes + count * 4);
}

class MvoFile : public ::testing::Test {
protected:
    kvtest::TempDir dir;
    cMVO mvo;
    MVOBJECT loaded{};

    std::string path(const char* name = "model.mvo") const { return dir.file(name); }

    uint32_t loadBytes(const Bytes& bytes) {
        kvtest::writeFile(path("in.mvo"), bytes);
        MVO_FreeObject(&loaded);
        return mvo.LoadObject(path("in.mvo").c_str(), &loaded);
    }

    void TearDown() override {
        MVO_FreeObject(&loaded);
        // Whatever happened, no file may have been left open.
        EXPECT_EQ(mvo.CloseFile(), MVO_ERR_NOT_OPEN);
    }
};

TEST_F(MvoFile, RoundTripIsByteExactWithAndWithoutTextures) {
    for (const uint32_t texCoords : {0u, 5u}) {
        SCOPED_TRACE(texCoords);
        OwnedObject object(4, 3, texCoords);
        ASSERT_EQ(mvo.SaveSingleObject(path().c_str(), object.record), MVO_OK);
        const Bytes saved = kvtest::readFile(path());
        const size_t expected = texCoords ? 7 + 12 + 24 * 4 + 24 * 3 + 8 * texCoords : 7 + 12 + 24 * 4 + 12 * 3;
        ASSERT_EQ(saved.size(), expected);
        EXPECT_EQ(Bytes(saved.begin(), saved.begin() + 7), header());

        ASSERT_EQ(mvo.LoadObject(path().c_str(), &loaded), MVO_OK);
        EXPECT_EQ(loaded.VertexCount, 4u);
        EXPECT_EQ(loaded.FaceCount, 3u);
        EXPECT_EQ(loaded.TexCoordCount, texCoords);
        EXPECT_EQ(std::memcmp(loaded.Vertices, object.vertices.data(), 48), 0);
        EXPECT_EQ(std::memcmp(loaded.Normals, object.normals.data(), 48), 0);
        EXPECT_EQ(std::memcmp(loaded.Faces, object.faces.data(), 36), 0);
        if (texCoords) {
            EXPECT_EQ(std::memcmp(loaded.TexCoords, object.texCoords.data(), 8 * texCoords), 0);
            EXPECT_EQ(std::memcmp(loaded.TexFaces, object.texFaces.data(), 36), 0);
        } else {
            EXPECT_EQ(loaded.TexCoords, nullptr);
            EXPECT_EQ(loaded.TexFaces, nullptr);
        }

        ASSERT_EQ(mvo.SaveSingleObject(path("again.mvo").c_str(), loaded), MVO_OK);
        EXPECT_EQ(kvtest::readFile(path("again.mvo")), saved);
        MVO_FreeObject(&loaded);
    }
}

TEST_F(MvoFile, WriterLayoutIsLittleEndianCountsThenBlocksInOrder) {
    OwnedObject object(3, 1, 2);
    ASSERT_EQ(mvo.SaveSingleObject(path().c_str(), object.record), MVO_OK);
    Bytes expected = counts(header(), 3, 1, 2);
    appendFloats(expected, object.vertices.data(), 9);
    appendFloats(expected, object.normals.data(), 9);
    for (uint32_t index : object.faces) kvtest::put32(expected, index);
    appendFloats(expected, object.texCoords.data(), 4);
    for (uint32_t index : object.texFaces) kvtest::put32(expected, index);
    EXPECT_EQ(kvtest::readFile(path()), expected);
}

TEST_F(MvoFile, HeaderVariants) {
    OwnedObject object(3, 1, 0);
    ASSERT_EQ(mvo.SaveSingleObject(path().c_str(), object.record), MVO_OK);
    const Bytes saved = kvtest::readFile(path());
    const Bytes body(saved.begin() + 7, saved.end());
    auto with = [&](Bytes head) {
        head.insert(head.end(), body.begin(), body.end());
        return head;
    };
    // A minor version other than 1 ends the header after 5 bytes.
    EXPECT_EQ(loadBytes(with(header(0))), MVO_OK);
    EXPECT_EQ(loaded.VertexCount, 3u);
    EXPECT_EQ(loadBytes(with(header(7))), MVO_OK);
    EXPECT_EQ(loadBytes(with(header(1, 2))), MVO_ERR_OBJECT_COUNT);
    Bytes reservedSet = header();
    reservedSet[6] = 0xEE;
    EXPECT_EQ(loadBytes(with(reservedSet)), MVO_OK);
    EXPECT_EQ(loadBytes(with({'M', 'V', 'O', 2, 1, 1, 0})), MVO_ERR_MAJOR_VERSION);
    EXPECT_EQ(loadBytes(with({'m', 'v', 'o', 1, 1, 1, 0})), MVO_ERR_MAGIC);
    EXPECT_EQ(loadBytes({'M', 'V', 'O', 1}), MVO_ERR_READ);
    EXPECT_EQ(loadBytes({'M', 'V', 'O', 1, 1, 1}), MVO_ERR_WRITE);
    EXPECT_EQ(mvo.LoadObject(path("missing.mvo").c_str(), &loaded), MVO_ERR_OPEN);
}

TEST_F(MvoFile, CountsAreCheckedAsTheyAreRead) {
    // VertexCount 2 is refused before FaceCount is read: the file needs nothing after it.
    Bytes shortVertex = header();
    kvtest::put32(shortVertex, 2);
    loaded.FaceCount = 77;
    EXPECT_EQ(loadBytes(shortVertex), MVO_ERR_VERTEX_COUNT);
    EXPECT_EQ(loaded.FaceCount, 77u);

    Bytes noFaces = header();
    kvtest::put32(noFaces, 3);
    kvtest::put32(noFaces, 0);
    EXPECT_EQ(loadBytes(noFaces), MVO_ERR_FACE_COUNT);
    EXPECT_EQ(loaded.VertexCount, 3u);

    // TexCoordCount 0: the file ends right after the triangles.
    Bytes noTexture = counts(header(), 3, 1, 0);
    noTexture.resize(noTexture.size() + 24 * 3 + 12, 0);
    EXPECT_EQ(loadBytes(noTexture), MVO_OK);
    noTexture.push_back(0);
    EXPECT_EQ(loadBytes(noTexture), MVO_OK);  // trailing bytes are not read
}

TEST_F(MvoFile, FileCutAnywhereFailsAndLeavesNothingOpen) {
    OwnedObject object(5, 4, 6);
    ASSERT_EQ(mvo.SaveSingleObject(path().c_str(), object.record), MVO_OK);
    const Bytes whole = kvtest::readFile(path());
    for (size_t size = 0; size < whole.size(); ++size) {
        SCOPED_TRACE(size);
        const uint32_t status = loadBytes(Bytes(whole.begin(), whole.begin() + long(size)));
        EXPECT_EQ(status, size < 5 ? MVO_ERR_READ : MVO_ERR_WRITE);
        EXPECT_EQ(mvo.CloseFile(), MVO_ERR_NOT_OPEN);
    }
}

TEST_F(MvoFile, HostileCountsAreRefusedBeforeAllocating) {
    struct Case {
        uint32_t v, f, t;
    };
    // Each would ask for gigabytes; the file holds a few bytes of geometry.
    for (const Case c : {Case{0xFFFFFFFF, 1, 0}, Case{0x15555556, 1, 0}, Case{3, 0xFFFFFFFF, 0},
                         Case{3, 1, 0xFFFFFFFF}, Case{3, 0x40000000, 1}}) {
        SCOPED_TRACE(c.v);
        Bytes file = counts(header(), c.v, c.f, c.t);
        file.resize(file.size() + 200, 0);
        EXPECT_EQ(loadBytes(file), MVO_ERR_WRITE);
        if (c.v > 3) {
            EXPECT_EQ(loaded.Vertices, nullptr);
        }
        EXPECT_EQ(loaded.TexCoords, nullptr);
    }
}

TEST_F(MvoFile, FailedLoadClearsCallerPointersSoFreeIsSafe) {
    float stackValue = 0;
    loaded.Vertices = &stackValue;  // not from malloc: a free of it would be fatal
    loaded.TexFaces = reinterpret_cast<uint32_t*>(&stackValue);
    kvtest::writeFile(path(), {'X'});
    EXPECT_EQ(mvo.LoadObject(path().c_str(), &loaded), MVO_ERR_READ);
    EXPECT_EQ(loaded.Vertices, nullptr);
    EXPECT_EQ(loaded.TexFaces, nullptr);
    MVO_FreeObject(&loaded);
    MVO_FreeObject(nullptr);
}

TEST_F(MvoFile, SaveReplacesExistingFileAndClosesOnFailure) {
    kvtest::writeFile(path(), Bytes(5000, 0xAB));
    OwnedObject object(3, 2, 0);
    ASSERT_EQ(mvo.SaveSingleObject(path().c_str(), object.record), MVO_OK);
    EXPECT_EQ(kvtest::readFile(path()).size(), 7u + 12 + 24 * 3 + 12 * 2);

    // A record whose arrays are missing fails the write and leaves no file open.
    MVOBJECT broken = object.record;
    broken.Normals = nullptr;
    EXPECT_EQ(mvo.SaveSingleObject(path().c_str(), broken), MVO_ERR_WRITE);
    EXPECT_EQ(mvo.CloseFile(), MVO_ERR_NOT_OPEN);
    EXPECT_EQ(mvo.SaveSingleObject(path("no/such/dir.mvo").c_str(), object.record), MVO_ERR_OPEN);

    // Counts are not validated on save; the loader then refuses the file.
    MVOBJECT tiny = object.record;
    tiny.VertexCount = 2;
    ASSERT_EQ(mvo.SaveSingleObject(path().c_str(), tiny), MVO_OK);
    EXPECT_EQ(kvtest::readFile(path()).size(), 7u + 12 + 12 * 2);
    EXPECT_EQ(mvo.LoadObject(path().c_str(), &loaded), MVO_ERR_VERTEX_COUNT);
}

TEST(MvoFileAccess, ReadAndWriteMoveWholeCountsOnly) {
    kvtest::TempDir dir;
    cMVO_File file;
    const std::string name = dir.file("raw");
    ASSERT_EQ(file.CreateOutFile(name.c_str()), MVO_OK);
    EXPECT_EQ(file.WriteData("abc", 3), MVO_OK);
    EXPECT_EQ(file.CloseFile(), MVO_OK);
    EXPECT_EQ(file.CloseFile(), MVO_ERR_NOT_OPEN);
    EXPECT_EQ(file.WriteData("abc", 3), MVO_ERR_WRITE);

    char buffer[8] = {};
    ASSERT_EQ(file.CreateInFile(name.c_str()), MVO_OK);
    EXPECT_EQ(file.ReadData(buffer, 2), MVO_OK);
    EXPECT_EQ(file.ReadData(buffer, 2), MVO_ERR_READ);  // only one byte left
    EXPECT_EQ(file.CloseFile(), MVO_OK);
    EXPECT_EQ(file.CreateInFile(dir.file("absent").c_str()), MVO_ERR_OPEN);

    // A FIFO with no writer must fail at once rather than block the loader.
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    MVOBJECT object{};
    cMVO mvo;
    EXPECT_EQ(mvo.LoadObject(dir.file("fifo").c_str(), &object), MVO_ERR_READ);
}

TEST(MvoTexts, ErrorStringsAndVersion) {
    char text[32];
    MVO_ERROR_GetStringByCode(MVO_OK, text);
    EXPECT_STREQ(text, "Main: No errors");
    for (const uint32_t code : {MVO_ERR_MAGIC, MVO_ERR_VERTEX_COUNT, MVO_ERR_READ, MVO_ERR_MEMORY}) {
        MVO_ERROR_GetStringByCode(code, text);
        EXPECT_STREQ(text, "Unknown error!");
    }
    EXPECT_EQ(MVO_GetVersion, 35881u);
}

}  // namespace
