// Shared rules of the RAW measuring walks: bounds, the device clamp, the step hook and name cleaning.
#include "raw/RawWalk.h"

#include "core/CRecoverySettings.h"
#include "core/PathHelpers.h"
#include "core/TextConverters.h"
#include "core/devices/IStorageDevice.h"

#include <algorithm>

namespace {

thread_local RawWalkStepHook t_stepHook = nullptr;
thread_local void* t_stepContext = nullptr;

} // namespace

uint64_t GetRawMaxFileSize()
{
    return GetRecoverySettings()->m_maxRawFileSize;
}

uint64_t GetRawBytesToDeviceEnd(IStorageDevice* device, uint64_t startSector)
{
    if (device == nullptr) return UINT64_MAX;
    const uint64_t count = GetRawDeviceSectorCount(device);
    const int32_t sectorSize = device->GetSectorSize();
    if (count == 0 || sectorSize <= 0) return UINT64_MAX;
    const uint64_t left = startSector < count ? count - startSector : 0;
    return left > UINT64_MAX / uint64_t(sectorSize) ? UINT64_MAX : left * uint64_t(sectorSize);
}

uint64_t CapRawSize(uint64_t size, IStorageDevice* device, uint64_t startSector)
{
    return std::min({size, GetRawMaxFileSize(), GetRawBytesToDeviceEnd(device, startSector)});
}

void CapRawHitSize(CRawFileInfo* hit, IStorageDevice* device)
{
    if (hit != nullptr && hit->GetSize() != 0) hit->SetSize(CapRawSize(hit->GetSize(), device, hit->GetStartSector()));
}

ScopedRawWalkStepHook::ScopedRawWalkStepHook(RawWalkStepHook hook, void* context)
    : m_previousHook(t_stepHook), m_previousContext(t_stepContext)
{
    t_stepHook = hook;
    t_stepContext = context;
}

ScopedRawWalkStepHook::~ScopedRawWalkStepHook()
{
    t_stepHook = m_previousHook;
    t_stepContext = m_previousContext;
}

RawWalk::RawWalk(CRawFileInfo* hit, IStorageDevice* device)
    : m_hit(hit),
      m_device(device),
      m_reader(device, hit != nullptr ? hit->GetStartSector() : 0),
      m_maxSize(GetRawMaxFileSize())
{
}

uint64_t RawWalk::Limit() const
{
    return std::min(m_maxSize, m_reader.GetBytesToDeviceEnd());
}

void RawWalk::Step(unsigned every)
{
    ++m_steps;
    if (t_stepHook != nullptr && every != 0 && m_steps % every == 0) t_stepHook(t_stepContext);
}

std::string CleanRawNamePrefix(std::string_view text)
{
    text = text.substr(0, std::min(text.size(), text.find('\0')));
    std::string out = ReplaceForbiddenNameChars(text);
    const size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) return "FILE";
    out = out.substr(first, out.find_last_not_of(' ') - first + 1);
    if (out.size() > kRawMaxNamePrefixBytes) {
        size_t at = 0;
        while (at < out.size()) {
            uint32_t value = 0;
            int length = textconv::DecodeUtf8Char(out.data() + at, out.size() - at, value);
            if (length <= 0) length = 1;
            if (at + size_t(length) > kRawMaxNamePrefixBytes) break;
            at += size_t(length);
        }
        out.resize(at);
        out.erase(out.find_last_not_of(' ') + 1);
    }
    if (out.empty() || out.find_first_not_of('.') == std::string::npos) return "FILE";
    return out;
}
