// The in-process display unit moved to the shared test support.
#pragma once
#include "support/display_unit.h"
