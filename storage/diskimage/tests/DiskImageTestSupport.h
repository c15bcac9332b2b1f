// Helpers of the disk-image tests: sources with mixed content, one-call imaging, whole-device reads and a
// capture of the log.
#pragma once

#include "storage/diskimage/CCompressController.h"
#include "storage/diskimage/ICompressCallBack.h"
#include "tests/support/LogCapture.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/TempDir.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace dtest {

// sectors of sectorSize bytes in runs of 64 sectors: random bytes, a sector-naming pattern, zeros.
std::unique_ptr<testsupport::MemoryDevice> MakeSource(uint64_t sectors, int32_t sectorSize, uint32_t seed = 1);

struct ImageSettings {
    int kind = 2;
    int level = -1;
    int sliceLimit = 0;
    uint64_t first = 0;
    uint64_t count = UINT64_MAX; // the whole source
    std::string name = "test source";
    int heads = 255;
};

// A callback that records what the writer tells it and answers from hooks.
class RecordingCallBack : public ICompressCallBack {
public:
    int PumpMessages() override
    {
        ++pumps;
        return 0;
    }
    int IsCancelled() override { return cancelAt >= 0 && int64_t(steps.size()) >= cancelAt; }
    void StepBlock(uint64_t index) override { steps.push_back(index); }
    void Begin(uint64_t first, uint64_t count) override { begins.push_back({first, count}); }
    void BlockWritten(int size) override { sizes.push_back(size); }
    int NewSliceRequested() override { return onNewSlice ? onNewSlice(steps.size()) : 0; }

    int64_t cancelAt = -1;                         // cancel once this many blocks were written
    std::function<int(uint64_t block)> onNewSlice; // asked before each block
    std::vector<std::pair<uint64_t, uint64_t>> begins;
    std::vector<uint64_t> steps;
    std::vector<int> sizes;
    int pumps = 0;
};

// Images source into path; the controller's result.
int WriteImage(IStorageDevice& source, const std::string& path, const ImageSettings& settings,
               ICompressCallBack* callback = nullptr, CCompressController* controller = nullptr);

// Every sector of a device in one buffer, read in runs of `step` sectors; ok is false when a read failed.
std::vector<uint8_t> ReadAll(IStorageDevice& device, uint64_t step, bool* ok = nullptr);

std::vector<uint8_t> ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

using testsupport::LogCapture;

} // namespace dtest
