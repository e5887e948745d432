#include "../device/device.h"
#include "../raster/sprite.h"

#include <platform/d3dx8.h>

#include <algorithm>
#include <cmath>
#include <new>

namespace platform::d3d8 {

namespace {

using raster::SpriteFilter;
using raster::SpriteTransform;

// Quarter turns come out exact: sin and cos of a float right angle are snapped.
void sinCos(float angle, double& s, double& c) {
    s = std::sin(double(angle));
    c = std::cos(double(angle));
    constexpr double kEpsilon = 1e-6;
    if (std::fabs(s) < kEpsilon) s = 0.0, c = c > 0 ? 1.0 : -1.0;
    if (std::fabs(c) < kEpsilon) c = 0.0, s = s > 0 ? 1.0 : -1.0;
}

// Scaling, rotation about the centre, translation: D3DXMatrixTransformation2D's order,
// worked out in double precision.
SpriteTransform drawTransform(const D3DXVECTOR2* scaling, const D3DXVECTOR2* center, float rotation,
                              const D3DXVECTOR2* translation) {
    const double sx = scaling ? scaling->x : 1.0, sy = scaling ? scaling->y : 1.0;
    const double cx = center ? center->x : 0.0, cy = center ? center->y : 0.0;
    const double tx = translation ? translation->x : 0.0, ty = translation ? translation->y : 0.0;
    double s, c;
    sinCos(rotation, s, c);
    return SpriteTransform{sx * c, sx * s, -sy * s, sy * c, -cx * c + cy * s + cx + tx, -cx * s - cy * c + cy + ty};
}

SpriteFilter filterOf(DWORD value) {
    return value == D3DTEXF_POINT || value == D3DTEXF_NONE ? SpriteFilter::Point : SpriteFilter::Linear;
}

class Sprite final : public RefCounted<ID3DXSprite> {
public:
    explicit Sprite(Device* device) { device_.reset(device); }

    HRESULT GetDevice(IDirect3DDevice8** device) override {
        if (!device) return D3DERR_INVALIDCALL;
        *device = device_.share();
        return D3D_OK;
    }

    HRESULT Begin() override {
        if (begun_) return D3DERR_INVALIDCALL;
        begun_ = true;
        return D3D_OK;
    }

    HRESULT End() override {
        if (!begun_) return D3DERR_INVALIDCALL;
        begun_ = false;
        return D3D_OK;
    }

    HRESULT Draw(IDirect3DTexture8* texture, const RECT* sourceRect, const D3DXVECTOR2* scaling,
                 const D3DXVECTOR2* rotationCenter, float rotation, const D3DXVECTOR2* translation,
                 D3DCOLOR color) override {
        return render(texture, sourceRect, drawTransform(scaling, rotationCenter, rotation, translation), color);
    }

    HRESULT DrawTransform(IDirect3DTexture8* texture, const RECT* sourceRect, const D3DXMATRIX* transform,
                          D3DCOLOR color) override {
        if (!transform) return D3DERR_INVALIDCALL;
        const SpriteTransform m{transform->_11, transform->_12, transform->_21,
                                transform->_22, transform->_41, transform->_42};
        return render(texture, sourceRect, m, color);
    }

    HRESULT OnLostDevice() override { return D3D_OK; }
    HRESULT OnResetDevice() override { return D3D_OK; }

private:
    // A source rectangle reaching outside the texture is cut to it; the part kept stays
    // where it would have been drawn.
    HRESULT render(IDirect3DTexture8* texture, const RECT* sourceRect, SpriteTransform m, D3DCOLOR color) {
        Texture* own = texture ? asTexture(texture) : nullptr;
        SurfaceData* level = own ? own->level(0) : nullptr;
        if (!level) return D3DERR_INVALIDCALL;
        const RECT whole{0, 0, static_cast<LONG>(level->desc.Width), static_cast<LONG>(level->desc.Height)};
        const RECT wanted = sourceRect ? *sourceRect : whole;
        const RECT cut = raster::intersect(wanted, whole);
        if (raster::isEmpty(cut)) return D3D_OK;
        const double shiftU = double(cut.left) - wanted.left, shiftV = double(cut.top) - wanted.top;
        m.dx += shiftU * m.m11 + shiftV * m.m21;
        m.dy += shiftU * m.m12 + shiftV * m.m22;

        Device& device = *device_.get();
        if (device.rendersInto(level)) return D3DERR_INVALIDCALL;  // drawing a texture into itself
        const bool magnifying = std::fabs(m.m11 * m.m22 - m.m12 * m.m21) > 1.0;
        const SpriteFilter filter =
            filterOf(device.stageState(0, magnifying ? D3DTSS_MAGFILTER : D3DTSS_MINFILTER));
        raster::drawSprite(device.drawTarget(),
                           raster::SpriteSource{level->bits.data(), level->pitch, cut,
                                                level->desc.Format == D3DFMT_X8R8G8B8, level->allOpaque},
                           m, filter, color);
        return D3D_OK;
    }

    ComRef<Device> device_;
    bool begun_ = false;
};

}  // namespace

}  // namespace platform::d3d8

HRESULT D3DXCreateSprite(IDirect3DDevice8* device, ID3DXSprite** sprite) {
    using namespace platform::d3d8;
    if (!sprite) return D3DERR_INVALIDCALL;
    *sprite = nullptr;
    Device* own = dynamic_cast<Device*>(device);
    if (!own) return D3DERR_INVALIDCALL;
    *sprite = new (std::nothrow) Sprite(own);
    return *sprite ? D3D_OK : E_OUTOFMEMORY;
}
