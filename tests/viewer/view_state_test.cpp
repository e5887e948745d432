#include "launch.h"
#include "view_state.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kviewer;

TEST(ViewState, KeypadZoomsOnKeyUpOnly) {
    ViewState view;
    EXPECT_FALSE(view.keyDown(kVkAdd));
    for (int i = 0; i < 3; ++i) view.keyUp(kVkAdd);
    EXPECT_EQ(view.zoom, 1.953125f);
    view.keyUp(kVkSubtract);
    EXPECT_EQ(view.zoom, 1.5625f);
}

TEST(ViewState, ArrowsPanByTruncatedZoomedSteps) {
    ViewState view;
    view.zoom = 1.25f;
    view.keyDown(kVkLeft);
    EXPECT_EQ(view.panX, -62);
    view.keyDown(kVkRight);
    view.keyDown(kVkRight);
    EXPECT_EQ(view.panX, 62);
    view.keyDown(kVkUp);
    EXPECT_EQ(view.panY, -62);
    view.keyDown(kVkDown);
    EXPECT_EQ(view.panY, 0);
    EXPECT_FALSE(view.keyUp(kVkLeft));
    EXPECT_EQ(view.panX, 62);
}

TEST(ViewState, EnterResetsEverythingAndOtherKeysDoNothing) {
    ViewState view;
    view.keyDown(kVkMultiply);
    view.keyDown(kVkMultiply);
    view.keyDown(kVkDivide);
    EXPECT_FLOAT_EQ(view.rotation, -0.17453294f);
    view.keyUp(kVkAdd);
    view.keyDown(kVkDown);
    EXPECT_FALSE(view.keyDown('A'));
    EXPECT_FALSE(view.keyUp('A'));
    EXPECT_FALSE(view.keyDown(kVkReturn));
    EXPECT_NE(view.zoom, 1.0f);
    view.keyUp(kVkReturn);
    EXPECT_EQ(view.zoom, 1.0f);
    EXPECT_EQ(view.rotation, 0.0f);
    EXPECT_EQ(view.panX, 0);
    EXPECT_EQ(view.panY, 0);
}

TEST(ViewState, PlacesPictureCentredWithIntegerHalvings) {
    ViewState view;
    // 1023 / 2 = 511; 511 - 101 * 0.5 = 460.5, fraction dropped.
    SpritePlacement p = view.place({1023, 768, 100, 50});
    EXPECT_EQ(p.x, 461);
    p = view.place({1023, 768, 101, 50});
    EXPECT_EQ(p.x, 460);
    EXPECT_EQ(p.y, 359);

    view.zoom = 2.0f;
    view.panBy(7, -3);
    p = view.place({1024, 768, 100, 50});
    EXPECT_EQ(p.x, 512 - 100 + 7);
    EXPECT_EQ(p.y, 384 - 50 - 3);
    EXPECT_EQ(p.scale, 2.0f);

    // A picture wider than the window starts left of it.
    view = ViewState{};
    EXPECT_EQ(view.place({100, 100, 301, 1}).x, 50 - 150);
}

// The sprite turns about a point of the scaled picture: its centre is half the scaled size.
TEST(ViewState, RotationCentreIsTheScaledPictureCentre) {
    ViewState view;
    SpritePlacement p = view.place({1024, 768, 100, 50});
    EXPECT_EQ(p.centreX, 50.0f);  // zoom 1: as before
    EXPECT_EQ(p.centreY, 25.0f);
    view.zoom = 0.8f * 0.8f * 0.8f * 0.8f;
    p = view.place({1024, 768, 100, 50});
    EXPECT_FLOAT_EQ(p.centreX, 100 * view.zoom / 2);
    EXPECT_FLOAT_EQ(p.centreY, 50 * view.zoom / 2);
    view.zoom = 2.0f;
    p = view.place({1024, 768, 101, 51});
    EXPECT_EQ(p.centreX, 101.0f);
    EXPECT_EQ(p.centreY, 51.0f);
}

TEST(ViewState, ZoomAndPositionsStayBounded) {
    ViewState view;
    for (int i = 0; i < 200; ++i) view.keyUp(kVkAdd);
    EXPECT_EQ(view.zoom, ViewState::kMaxZoom);
    for (int i = 0; i < 2000; ++i) view.keyDown(kVkRight);
    EXPECT_EQ(view.panX, 1 << 24);
    const SpritePlacement far = view.place({1024, 768, 60000, 60000});
    EXPECT_LE(far.x, 1 << 24);
    EXPECT_GE(far.y, -(1 << 24));
    for (int i = 0; i < 400; ++i) view.zoomOut();
    EXPECT_EQ(view.zoom, ViewState::kMinZoom);
}

TEST(ViewState, ClipHoldsTheWholeUnscaledPicture) {
    // The sprite clips in unscaled source pixels: with the bare window as clip, a picture
    // larger than the window but zoomed out to fit would lose its right part.
    ViewState view;
    view.zoom = 0.5f;
    SpritePlacement p = view.place({1024, 768, 2000, 1000});
    EXPECT_EQ(p.x, 12);
    EXPECT_EQ(p.clipLeft, 0);
    EXPECT_EQ(p.clipRight, 2012);
    EXPECT_EQ(p.clipBottom, 134 + 1000);
    view.zoom = 2.0f;
    p = view.place({1024, 768, 2000, 1000});
    EXPECT_EQ(p.x, 512 - 2000);
    EXPECT_EQ(p.clipLeft, 512 - 2000);
    EXPECT_EQ(p.clipRight, 1024);
    EXPECT_EQ(p.clipTop, 384 - 1000);
}

TEST(ViewState, MainRowPlusEqualsAndMinusZoomLikeTheKeypad) {
    ViewState view;
    EXPECT_FALSE(view.keyDown(kVkOemPlus));
    EXPECT_TRUE(view.keyUp(kVkOemPlus));
    EXPECT_EQ(view.zoom, 1.25f);
    EXPECT_TRUE(view.keyUp(kVkOemMinus));
    EXPECT_EQ(view.zoom, 1.0f);
}

namespace {

// The picture point (from its centre, unrotated and unscaled) shown at window point (x, y).
void pictureAt(const ViewState& view, const ViewSizes& sizes, double x, double y, double& px, double& py) {
    const SpritePlacement p = view.place(sizes);
    const double dx = (x - p.x - p.centreX) / view.zoom, dy = (y - p.y - p.centreY) / view.zoom;
    const double c = std::cos(view.rotation), s = std::sin(view.rotation);
    px = dx * c + dy * s;
    py = -dx * s + dy * c;
}

}  // namespace

TEST(ViewState, WheelZoomKeepsThePointUnderThePointer) {
    const ViewSizes sizes{400, 300, 200, 100};
    for (float rotation : {0.0f, 0.5235988f}) {
        for (int notches : {3, -2, 1}) {
            ViewState view;
            view.rotation = rotation;
            view.panBy(-30, 12);
            double beforeX, beforeY, afterX, afterY;
            pictureAt(view, sizes, 250, 160, beforeX, beforeY);
            view.zoomAt(notches, 250, 160, sizes);
            EXPECT_NE(view.zoom, 1.0f);
            pictureAt(view, sizes, 250, 160, afterX, afterY);
            // Whole-pixel pans: the point stays within a window pixel.
            EXPECT_NEAR(afterX, beforeX, 1.0 / view.zoom) << notches << " " << rotation;
            EXPECT_NEAR(afterY, beforeY, 1.0 / view.zoom) << notches << " " << rotation;
        }
    }
}

TEST(ViewState, FitShowsTheWholeRotatedPictureCentred) {
    ViewState view;
    view.panBy(40, 40);
    view.fit({400, 300, 800, 600});
    EXPECT_EQ(view.zoom, 0.5f);
    EXPECT_EQ(view.panX, 0);
    EXPECT_EQ(view.panY, 0);
    view.rotation = 1.5707964f;  // a quarter turn: 600 wide, 800 high
    view.fit({400, 300, 800, 600});
    EXPECT_NEAR(view.zoom, 0.375f, 1e-6);
    EXPECT_LE(view.zoom, 0.375f);
    view.rotation = 0.0f;
    view.fit({400, 300, 40, 30});  // a small picture grows to the window
    EXPECT_EQ(view.zoom, 10.0f);
}

TEST(ViewState, PanStopsBeforeThePictureLeavesTheWindow) {
    const ViewSizes sizes{400, 300, 200, 100};
    ViewState view;
    for (int i = 0; i < 100; ++i) {
        view.keyDown(kVkRight);
        view.keyDown(kVkDown);
        view.keepInView(sizes);
    }
    SpritePlacement p = view.place(sizes);
    EXPECT_EQ(p.x, 400 - 16);  // 16 pixels of it stay in view
    EXPECT_EQ(p.y, 300 - 16);
    view.panBy(-100000, -100000);
    view.keepInView(sizes);
    p = view.place(sizes);
    EXPECT_EQ(p.x + 200, 16);
    EXPECT_EQ(p.y + 100, 16);
    // Steps inside the window are the design's steps.
    view = ViewState{};
    view.zoom = 1.25f;
    view.keyDown(kVkLeft);
    view.keepInView(sizes);
    EXPECT_EQ(view.panX, -62);

    // A picture smaller than the margin stays whole; a rotated one counts its rotated extent.
    ViewState tiny;
    tiny.panBy(5000, 0);
    tiny.keepInView({400, 300, 8, 8});
    EXPECT_EQ(tiny.place({400, 300, 8, 8}).x, 400 - 8);
    ViewState turned;
    turned.rotation = 1.5707964f;  // 100 wide, 200 high on screen
    turned.panBy(5000, 0);
    turned.keepInView(sizes);
    // The unrotated left edge is 50 pixels left of the rotated one.
    EXPECT_EQ(turned.place(sizes).x, 400 - 16 - 50);
}

TEST(Launch, CommandLineDropsSurroundingQuotes) {
    EXPECT_EQ(pictureFromCommandLine("\"/home/me/my pics/a.bmp\""), "/home/me/my pics/a.bmp");
    EXPECT_EQ(pictureFromCommandLine("/home/me/a.bmp"), "/home/me/a.bmp");
    EXPECT_EQ(pictureFromCommandLine("\"/home/me/a.bmp"), "/home/me/a.bmp");
    EXPECT_EQ(pictureFromCommandLine("\""), "");
    EXPECT_EQ(pictureFromCommandLine(""), "");
    // A launcher that split an unquoted path with spaces.
    EXPECT_EQ(pictureFromArguments({"/tmp/my", "pics/a.bmp"}), "/tmp/my pics/a.bmp");
    EXPECT_EQ(pictureFromArguments({"\"/tmp/b.kvi\""}), "/tmp/b.kvi");
    EXPECT_EQ(pictureFromArguments({}), "");
}

TEST(Launch, KviEndingIsCaseSensitive) {
    EXPECT_TRUE(isKviPath("/tmp/a.kvi"));
    EXPECT_TRUE(isKviPath("kvi"));
    EXPECT_FALSE(isKviPath("/tmp/a.KVI"));
    EXPECT_FALSE(isKviPath("/tmp/a.Kvi"));
    EXPECT_FALSE(isKviPath("/tmp/a.kv"));
    EXPECT_FALSE(isKviPath("vi"));
}
