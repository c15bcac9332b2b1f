// One half of a cycle.
#pragma once
#include "right/Right.h"
