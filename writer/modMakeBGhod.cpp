#include "writer/modMakeBGhod.h"
