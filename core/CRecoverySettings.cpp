// The options object's start values and its partial reset.
#include "core/CRecoverySettings.h"

CRecoverySettings::CRecoverySettings()
    : m_manuallySelectHistoricalPartitions(0),
      m_photoMode(0),
      m_dynamicSource(0),
      m_interfaceLanguage(1),
      m_resourceModule(nullptr),
      m_selectedDriveLetter(255),
      m_recoveryMode(0)
{
    ResetScanOptions();
    m_rawTypeIds.reserve(kRawTypeCount);
    for (int id = 1; id <= kRawTypeCount; ++id) m_rawTypeIds.push_back(id);
}

void CRecoverySettings::ResetScanOptions()
{
    m_useBootRecords = 1;
    m_usePartitionTables = 0;
    m_extensiveVolumesSearch = 0;
    m_ignoreBadSectors = 1;
    m_ext2TreeRoot = nullptr;
    m_fatCheckDate = 1;
    m_fatCheckTime = 1;
    m_fatOption3 = 1;
    m_fatUseFirstCopy = 1;
    m_fatUseSecondCopy = 1;
    m_ntfsUseFilesForVolumeSize = 1;
    m_ntfsUseMft = 1;
    m_ntfsMftFilesOnly = 0;
    m_recoverRawFiles = 1;
    m_rawFilesOnly = 0;
    m_maxRawFileSize = kDefaultMaxRawFileSize;
}

CRecoverySettings* GetRecoverySettings()
{
    static CRecoverySettings settings;
    return &settings;
}

void ResetScanOptions()
{
    GetRecoverySettings()->ResetScanOptions();
}
