// Above low.
#pragma once
#include "low/Low.h"
