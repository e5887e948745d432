// The Tovren engine: one include for games.
#pragma once

#include <tovren/camera.h>
#include <tovren/control.h>
#include <tovren/debug.h>
#include <tovren/font_ttf.h>
#include <tovren/graphix.h>
#include <tovren/image.h>
#include <tovren/intersection.h>
#include <tovren/light.h>
#include <tovren/model.h>
#include <tovren/object.h>
#include <tovren/sky.h>
#include <tovren/sound.h>
#include <tovren/sprite.h>
#include <tovren/texture.h>
#include <tovren/vector_math.h>
