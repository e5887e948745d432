// The COM stand-in: per-thread initialisation, class creation refusals, wide file names.
#include <platform/com.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

inline constexpr CLSID kUnknownClass = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

TEST(Com, InitialisationCountsPerThreadAndGatesCreation) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(kUnknownClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    std::thread([] {
        void* other = nullptr;
        EXPECT_EQ(CoCreateInstance(kUnknownClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &other),
                  CO_E_NOTINITIALIZED);
    }).join();
    EXPECT_EQ(CoCreateInstance(kUnknownClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(kUnknownClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr), E_POINTER);
    CoUninitialize();
    CoUninitialize();
    CoUninitialize();  // one too many is harmless
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
}

TEST(Com, GuidsCompareByValue) {
    GUID copy = kUnknownClass;
    EXPECT_TRUE(IsEqualGUID(copy, kUnknownClass));
    copy.Data4[7] = 9;
    EXPECT_FALSE(copy == kUnknownClass);
    EXPECT_FALSE(IsEqualGUID(GUID_NULL, IID_IUnknown));
}

TEST(Com, MultiByteToWideCharConvertsUtf8AndRefusesWhatItCannotHold) {
    const char* name = "m\xC3\xBCsic/\xF0\x9F\x8E\xB5.mp3";  // u-umlaut and a character past U+FFFF
    const std::u16string expected = u"m\u00FCsic/\U0001F3B5.mp3";
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0), static_cast<int>(expected.size()) + 1);
    WCHAR wide[260];
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 260), static_cast<int>(expected.size()) + 1);
    EXPECT_EQ(std::u16string(wide), expected);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, name, 3, wide, 260), 2);  // counted input has no terminator

    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 5), 0);                 // too small
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a\xC3", -1, wide, 260), 0);            // cut sequence
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xC0\xAF", -1, wide, 260), 0);         // overlong '/'
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xED\xA0\x80", -1, wide, 260), 0);     // lone surrogate
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xF4\x90\x80\x80", -1, wide, 260), 0); // past U+10FFFF
    const std::string longName(300, 'x');
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, longName.c_str(), -1, wide, 260), 0);
}

}  // namespace
