// Packing run lists into mapping pairs, unpacking them into NTFS run lists, and their stream form.
#include "filesystems/tree/PackedDataRun.h"

#include "filesystems/tree/DataRunLists.h"
#include "filesystems/tree/MappingPairs.h"
#include "core/rsdata/IRSData.h"

#include <algorithm>

void PackedDataRun::Write(IRSData* stream) const
{
    if (!stream) return;
    RSWriteValue<uint32_t>(stream, uint32_t(m_bytes.size()));
    if (!m_bytes.empty()) stream->Write(m_bytes.data(), unsigned(m_bytes.size()));
    RSWriteValue<uint16_t>(stream, uint16_t(m_residentOffset));
}

void PackedDataRun::WriteOptional(const PackedDataRun* runs, IRSData* stream)
{
    if (runs) {
        runs->Write(stream);
    } else if (stream) {
        PackedDataRun().Write(stream);
    }
}

std::unique_ptr<PackedDataRun> PackedDataRun::Read(IRSData* stream)
{
    if (!stream) return nullptr;
    auto record = std::make_unique<PackedDataRun>();
    uint32_t count = 0;
    try {
        count = RSReadValue<uint32_t>(stream);
    } catch (...) {
        return nullptr;
    }
    if (count > kMaxStoredLength) throw CRSException(RS_ERROR_BAD_LENGTH);
    try {
        // Grown piece by piece, so a damaged count costs no more memory than the stream really holds.
        constexpr uint32_t kPiece = 64 * 1024;
        while (record->m_bytes.size() < count) {
            const uint32_t take = std::min<uint32_t>(kPiece, count - uint32_t(record->m_bytes.size()));
            const size_t at = record->m_bytes.size();
            record->m_bytes.resize(at + take);
            stream->Read(record->m_bytes.data() + at, take);
        }
        record->m_residentOffset = RSReadValue<uint16_t>(stream);
    } catch (...) {
        return nullptr;
    }
    return record;
}

std::unique_ptr<PackedDataRun> PackedDataRun::ReadOptional(IRSData* stream)
{
    auto record = Read(stream);
    if (record && record->m_bytes.empty()) return nullptr;
    return record;
}

std::unique_ptr<IDataRunList> PackedDataRun::Unpack() const
{
    if (m_bytes.empty()) return nullptr;
    if (m_residentOffset != 0) {
        std::vector<DataRun> runs;
        DecodeMappingPairs(m_bytes.data(), m_bytes.size(), runs);
        if (runs.empty()) return nullptr;
        auto list = std::make_unique<CResidentNTFSDataRunList>();
        list->AppendRunCopy(runs.front());
        list->SetResidentOffset(int(m_residentOffset));
        return list;
    }
    auto list = std::make_unique<CNoneResidentNTFSDataRunList>();
    list->ParseMappingPairs(m_bytes.data(), m_bytes.size());
    return list;
}

std::unique_ptr<PackedDataRun> PackedDataRun::FromBytes(std::vector<uint8_t> bytes, uint32_t residentOffset)
{
    auto record = std::make_unique<PackedDataRun>();
    record->m_bytes = std::move(bytes);
    record->m_residentOffset = residentOffset;
    return record;
}

std::unique_ptr<PackedDataRun> PackDataRunList(const IDataRunList* list)
{
    if (!list || list->GetRunCount() == 0) return nullptr;
    auto record = std::make_unique<PackedDataRun>();
    if (list->GetRunListType() == kRunListResidentNTFS) record->m_residentOffset = uint32_t(list->GetResidentOffset());
    record->m_bytes = EncodeMappingPairs(list->GetRuns());
    return record;
}
