// RAW properties: naming, the single run of a hit, and the recovery-state form.
#include "filesystems/tree/CRAWFileProperties.h"

#include "filesystems/tree/CRawFileInfo.h"
#include "filesystems/tree/DataRunLists.h"
#include "filesystems/tree/FoundFileFields.h"
#include "filesystems/tree/TextCut.h"
#include "core/rsdata/IRSData.h"

#include <cstring>

namespace {

// A text stored with a one-byte length L that counts its terminator: L bytes read into L + 1, so the
// text is terminated even when the stored bytes were not.
std::string ReadRawText(IRSData* stream, uint8_t length)
{
    // A stored text that fills all 255 bytes is one byte too long for this object's own form.
    return CutUtf8(ReadCountedText(stream, length), CRAWFileProperties::kMaxTextLength);
}

} // namespace

int CRAWFileProperties::SetUserFlag(int flag)
{
    m_userFlag = uint8_t(flag);
    return 1;
}

void CRAWFileProperties::SetRawFileName(const char* text)
{
    m_name.clear();
    m_nameLength = 0;
    if (!text) return;
    m_name = CutUtf8(text, kMaxTextLength);
    m_nameLength = uint8_t(m_name.size() + 1);
}

void CRAWFileProperties::SetExtraText(const std::string& text)
{
    m_extraText = CutUtf8(text, kMaxTextLength);
    m_extraLength = uint8_t(m_extraText.size() + 1);
}

int CRAWFileProperties::SetFromRawHit(const CRawFileInfo* hit)
{
    if (!hit) return 1;
    m_size = hit->GetSize();
    // The hit's text is the file's description: give it its stored length too, or a saved state drops it.
    SetExtraText(hit->GetExtraText());
    if (m_extraText.empty()) m_extraLength = 0;
    CRAWDataRunList list;
    list.AppendRun(int64_t(hit->GetStartSector()), m_size / 512 + (m_size % 512 ? 1 : 0));
    m_runs = PackDataRunList(&list);
    return 1;
}

int CRAWFileProperties::Write(IRSData* stream) const
{
    // The stored bytes of each text are the text and its terminator, its length in all.
    RSWriteValue<uint8_t>(stream, m_nameLength);
    WriteCountedText(stream, m_name, m_nameLength);
    RSWriteValue<uint8_t>(stream, m_extraLength);
    WriteCountedText(stream, m_extraText, m_extraLength);
    RSWriteValue<uint64_t>(stream, m_size);
    RSWriteValue<uint16_t>(stream, m_attributes);
    RSWriteValue<uint8_t>(stream, m_state);
    PackedDataRun::WriteOptional(m_runs.get(), stream);
    return 1;
}

int CRAWFileProperties::Read(IRSData* stream)
{
    const uint8_t nameLength = RSReadValue<uint8_t>(stream);
    std::string name = ReadRawText(stream, nameLength);
    const uint8_t extraLength = RSReadValue<uint8_t>(stream);
    std::string extra = ReadRawText(stream, extraLength);
    FoundFileFields fields;
    fields.size = RSReadValue<uint64_t>(stream);
    fields.attributes = RSReadValue<uint16_t>(stream);
    fields.state = RSReadValue<uint8_t>(stream);
    std::unique_ptr<PackedDataRun> runs = PackedDataRun::ReadOptional(stream);

    // Lengths follow the texts as read, so that a damaged length cannot outlive this object's own form.
    m_name = std::move(name);
    m_nameLength = nameLength > 0 ? uint8_t(m_name.size() + 1) : 0;
    if (extraLength > 0) m_extraText = std::move(extra);
    m_extraLength = extraLength > 0 ? uint8_t(m_extraText.size() + 1) : 0;
    TakeStored(fields, std::move(runs));
    return 1;
}

CRAWFileProperties* CreateRAWFileProperties()
{
    return new CRAWFileProperties();
}
