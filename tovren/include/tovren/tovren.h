// The Tovren engine: one include for games.
#pragma once

#include <tovren/debug.h>
#include <tovren/font_ttf.h>
#include <tovren/graphix.h>
#include <tovren/image.h>
#include <tovren/sprite.h>
#include <tovren/texture.h>
