// The script functions, grouped by the file that holds them. scriptapi.cpp registers them.
#pragma once

struct lua_State;

namespace wizard::fn {

// text.cpp: message boxes, file dialogs and colour arithmetic
int message(lua_State* L);
int messageInfo(lua_State* L);
int messageWarning(lua_State* L);
int messageError(lua_State* L);
int getImageFileName(lua_State* L);
int getSaveFileName(lua_State* L);
int rgb(lua_State* L);
int getAlpha(lua_State* L);
int getBlue(lua_State* L);
int getGreen(lua_State* L);
int getRed(lua_State* L);

// files.cpp
int imageFromFile(lua_State* L);
int saveImage(lua_State* L);

// compose.cpp: pictures made from two pictures or a picture and a colour
int mix(lua_State* L);
int mixArea(lua_State* L);
int setColorKey(lua_State* L);
int maskFromImage(lua_State* L);
int colorFade(lua_State* L);
int putImage(lua_State* L);

// effects.cpp: whole-picture operations
int antialias(lua_State* L);
int brightness(lua_State* L);
int colorBalance(lua_State* L);
int grayscale(lua_State* L);
int invert(lua_State* L);
int repack(lua_State* L);
int flipVertical(lua_State* L);
int flipHorizontal(lua_State* L);
int resize(lua_State* L);
int videoHind(lua_State* L);

// pixels.cpp: sizes, new pictures, rectangles and single pixels
int imageHeight(lua_State* L);
int imageWidth(lua_State* L);
int createImage(lua_State* L);
int getImage(lua_State* L);
int getPixel(lua_State* L);
int putPixel(lua_State* L);

}  // namespace wizard::fn
