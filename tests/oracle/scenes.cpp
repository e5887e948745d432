#include "scenes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kvtest::scene3d {

namespace {

constexpr float kPi = float(std::numbers::pi);

D3DXMATRIX sceneProjection(const Scene& scene, float fovY, float zNear, float zFar) {
    return perspective(fovY, float(scene.width) / float(scene.height), zNear, zFar);
}

// An orthographic view where one unit is one pixel and (0, 0) is the screen's centre.
D3DXMATRIX pixelProjection(const Scene& scene) {
    D3DXMATRIX m;
    return *D3DXMatrixOrthoLH(&m, float(scene.width), float(scene.height), 0.0f, 10.0f);
}

// An untextured quad from (x0, y0) to (x1, y1) at depth z, in pixel units of pixelProjection.
std::vector<Vertex> quad(float x0, float y0, float x1, float y1, float z, D3DCOLOR c00, D3DCOLOR c10, D3DCOLOR c01,
                         D3DCOLOR c11) {
    const Vertex a{x0, y0, z, 0, 0, -1, c00, 0, 0}, b{x1, y0, z, 0, 0, -1, c10, 1, 0};
    const Vertex c{x0, y1, z, 0, 0, -1, c01, 0, 1}, d{x1, y1, z, 0, 0, -1, c11, 1, 1};
    // Clockwise on screen (y up in these units): a, c, b and b, c, d.
    return {a, c, b, b, c, d};
}

std::vector<Vertex> quad(float x0, float y0, float x1, float y1, float z, D3DCOLOR color) {
    return quad(x0, y0, x1, y1, z, color, color, color, color);
}

// Stage 0 passes the vertex colour and alpha through, untouched by any texture.
std::vector<StageState> diffuseOnly() {
    return {{D3DTSS_COLOROP, D3DTOP_SELECTARG2}, {D3DTSS_ALPHAOP, D3DTOP_SELECTARG2}};
}

}  // namespace

Scene litSphere() {
    Scene scene;
    scene.clear = 0xFF102040;
    scene.lights = {
        directionalLight({1.0f, -0.8f, 0.9f}, color(0.75f, 0.65f, 0.5f), color(1, 1, 1)),
        pointLight({1.6f, 1.2f, -1.8f}, color(0.3f, 0.55f, 1.0f), 0.3f, 0.25f, 0.08f, 100.0f, color(0.6f, 0.8f, 1.0f),
                   color(0.05f, 0.05f, 0.1f)),
    };
    Draw big;
    big.fvf = D3DFVF_XYZ | D3DFVF_NORMAL;
    big.vertices = sphere(1.0f, 48, 32);
    big.world = translation(-0.45f, 0, 0);
    big.view = lookAt({0, 0.3f, -3.4f}, {0, 0, 0});
    big.projection = sceneProjection(scene, kPi / 3, 0.5f, 20.0f);
    big.material = material(color(0.9f, 0.9f, 0.9f), color(0.4f, 0.4f, 0.4f), color(0.7f, 0.7f, 0.7f), 24.0f);
    big.renderStates = {{D3DRS_LIGHTING, TRUE}, {D3DRS_SPECULARENABLE, TRUE}, {D3DRS_AMBIENT, 0x00182028}};
    scene.draws.push_back(big);

    // The small sphere's vertex colours go from red at the top to green at the bottom.
    Draw small;
    small.fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE;
    small.vertices = sphere(0.45f, 24, 16);
    for (Vertex& v : small.vertices) {
        const float t = (v.y / 0.45f + 1) * 0.5f;
        v.diffuse = D3DCOLOR_ARGB(255, int(230 * t), int(200 * (1 - t)), 60);
    }
    small.world = translation(1.15f, -0.35f, -0.6f);
    scene.draws.push_back(small);
    return scene;
}

Scene eightLightsAndPointFill() {
    Scene scene;
    scene.clear = 0xFF000000;
    // Four coloured directional lights from the sides and four attenuated point lights
    // close in front, each adding its own part.
    scene.lights = {
        directionalLight({1, 0, 0.3f}, color(0.35f, 0, 0)),
        directionalLight({-1, 0, 0.3f}, color(0, 0.35f, 0)),
        directionalLight({0, -1, 0.3f}, color(0, 0, 0.35f)),
        directionalLight({0, 1, 0.3f}, color(0.2f, 0.2f, 0)),
        pointLight({-1.2f, 1.2f, -1.5f}, color(0.5f, 0.3f, 0.1f), 0.5f, 0.3f, 0, 100.0f),
        pointLight({1.2f, 1.2f, -1.5f}, color(0.1f, 0.4f, 0.5f), 0.5f, 0.3f, 0, 100.0f),
        pointLight({-1.2f, -1.2f, -1.5f}, color(0.4f, 0.1f, 0.4f), 0.5f, 0.3f, 0, 100.0f),
        pointLight({1.2f, -1.2f, -1.5f}, color(0.3f, 0.3f, 0.3f), 0.5f, 0.3f, 0, 100.0f),
    };
    Draw lit;
    lit.fvf = D3DFVF_XYZ | D3DFVF_NORMAL;
    lit.vertices = sphere(1.0f, 40, 28);
    lit.world = translation(-0.5f, 0, 0);
    lit.view = lookAt({0, 0, -3.4f}, {0, 0, 0});
    lit.projection = sceneProjection(scene, kPi / 3, 0.5f, 20.0f);
    lit.material = material(color(0.9f, 0.9f, 0.9f));
    lit.renderStates = {{D3DRS_LIGHTING, TRUE}, {D3DRS_AMBIENT, 0x00101010}};
    scene.draws.push_back(lit);

    // The corners of the front faces only, one pixel each.
    Draw points;
    points.fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
    points.vertices = sphere(0.6f, 12, 8);
    for (Vertex& v : points.vertices)
        v.diffuse = D3DCOLOR_ARGB(255, int(127 + 127 * v.nx), int(127 + 127 * v.ny), 220);
    points.world = translation(1.2f, 0.1f, 0);
    points.view = lit.view;
    points.projection = lit.projection;
    points.renderStates = {{D3DRS_LIGHTING, FALSE}, {D3DRS_FILLMODE, D3DFILL_POINT}};
    points.stageStates = diffuseOnly();
    scene.draws.push_back(points);
    return scene;
}

Scene texturedFloor(D3DTEXTUREFILTERTYPE filter) {
    Scene scene;
    scene.clear = 0xFF303030;
    scene.textures = {checker(64, 8, 0xFFE0C040, 0xFF3060C0)};
    Draw floor;
    floor.fvf = D3DFVF_XYZ | D3DFVF_TEX1;
    floor.vertices = floorQuad(4.0f, 1.5f);
    floor.world = translation(0, -1, 1.5f);
    floor.view = lookAt({0.3f, 0.2f, -3.0f}, {0, -1, 1.5f});
    floor.projection = sceneProjection(scene, kPi / 3, 0.5f, 20.0f);
    floor.texture = 0;
    floor.renderStates = {{D3DRS_LIGHTING, FALSE}};
    floor.stageStates = {{D3DTSS_MINFILTER, filter}, {D3DTSS_MAGFILTER, filter}};
    scene.draws.push_back(floor);
    return scene;
}

Scene interpenetratingCubes() {
    Scene scene;
    scene.clear = 0xFF202020;
    scene.lights = {directionalLight({0.5f, -1.0f, 0.7f}, color(0.8f, 0.8f, 0.8f))};
    const D3DCOLOR grey[6] = {0xFFC0C0C0, 0xFFC0C0C0, 0xFFC0C0C0, 0xFFC0C0C0, 0xFFC0C0C0, 0xFFC0C0C0};
    const D3DCOLOR bright[6] = {0xFFE04040, 0xFF40E040, 0xFF4040E0, 0xFFE0E040, 0xFF40E0E0, 0xFFE040E0};
    Draw a;
    a.fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE;
    a.vertices = cube(0.8f, grey);
    a.world = rotationYawPitch(0.5f, 0.3f);
    a.view = lookAt({2.2f, 2.0f, -3.4f}, {0.2f, 0.2f, 0});
    a.projection = sceneProjection(scene, kPi / 3, 1.0f, 12.0f);
    a.material = material(color(1, 1, 1), color(1, 1, 1));
    a.renderStates = {{D3DRS_LIGHTING, TRUE}, {D3DRS_AMBIENT, 0x00404040}};
    scene.draws.push_back(a);
    Draw b;
    b.fvf = a.fvf;
    b.vertices = cube(0.6f, bright);
    b.world = rotationYawPitch(0.9f, 0.6f) * translation(0.6f, 0.4f, -0.3f);
    scene.draws.push_back(b);
    return scene;
}

Scene boxAroundCamera() {
    Scene scene;
    scene.clear = 0xFFFF00FF;  // any gap in the walls shows magenta
    scene.textures = {checker(32, 4, 0xFFF0F0F0, 0xFF804020)};
    const D3DCOLOR white[6] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    Draw box;
    box.fvf = D3DFVF_XYZ | D3DFVF_TEX1;
    box.vertices = cube(2.0f, white, true);
    box.view = lookAt({0.6f, 0.3f, 0.4f}, {0.6f + 0.77f, 0.1f, 0.4f + 0.64f});
    box.projection = sceneProjection(scene, kPi / 2, 1.2f, 10.0f);
    box.texture = 0;
    box.renderStates = {{D3DRS_LIGHTING, FALSE}};
    box.stageStates = {{D3DTSS_MINFILTER, D3DTEXF_LINEAR}, {D3DTSS_MAGFILTER, D3DTEXF_LINEAR}};
    scene.draws.push_back(box);
    return scene;
}

Scene blendedQuads() {
    Scene scene;
    scene.clear = 0xFF000000;
    const float w = float(scene.width) / 2, h = float(scene.height) / 2;
    // A texture whose alpha runs from 0 at the left to 255 at the right.
    Texture ramp{32, 32, std::vector<uint32_t>(32 * 32), false};
    for (UINT y = 0; y < 32; ++y)
        for (UINT x = 0; x < 32; ++x) ramp.texels[y * 32 + x] = D3DCOLOR_ARGB(x * 255 / 31, 255, 255 - y * 6, 64);
    scene.textures = {ramp};

    auto add = [&](std::vector<Vertex> vertices, std::vector<RenderState> states) {
        Draw d;
        d.fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
        d.vertices = std::move(vertices);
        d.renderStates = std::move(states);
        scene.draws.push_back(std::move(d));
    };
    add(quad(-w, -h, w, h, 5, 0xFF2040A0, 0xFFA04020, 0xFF20A040, 0xFFC0C0C0),
        {{D3DRS_LIGHTING, FALSE}, {D3DRS_ZENABLE, D3DZB_FALSE}, {D3DRS_CULLMODE, D3DCULL_NONE}});
    scene.draws.back().world = identity();
    scene.draws.back().view = identity();
    scene.draws.back().projection = pixelProjection(scene);
    scene.draws.back().stageStates = diffuseOnly();
    add(quad(-100.3f, -60.6f, 20.2f, 70.1f, 4, 0x80FF2020, 0x80FF2020, 0x20FF2020, 0xE0FF2020),
        {{D3DRS_ALPHABLENDENABLE, TRUE}, {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA}, {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}});
    add(quad(-40.7f, -80.2f, 90.4f, 20.9f, 3, 0xFF00A000, 0xFF006000, 0xFF00A000, 0xFF202000),
        {{D3DRS_SRCBLEND, D3DBLEND_ONE}, {D3DRS_DESTBLEND, D3DBLEND_ONE}});
    add(quad(-20.1f, 10.4f, 110.6f, 85.3f, 2, 0xFFFFFF40, 0xFF80FFFF, 0xFFFFFF40, 0xFFFF80FF),
        {{D3DRS_SRCBLEND, D3DBLEND_DESTCOLOR}, {D3DRS_DESTBLEND, D3DBLEND_ZERO}});

    // The ramp texture, blended by its alpha and modulated by the vertex colour.
    Draw textured;
    textured.fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    textured.vertices = quad(-120.5f, 20.5f, -10.5f, 90.5f, 2, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF80FF80, 0xFF80FF80);
    textured.texture = 0;
    textured.renderStates = {{D3DRS_SRCBLEND, D3DBLEND_SRCALPHA}, {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}};
    textured.stageStates = {{D3DTSS_COLOROP, D3DTOP_MODULATE}, {D3DTSS_ALPHAOP, D3DTOP_MODULATE},
                            {D3DTSS_MINFILTER, D3DTEXF_LINEAR}, {D3DTSS_MAGFILTER, D3DTEXF_LINEAR}};
    scene.draws.push_back(textured);

    // The same texture, opaque where its alpha passes the test.
    Draw tested = textured;
    tested.vertices = quad(-120.5f, -90.5f, -10.5f, -20.5f, 2, 0xFFFFFFFF);
    tested.renderStates = {{D3DRS_ALPHABLENDENABLE, FALSE}, {D3DRS_ALPHATESTENABLE, TRUE},
                           {D3DRS_ALPHAREF, 0x90}, {D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL}};
    tested.stageStates = {};
    scene.draws.push_back(tested);
    return scene;
}

Scene wireframeSphere() {
    Scene scene;
    scene.clear = 0xFF000000;
    Draw d;
    d.fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
    d.vertices = sphere(1.0f, 16, 10);
    for (Vertex& v : d.vertices)
        v.diffuse = D3DCOLOR_ARGB(255, int(127 + 127 * v.nx), int(127 + 127 * v.ny), int(127 + 127 * v.nz));
    d.world = rotationYawPitch(0.3f, 0.2f);
    d.view = lookAt({0, 0, -3.0f}, {0, 0, 0});
    d.projection = sceneProjection(scene, kPi / 3, 0.5f, 20.0f);
    d.renderStates = {{D3DRS_LIGHTING, FALSE}, {D3DRS_FILLMODE, D3DFILL_WIREFRAME}};
    d.stageStates = diffuseOnly();
    scene.draws.push_back(d);
    return scene;
}

namespace {

// A height field over x in -2..2 and z in 0..3, lit through analytic normals.
Draw terrainStrip(UINT columns, UINT rows) {
    Draw d;
    d.type = D3DPT_TRIANGLESTRIP;
    d.fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE;
    for (UINT j = 0; j <= rows; ++j) {
        for (UINT i = 0; i <= columns; ++i) {
            const float x = -2.0f + 4.0f * float(i) / float(columns), z = 3.0f * float(j) / float(rows);
            const float y = 0.3f * std::sin(1.3f * x) * std::cos(1.1f * z);
            const float dx = 0.39f * std::cos(1.3f * x) * std::cos(1.1f * z);
            const float dz = -0.33f * std::sin(1.3f * x) * std::sin(1.1f * z);
            D3DXVECTOR3 n(-dx, 1, -dz);
            D3DXVec3Normalize(&n, &n);
            d.vertices.push_back(Vertex{x, y, z, n.x, n.y, n.z, D3DCOLOR_ARGB(255, 80 + 7 * i, 200 - 8 * j, 90), 0, 0});
        }
    }
    // Row after row, each row's strip running up the columns; two repeated indices between
    // rows make four degenerate triangles that keep the winding.
    for (UINT j = 0; j < rows; ++j) {
        if (j > 0) {
            d.indices.push_back(d.indices.back());
            d.indices.push_back(uint16_t(j * (columns + 1)));
        }
        for (UINT i = 0; i <= columns; ++i) {
            d.indices.push_back(uint16_t(j * (columns + 1) + i));
            d.indices.push_back(uint16_t((j + 1) * (columns + 1) + i));
        }
    }
    return d;
}

// Points on a circle of `radius` in the z = 0 plane, going clockwise as seen from -z.
std::vector<Vertex> circle(float radius, UINT count, float turn = 0.0f) {
    std::vector<Vertex> out;
    for (UINT k = 0; k < count; ++k) {
        const float a = turn - 2.0f * kPi * float(k) / float(count);
        const float t = float(k) / float(count);
        out.push_back(Vertex{radius * std::cos(a), radius * std::sin(a), 0, 0, 0, -1,
                             D3DCOLOR_ARGB(255, int(255 * t), int(255 * (1 - t)), int(128 + 127 * std::sin(6 * t)))});
    }
    return out;
}

}  // namespace

Scene primitiveAssembly() {
    Scene scene;
    scene.clear = 0xFF101018;
    scene.lights = {directionalLight({0.3f, -1.0f, 0.4f}, color(0.9f, 0.9f, 0.8f))};

    Draw terrain = terrainStrip(24, 12);
    terrain.view = lookAt({0, 2.6f, -1.6f}, {0, -0.2f, 1.6f});
    terrain.projection = sceneProjection(scene, kPi / 3, 0.5f, 20.0f);
    terrain.world = identity();
    terrain.renderStates = {{D3DRS_LIGHTING, TRUE}, {D3DRS_AMBIENT, 0x00303030}};
    terrain.stageStates = diffuseOnly();
    scene.draws.push_back(terrain);

    // A fan: its centre, then the rim clockwise and closed.
    Draw fan;
    fan.type = D3DPT_TRIANGLEFAN;
    fan.fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
    fan.fromMemory = true;
    fan.vertices = {Vertex{0, 0, 0, 0, 0, -1, 0xFFFFFFFF}};
    for (const Vertex& v : circle(0.45f, 9)) fan.vertices.push_back(v);
    fan.vertices.push_back(fan.vertices[1]);
    fan.world = translation(-1.2f, 1.1f, 1.6f);
    fan.renderStates = {{D3DRS_LIGHTING, FALSE}};
    scene.draws.push_back(fan);

    // A ring of flat-shaded triangles, indexed from the caller's memory: each takes its
    // first vertex's colour.
    Draw ring;
    ring.fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
    ring.fromMemory = true;
    ring.vertices = circle(0.45f, 10);
    for (const Vertex& v : circle(0.25f, 10, 0.3f)) ring.vertices.push_back(v);
    for (uint16_t k = 0; k < 10; ++k) {
        const uint16_t next = uint16_t((k + 1) % 10);
        ring.indices.insert(ring.indices.end(), {k, next, uint16_t(10 + k)});
    }
    ring.world = translation(1.2f, 1.1f, 1.6f);
    ring.renderStates = {{D3DRS_SHADEMODE, D3DSHADE_FLAT}};
    scene.draws.push_back(ring);

    Draw strip;
    strip.type = D3DPT_LINESTRIP;
    strip.fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
    strip.vertices = circle(0.3f, 7);
    strip.world = translation(-0.42f, 1.35f, 1.6f);
    strip.renderStates = {{D3DRS_SHADEMODE, D3DSHADE_GOURAUD}};
    scene.draws.push_back(strip);

    Draw lines = strip;
    lines.type = D3DPT_LINELIST;
    lines.vertices = circle(0.3f, 12, 0.1f);
    lines.world = translation(0.42f, 1.35f, 1.6f);
    scene.draws.push_back(lines);

    Draw points = strip;
    points.type = D3DPT_POINTLIST;
    points.vertices = circle(0.6f, 24, 0.05f);
    points.world = translation(0, 0.8f, 1.2f);
    scene.draws.push_back(points);
    return scene;
}

Scene textureStages() {
    Scene scene;
    scene.clear = 0xFF000000;
    scene.textures = {checker(32, 4, 0xFFE0A040, 0xFF2080D0)};
    // A light map: a bright blob off centre, dark towards the edges.
    Texture light{16, 16, std::vector<uint32_t>(16 * 16), true};
    for (UINT y = 0; y < 16; ++y) {
        for (UINT x = 0; x < 16; ++x) {
            const float d = std::hypot(float(x) - 6.0f, float(y) - 9.0f) / 12.0f;
            const int level = int(255 * std::max(0.1f, 1.0f - d));
            light.texels[y * 16 + x] = D3DCOLOR_ARGB(255, level, level, std::min(255, level + 40));
        }
    }
    scene.textures.push_back(light);

    struct Case {
        std::vector<StageState> states;
        D3DCOLOR diffuse;
    };
    const std::vector<Case> cases = {
        {{{D3DTSS_COLOROP, D3DTOP_SELECTARG1}}, 0xFFFFFFFF},
        {{{D3DTSS_COLOROP, D3DTOP_MODULATE2X}, {D3DTSS_COLORARG2, D3DTA_DIFFUSE}}, 0xFF9070A0},
        {{{D3DTSS_COLOROP, D3DTOP_ADD}}, 0xFF402010},
        {{{D3DTSS_COLOROP, D3DTOP_MODULATE}, {D3DTSS_COLORARG2, D3DTA_TFACTOR}}, 0xFFFFFFFF},
        {{{D3DTSS_COLOROP, D3DTOP_ADDSIGNED}, {D3DTSS_COLORARG2, D3DTA_DIFFUSE}}, 0xFF60A0C0},
        {{{D3DTSS_COLOROP, D3DTOP_SUBTRACT}}, 0xFF304050},
        // The checker lit by the light map, then the vertex colour lit by it.
        {{{D3DTSS_COLOROP, D3DTOP_MODULATE},
          {D3DTSS_COLOROP, D3DTOP_MODULATE, 1},
          {D3DTSS_COLORARG1, D3DTA_TEXTURE, 1},
          {D3DTSS_COLORARG2, D3DTA_CURRENT, 1},
          {D3DTSS_MINFILTER, D3DTEXF_LINEAR, 1},
          {D3DTSS_MAGFILTER, D3DTEXF_LINEAR, 1}},
         0xFFE0E0FF},
        {{{D3DTSS_COLOROP, D3DTOP_SELECTARG1}, {D3DTSS_COLORARG1, D3DTA_DIFFUSE}, {D3DTSS_COLOROP, D3DTOP_ADD, 1}},
         0xFF803020},
    };
    const float w = float(scene.width) / 2, h = float(scene.height) / 2;
    for (size_t i = 0; i < cases.size(); ++i) {
        const float x0 = -w + 4.3f + 63 * float(i % 4), y0 = h - 4.3f - 92 * float(i / 4);
        Draw d;
        d.fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2;
        d.vertices = quad(x0, y0 - 84.5f, x0 + 55.5f, y0, 5, cases[i].diffuse);
        for (Vertex& v : d.vertices) {
            v.u2 = 0.9f * v.u + 0.05f;
            v.v2 = 0.9f * v.v + 0.05f;
        }
        d.stageStates = cases[i].states;
        if (i == 0) {
            d.world = d.view = identity();
            d.projection = pixelProjection(scene);
            d.texture = 0;
            d.texture1 = 1;
            d.renderStates = {{D3DRS_LIGHTING, FALSE}, {D3DRS_ZENABLE, D3DZB_FALSE}, {D3DRS_TEXTUREFACTOR, 0xFF40C0FF}};
        }
        scene.draws.push_back(d);
    }
    return scene;
}

}  // namespace kvtest::scene3d
