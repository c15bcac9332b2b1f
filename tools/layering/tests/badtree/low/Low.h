// The bottom.
#pragma once
