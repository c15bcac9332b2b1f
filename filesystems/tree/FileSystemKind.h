// The file-system kind numbers shared by the whole program: trees, volume records, stored partition lists.
// The values are stored in recovery-state files and volume records, so they never change.
#pragma once

enum : int {
    kFsKindFat12 = 0,
    kFsKindFat16 = 1,
    kFsKindFat32 = 2,
    kFsKindNtfs = 3,
    kFsKindExt2 = 4,
    kFsKindExt3 = 5,
    kFsKindRaw = 6,
    kFsKindNone = 7,
};
