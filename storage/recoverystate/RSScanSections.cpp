// The found-partition, search-controller and RAW-hit sections.
#include "storage/recoverystate/RSScanSections.h"

#include <memory>

#include "filesystems/tree/CRawFileList.h"
#include "platform/Log.h"
#include "storage/recoverystate/RSScanFactory.h"

void DeleteSearchControllers(CSearchControllerList& controllers)
{
    for (IFileSystemSearchController* controller : controllers) delete controller;
    controllers.clear();
}

void DeleteSearchedPartitions(CSearchedPartitionList& partitions)
{
    for (CSearchedPartitionInfo* partition : partitions) delete partition;
    partitions.clear();
}

bool SaveSearchedPartitions(const CSearchedPartitionList& partitions, IRSData* stream)
{
    if (!stream || !stream->BeginSection(kRSFoundPartitionsGuid)) return false;
    uint64_t count = 0;
    for (const CSearchedPartitionInfo* partition : partitions) count += partition ? 1 : 0;
    RSWriteValue<uint64_t>(stream, count);
    for (const CSearchedPartitionInfo* partition : partitions) {
        if (!partition) continue;
        RSWriteValue<uint32_t>(stream, uint32_t(partition->GetKind()));
        partition->Save(stream);
    }
    stream->EndSection();
    return true;
}

bool SaveSearchControllers(const CSearchControllerList& controllers, IRSData* stream)
{
    if (!stream) return false;
    try {
        if (!stream->BeginSection(kRSSearchControllersGuid)) return false;
        uint64_t count = 0;
        for (const IFileSystemSearchController* controller : controllers) count += controller ? 1 : 0;
        RSWriteValue<uint64_t>(stream, count);
        for (IFileSystemSearchController* controller : controllers) {
            if (!controller) continue;
            RSWriteValue<uint32_t>(stream, uint32_t(controller->GetKind()));
            controller->SaveState(stream);
        }
        stream->EndSection();
    } catch (const IRSException& e) {
        ReleaseTrace("RS Exception:%d", e.GetCode());
        throw;
    }
    return true;
}

bool SaveRawFileList(const CRawFileList* hits, IRSData* stream)
{
    if (!hits || !stream || !stream->BeginSection(kRSRawHitsGuid)) return false;
    hits->Write(stream);
    stream->EndSection();
    return true;
}

bool LoadSearchedPartitions(CSearchedPartitionList& partitions, IRSData* stream)
{
    DeleteSearchedPartitions(partitions);
    if (!stream) return false;
    try {
        stream->BeginSection(kRSFoundPartitionsGuid);
        const uint64_t count = RSReadValue<uint64_t>(stream);
        if (count > kMaxStoredPartitions) throw CRSException(RS_ERROR_BAD_LENGTH);
        for (uint64_t i = 0; i < count; ++i) {
            const int kind = int(RSReadValue<uint32_t>(stream));
            std::unique_ptr<CSearchedPartitionInfo> partition = CreateSearchedPartitionInfo(kind);
            // Without the object nothing knows how long its payload is: the rest cannot be read in step.
            if (!partition) throw CRSException(RS_ERROR_BAD_LENGTH);
            partition->Load(stream);
            partitions.push_back(partition.release());
        }
        stream->EndSection();
    } catch (const IRSException& e) {
        ReleaseTrace("RS Exception:%d", e.GetCode());
        DeleteSearchedPartitions(partitions);
        throw;
    }
    return true;
}

bool LoadSearchControllers(CSearchControllerList& controllers, IRSData* stream)
{
    DeleteSearchControllers(controllers);
    if (!stream) return false;
    try {
        stream->BeginSection(kRSSearchControllersGuid);
        const uint64_t count = RSReadValue<uint64_t>(stream);
        if (count > kMaxStoredControllers) throw CRSException(RS_ERROR_BAD_LENGTH);
        for (uint64_t i = 0; i < count; ++i) {
            const int kind = int(RSReadValue<uint32_t>(stream));
            std::unique_ptr<IFileSystemSearchController> controller = CreateSearchController(kind);
            if (!controller) throw CRSException(RS_ERROR_BAD_LENGTH);
            controller->LoadState(stream);
            controllers.push_back(controller.release());
        }
        stream->EndSection();
    } catch (const IRSException& e) {
        ReleaseTrace("RS Exception:%d", e.GetCode());
        DeleteSearchControllers(controllers);
        throw;
    }
    return true;
}

CRawFileList* LoadRawFileList(IRSData* stream)
{
    if (!stream) return nullptr;
    auto hits = std::make_unique<CRawFileList>();
    try {
        stream->BeginSection(kRSRawHitsGuid);
        hits->Read(stream);
        stream->EndSection();
    } catch (const IRSException& e) {
        ReleaseTrace("RS Exception:%d", e.GetCode());
        throw;
    }
    return hits.release();
}
