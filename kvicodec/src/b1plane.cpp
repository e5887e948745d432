#include "b1plane.h"
