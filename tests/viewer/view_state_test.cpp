#include "launch.h"
#include "view_state.h"

#include <gtest/gtest.h>

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
    SpritePlacement p = view.place(1023, 768, 101, 50);
    EXPECT_EQ(p.x, 460);
    EXPECT_EQ(p.y, 359);
    EXPECT_EQ(p.centreX, 50.0f);
    EXPECT_EQ(p.centreY, 25.0f);

    view.zoom = 2.0f;
    view.panBy(7, -3);
    p = view.place(1024, 768, 100, 50);
    EXPECT_EQ(p.x, 512 - 100 + 7);
    EXPECT_EQ(p.y, 384 - 50 - 3);
    EXPECT_EQ(p.scale, 2.0f);

    // A picture wider than the screen starts left of it.
    view = ViewState{};
    EXPECT_EQ(view.place(100, 100, 301, 1).x, 50 - 150);
}

TEST(ViewState, ZoomAndPositionsStayBounded) {
    ViewState view;
    for (int i = 0; i < 200; ++i) view.keyUp(kVkAdd);
    EXPECT_EQ(view.zoom, ViewState::kMaxZoom);
    for (int i = 0; i < 2000; ++i) view.keyDown(kVkRight);
    EXPECT_EQ(view.panX, 1 << 24);
    const SpritePlacement far = view.place(1024, 768, 60000, 60000);
    EXPECT_LE(far.x, 1 << 24);
    EXPECT_GE(far.y, -(1 << 24));
    for (int i = 0; i < 400; ++i) view.zoomOut();
    EXPECT_EQ(view.zoom, ViewState::kMinZoom);
}

TEST(ViewState, ClipHoldsTheWholeUnscaledPicture) {
    // The sprite clips in unscaled source pixels: with the bare screen as clip, a picture
    // larger than the screen but zoomed out to fit would lose its right part.
    ViewState view;
    view.zoom = 0.5f;
    SpritePlacement p = view.place(1024, 768, 2000, 1000);
    EXPECT_EQ(p.x, 12);
    EXPECT_EQ(p.clipLeft, 0);
    EXPECT_EQ(p.clipRight, 2012);
    EXPECT_EQ(p.clipBottom, 134 + 1000);
    view.zoom = 2.0f;
    p = view.place(1024, 768, 2000, 1000);
    EXPECT_EQ(p.x, 512 - 2000);
    EXPECT_EQ(p.clipLeft, 512 - 2000);
    EXPECT_EQ(p.clipRight, 1024);
    EXPECT_EQ(p.clipTop, 384 - 1000);
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
