// The partition-list section.
#include "storage/recoverystate/RSPartitionList.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "core/devices/CBasicPartitionDevice.h"
#include "filesystems/tree/TextCut.h"
#include "platform/Log.h"

void DeletePartitionList(std::vector<CLostPartitionRecord*>& list)
{
    for (CLostPartitionRecord* record : list) {
        if (!record) continue;
        delete record->pDevice;
        delete record;
    }
    list.clear();
}

bool SavePartitionList(const std::vector<CLostPartitionRecord*>& list, const CLostPartitionRecord* selected,
                       IRSData* stream)
{
    if (!stream || !stream->BeginSection(kRSPartitionListGuid)) return false;
    RSWriteValue<uint32_t>(stream, uint32_t(list.size()));
    int32_t selectedIndex = -1;
    for (size_t i = 0; i < list.size(); ++i) {
        const CLostPartitionRecord& r = *list[i];
        if (list[i] == selected && selectedIndex < 0) selectedIndex = int32_t(i);
        RSWriteValue<uint64_t>(stream, r.u64StartSector);
        RSWriteValue<uint64_t>(stream, r.u64SectorCount);
        // Cut on a character boundary, so that the stored label is still whole UTF-8.
        const std::string label =
            CutUtf8(std::string(r.szLabel, strnlen(r.szLabel, sizeof r.szLabel)), kPartitionListLabelBytes);
        char bytes[kPartitionListLabelBytes] = {};
        std::copy(label.begin(), label.end(), bytes); // zero-padded, not zero-ended when full
        stream->Write(bytes, kPartitionListLabelBytes);
        RSWriteValue<int32_t>(stream, r.nFileSystemKind);
        uint64_t windowStart = r.u64StartSector;
        uint64_t windowCount = r.u64SectorCount;
        if (r.pDevice) {
            const auto* window = dynamic_cast<const CBasicPartitionDevice*>(r.pDevice);
            windowStart = window ? window->GetStartSector() : r.u64StartSector;
            windowCount = r.pDevice->GetSectorCount();
        }
        RSWriteValue<uint64_t>(stream, windowStart);
        RSWriteValue<uint64_t>(stream, windowCount);
    }
    RSWriteValue<int32_t>(stream, selectedIndex);
    stream->EndSection();
    return true;
}

bool LoadPartitionList(std::vector<CLostPartitionRecord*>& list, CLostPartitionRecord*& selected,
                       IStorageDevice* parent, IRSData* stream)
{
    DeletePartitionList(list);
    selected = nullptr;
    if (!stream) return false;
    try {
        stream->BeginSection(kRSPartitionListGuid);
        const uint32_t count = RSReadValue<uint32_t>(stream);
        // Records are made only as their bytes arrive, so a false count ends in a short read, not in
        // a huge allocation.
        for (uint32_t i = 0; i < count; ++i) {
            auto record = std::make_unique<CLostPartitionRecord>();
            record->u64StartSector = RSReadValue<uint64_t>(stream);
            record->u64SectorCount = RSReadValue<uint64_t>(stream);
            stream->Read(record->szLabel, kPartitionListLabelBytes);
            record->nFileSystemKind = RSReadValue<int32_t>(stream);
            const uint64_t windowStart = RSReadValue<uint64_t>(stream);
            const uint64_t windowCount = RSReadValue<uint64_t>(stream);
            if (parent) record->pDevice = new CBasicPartitionDevice(parent, windowStart, windowCount);
            list.push_back(record.release());
        }
        const int32_t index = RSReadValue<int32_t>(stream);
        // -1 means none; anything else outside the list means the section is damaged.
        if (index != -1 && (index < 0 || uint32_t(index) >= count)) throw CRSException(RS_ERROR_BAD_LENGTH);
        if (index >= 0) selected = list[size_t(index)];
        stream->EndSection();
    } catch (const IRSException& e) {
        ReleaseTrace("RS Exception:%d", e.GetCode());
        DeletePartitionList(list);
        selected = nullptr;
        throw;
    }
    return true;
}
