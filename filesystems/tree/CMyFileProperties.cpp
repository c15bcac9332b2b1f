// Plain properties over one record.
#include "filesystems/tree/CMyFileProperties.h"

#include "filesystems/tree/TextCut.h"

#include <cstring>

void CMyFileProperties::SetName(const char* name)
{
    if (!name) return;
    const std::string cut = CutUtf8(name, MyFilePropertiesRecord::kNameCapacity - 1);
    std::memset(m_record.name, 0, sizeof m_record.name);
    std::memcpy(m_record.name, cut.data(), cut.size());
}

int CMyFileProperties::SetUserFlag(int flag)
{
    const int previous = m_record.userFlag;
    m_record.userFlag = flag;
    return previous;
}

CMyFileProperties* NewMyFileProperties()
{
    return new CMyFileProperties();
}
