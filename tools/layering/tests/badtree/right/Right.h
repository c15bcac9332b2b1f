// The other half.
#pragma once
#include "left/Left.h"
