// The Tovren engine: one include for games.
#pragma once

#include <tovren/debug.h>
