// The D3DX 8 helpers the engine calls: sprites, fonts, texture creation, surface saving and
// the matrix and vector functions (row vectors, left-handed, as D3DX defines them).
#pragma once

#include <platform/d3d8.h>
#include <platform/gdifont.h>

constexpr HRESULT D3DXERR_INVALIDDATA = makeD3dHresult(2905);

constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;

// DrawTextA format flags.
constexpr DWORD DT_TOP = 0x00000000;
constexpr DWORD DT_LEFT = 0x00000000;
constexpr DWORD DT_CENTER = 0x00000001;
constexpr DWORD DT_RIGHT = 0x00000002;
constexpr DWORD DT_VCENTER = 0x00000004;
constexpr DWORD DT_BOTTOM = 0x00000008;
constexpr DWORD DT_WORDBREAK = 0x00000010;
constexpr DWORD DT_SINGLELINE = 0x00000020;
constexpr DWORD DT_EXPANDTABS = 0x00000040;
constexpr DWORD DT_NOCLIP = 0x00000100;
constexpr DWORD DT_CALCRECT = 0x00000400;

enum D3DXIMAGE_FILEFORMAT : uint32_t {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
};

struct PALETTEENTRY {
    BYTE peRed, peGreen, peBlue, peFlags;
};

// ---- Vectors and matrices --------------------------------------------------------------
struct D3DXVECTOR2 {
    float x = 0, y = 0;
    D3DXVECTOR2() = default;
    D3DXVECTOR2(float x_, float y_) : x(x_), y(y_) {}
    D3DXVECTOR2 operator+(const D3DXVECTOR2& v) const { return {x + v.x, y + v.y}; }
    D3DXVECTOR2 operator-(const D3DXVECTOR2& v) const { return {x - v.x, y - v.y}; }
    D3DXVECTOR2 operator*(float s) const { return {x * s, y * s}; }
    bool operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
};

struct D3DXVECTOR3 : D3DVECTOR {
    D3DXVECTOR3() : D3DVECTOR{0, 0, 0} {}
    D3DXVECTOR3(float x_, float y_, float z_) : D3DVECTOR{x_, y_, z_} {}
    D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}
    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return {x + v.x, y + v.y, z + v.z}; }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return {x - v.x, y - v.y, z - v.z}; }
    D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
    D3DXVECTOR3 operator*(float s) const { return {x * s, y * s, z * s}; }
    D3DXVECTOR3 operator/(float s) const { return {x / s, y / s, z / s}; }
    D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) { x += v.x; y += v.y; z += v.z; return *this; }
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
    D3DXVECTOR3& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }
    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
};

struct D3DXVECTOR4 {
    float x = 0, y = 0, z = 0, w = 0;
    D3DXVECTOR4() = default;
    D3DXVECTOR4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
};

struct D3DXMATRIX : D3DMATRIX {
    D3DXMATRIX() : D3DMATRIX{} {}
    D3DXMATRIX(const D3DMATRIX& m_) : D3DMATRIX(m_) {}
    D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22, float m23, float m24,
               float m31, float m32, float m33, float m34, float m41, float m42, float m43, float m44);
    float& operator()(UINT row, UINT col) { return m[row][col]; }
    float operator()(UINT row, UINT col) const { return m[row][col]; }
    D3DXMATRIX operator*(const D3DXMATRIX& other) const;
    D3DXMATRIX& operator*=(const D3DXMATRIX& other);
    bool operator==(const D3DXMATRIX& other) const;
};

// Each returns its output pointer, like D3DX.
D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);
// Null (and `out` untouched) when the matrix is singular; `determinant` may be null.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle);
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zNear, float zFar);
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float width, float height, float zNear, float zFar);
// Scaling about the origin, rotation about `rotationCenter`, then translation (null = none).
D3DXMATRIX* D3DXMatrixTransformation2D(D3DXMATRIX* out, const D3DXVECTOR2* scalingCenter,
                                       float scalingRotation, const D3DXVECTOR2* scaling,
                                       const D3DXVECTOR2* rotationCenter, float rotation,
                                       const D3DXVECTOR2* translation);

float D3DXVec2Length(const D3DXVECTOR2* v);
float D3DXVec2Dot(const D3DXVECTOR2* a, const D3DXVECTOR2* b);
float D3DXVec3Length(const D3DXVECTOR3* v);
float D3DXVec3LengthSq(const D3DXVECTOR3* v);
float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, float s);
D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, float s);
// A zero vector normalises to zero.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
// (x, y, z, 1) * m, divided by w.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// (x, y, z, 0) * m.
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);

// ---- Sprites, fonts, textures, surfaces -------------------------------------------------
struct ID3DXSprite : IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice8** device) = 0;
    virtual HRESULT Begin() = 0;
    // Draws `sourceRect` (null = the whole level 0) scaled, rotated about `rotationCenter`
    // (in scaled pixels) and translated; filtered with stage 0's filters, modulated by
    // `color` and blended with source alpha into the device's render target.
    virtual HRESULT Draw(IDirect3DTexture8* texture, const RECT* sourceRect, const D3DXVECTOR2* scaling,
                         const D3DXVECTOR2* rotationCenter, float rotation, const D3DXVECTOR2* translation,
                         D3DCOLOR color) = 0;
    // The same with a 2D transform (the x, y rows and translation of `transform`).
    virtual HRESULT DrawTransform(IDirect3DTexture8* texture, const RECT* sourceRect,
                                  const D3DXMATRIX* transform, D3DCOLOR color) = 0;
    virtual HRESULT End() = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};

struct ID3DXFont : IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice8** device) = 0;
    virtual HRESULT GetLogFont(LOGFONTA* logFont) = 0;
    virtual HRESULT Begin() = 0;
    // Draws UTF-8 text (count < 0: up to the terminating zero) from the rectangle's top-left,
    // breaking lines at line feeds; clipped to the rectangle unless DT_NOCLIP. DT_CALCRECT
    // only measures, setting the rectangle's right and bottom. Returns the text height.
    virtual INT DrawTextA(LPCSTR text, INT count, RECT* rect, DWORD format, D3DCOLOR color) = 0;
    virtual HRESULT End() = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};

using LPD3DXSPRITE = ID3DXSprite*;
using LPD3DXFONT = ID3DXFont*;

HRESULT D3DXCreateSprite(IDirect3DDevice8* device, ID3DXSprite** sprite);
// The font object keeps its own copy of the face; the caller still owns `font`.
HRESULT D3DXCreateFont(IDirect3DDevice8* device, HFONT font, ID3DXFont** result);
// Sizes and level counts as D3DX adjusts them: 0 or D3DX_DEFAULT sizes become 256, levels 0
// or D3DX_DEFAULT a full chain; formats the device cannot sample become A8R8G8B8.
HRESULT D3DXCreateTexture(IDirect3DDevice8* device, UINT width, UINT height, UINT mipLevels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture);
// Writes a bottom-up BI_RGB bitmap: 24-bit for X8R8G8B8 surfaces, 32-bit for A8R8G8B8.
// Only D3DXIFF_BMP (and DIB) is written; other formats give D3DERR_INVALIDCALL.
HRESULT D3DXSaveSurfaceToFileA(LPCSTR fileName, D3DXIMAGE_FILEFORMAT format, IDirect3DSurface8* surface,
                               const PALETTEENTRY* palette, const RECT* sourceRect);
