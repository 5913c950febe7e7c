#include "builder/modTGA.h"
