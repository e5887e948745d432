#include <platform/gdifont.h>

#include "../d3d8/raster/fill.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cstdlib>
#include <new>
#include <cstring>
#include <string>
#include <strings.h>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

constexpr int kDefaultCellHeight = 16;
constexpr int kMaxPixelSize = 1024;
constexpr size_t kMaxCachedGlyphs = 2048;

FT_Library freetype() {
    static FT_Library library = [] {
        FT_Library made = nullptr;
        return FT_Init_FreeType(&made) == 0 ? made : nullptr;
    }();
    return library;
}

struct FaceFile {
    std::string path;
    int index = 0;
};

// fontconfig's best match for the family; a name it does not know falls back to sans.
FaceFile findFace(const char* family, bool bold) {
    FaceFile result;
    if (!FcInit()) return result;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return result;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult status;
    FcPattern* match = FcFontMatch(nullptr, pattern, &status);
    FcPatternDestroy(pattern);
    if (!match) return result;
    FcChar8* matchedFamily = nullptr;
    FcChar8* file = nullptr;
    const bool sameFamily = FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch &&
                            strcasecmp(reinterpret_cast<const char*>(matchedFamily), family) == 0;
    if ((sameFamily || std::strcmp(family, "sans-serif") == 0) &&
        FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        result.path = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &result.index);
    }
    FcPatternDestroy(match);
    return result;
}

// Windows-1251 bytes 0x80-0xBF (0xC0-0xFF are U+0410-U+044F).
constexpr uint16_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

uint32_t cp1251(uint8_t byte) {
    if (byte < 0x80) return byte;
    if (byte >= 0xC0) return 0x0410 + (byte - 0xC0);
    return kCp1251High[byte - 0x80];
}

// Decodes one character at text[i], advancing i; malformed UTF-8 is read as Windows-1251.
uint32_t nextCodePoint(const char* text, size_t length, size_t& i) {
    const auto* s = reinterpret_cast<const uint8_t*>(text);
    const uint8_t lead = s[i];
    const int extra = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 && lead < 0xF0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : 0;
    if (extra > 0 && i + extra < length) {
        uint32_t code = lead & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra && valid; ++k) {
            valid = (s[i + k] & 0xC0) == 0x80;
            code = (code << 6) | (s[i + k] & 0x3F);
        }
        constexpr uint32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
        if (valid && code >= kMinimum[extra] && code <= 0x10FFFF && (code < 0xD800 || code >= 0xE000)) {
            i += extra + 1;
            return code;
        }
    }
    ++i;
    return cp1251(lead);
}

struct Glyph {
    int32_t left = 0, top = 0, width = 0, rows = 0;
    int32_t advance = 0;  // 26.6
    std::vector<uint8_t> coverage;
};

}  // namespace

struct FontFace {
    FT_Face face = nullptr;
    std::string path;
    int32_t ascent = 0, descent = 0;
    std::unordered_map<uint32_t, Glyph> glyphs;
    bool embolden = false;  // bold asked for, but the face found has no bold style

    ~FontFace() {
        if (face) FT_Done_Face(face);
    }

    const Glyph& glyph(uint32_t code) {
        auto found = glyphs.find(code);
        if (found != glyphs.end()) return found->second;
        if (glyphs.size() >= kMaxCachedGlyphs) glyphs.clear();  // bounded however many scripts a text uses
        Glyph made;
        if (render(code)) {
            const FT_Bitmap& bitmap = face->glyph->bitmap;
            made.left = face->glyph->bitmap_left;
            made.top = face->glyph->bitmap_top;
            made.width = static_cast<int32_t>(bitmap.width);
            made.rows = static_cast<int32_t>(bitmap.rows);
            made.advance = static_cast<int32_t>(face->glyph->advance.x);
            made.coverage.resize(size_t(made.width) * made.rows);
            for (int32_t y = 0; y < made.rows; ++y)
                std::memcpy(&made.coverage[size_t(y) * made.width], bitmap.buffer + int64_t(y) * bitmap.pitch,
                            made.width);
        }
        return glyphs.emplace(code, std::move(made)).first->second;
    }

    // Loads the glyph into the face's slot as an 8-bit coverage bitmap.
    bool render(uint32_t code) {
        if (FT_Load_Char(face, code, FT_LOAD_TARGET_NORMAL) != 0) return false;
        if (embolden && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) FT_GlyphSlot_Embolden(face->glyph);
        return FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0 &&
               face->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY;
    }
};

namespace {

std::unique_ptr<FontFace> openFace(const LOGFONTA& logFont) {
    FT_Library library = freetype();
    if (!library) return nullptr;
    const bool bold = logFont.lfWeight >= 600;
    FaceFile file = findFace(logFont.lfFaceName[0] ? logFont.lfFaceName : "sans-serif", bold);
    if (file.path.empty()) file = findFace("sans-serif", bold);
    if (file.path.empty()) return nullptr;
    auto face = std::make_unique<FontFace>();
    if (FT_New_Face(library, file.path.c_str(), file.index, &face->face) != 0) return nullptr;
    face->path = file.path;
    face->embolden = bold && !(face->face->style_flags & FT_STYLE_FLAG_BOLD);
    const int height = logFont.lfHeight == 0 ? kDefaultCellHeight : logFont.lfHeight;
    FT_Size_RequestRec request{};
    request.type = height > 0 ? FT_SIZE_REQUEST_TYPE_CELL : FT_SIZE_REQUEST_TYPE_NOMINAL;
    request.height = static_cast<FT_Long>(std::min(std::abs(height), kMaxPixelSize)) * 64;
    if (FT_Request_Size(face->face, &request) != 0) return nullptr;
    face->ascent = static_cast<int32_t>((face->face->size->metrics.ascender + 32) >> 6);
    face->descent = static_cast<int32_t>((-face->face->size->metrics.descender + 32) >> 6);
    return face;
}

}  // namespace

Font::Font(const LOGFONTA& font) : logFont(font), face_(openFace(font)) {}

Font::~Font() = default;

const char* Font::fileName() const { return face_ ? face_->path.c_str() : ""; }
int32_t Font::lineHeight() const { return face_ ? face_->ascent + face_->descent : 0; }
int32_t Font::ascent() const { return face_ ? face_->ascent : 0; }

int32_t Font::measureLine(const char* text, size_t length) const {
    if (!face_ || !text) return 0;
    int64_t pen = 0;
    for (size_t i = 0; i < length;) pen += face_->glyph(nextCodePoint(text, length, i)).advance;
    return static_cast<int32_t>((pen + 32) >> 6);
}

void Font::drawLine(const PixelTarget& target, int32_t x, int32_t y, const char* text, size_t length,
                    uint32_t color, const RECT& clip) const {
    if (!face_ || !text || !target.bits) return;
    namespace raster = d3d8::raster;
    const raster::ColorView view{target.bits, target.pitch, target.width, target.height};
    const raster::Target glyphTarget{view, {}, raster::intersect(clip, view.bounds())};
    int64_t pen = int64_t(x) << 6;
    const int64_t baseline = int64_t(y) + face_->ascent;
    for (size_t i = 0; i < length;) {
        const Glyph& g = face_->glyph(nextCodePoint(text, length, i));
        raster::blendCoverage(glyphTarget, ((pen + 32) >> 6) + g.left, baseline - g.top,
                              raster::Coverage{g.coverage.data(), g.width, g.width, g.rows}, color);
        pen += g.advance;
    }
}

}  // namespace platform

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outputPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
    LOGFONTA logFont{};
    logFont.lfHeight = height;
    logFont.lfWidth = width;
    logFont.lfEscapement = escapement;
    logFont.lfOrientation = orientation;
    logFont.lfWeight = weight;
    logFont.lfItalic = static_cast<BYTE>(italic != 0);
    logFont.lfUnderline = static_cast<BYTE>(underline != 0);
    logFont.lfStrikeOut = static_cast<BYTE>(strikeOut != 0);
    logFont.lfCharSet = static_cast<BYTE>(charSet);
    logFont.lfOutPrecision = static_cast<BYTE>(outputPrecision);
    logFont.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    logFont.lfQuality = static_cast<BYTE>(quality);
    logFont.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (faceName) std::strncpy(logFont.lfFaceName, faceName, sizeof logFont.lfFaceName - 1);
    auto* font = new (std::nothrow) platform::Font(logFont);
    if (font && !font->valid()) {
        delete font;
        return nullptr;
    }
    return font;
}
