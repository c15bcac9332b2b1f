// The options object's start values and the partial reset of the wizard's first page.
#include "core/CRecoverySettings.h"

#include <gtest/gtest.h>

namespace {

TEST(CRecoverySettings, StartValues)
{
    CRecoverySettings s;
    ASSERT_EQ(s.m_rawTypeIds.size(), 73u);
    for (int i = 0; i < 73; ++i) EXPECT_EQ(s.m_rawTypeIds[size_t(i)], i + 1);
    EXPECT_EQ(s.m_maxRawFileSize, 50000000u);
    EXPECT_EQ(s.m_selectedDriveLetter, 255);
    const int ones[] = {s.m_useBootRecords,  s.m_ignoreBadSectors, s.m_interfaceLanguage,
                        s.m_fatCheckDate,    s.m_fatCheckTime,     s.m_fatOption3,
                        s.m_fatUseFirstCopy, s.m_fatUseSecondCopy, s.m_ntfsUseFilesForVolumeSize,
                        s.m_ntfsUseMft,      s.m_recoverRawFiles};
    for (int v : ones) EXPECT_EQ(v, 1);
    const int zeros[] = {s.m_usePartitionTables,
                         s.m_extensiveVolumesSearch,
                         s.m_manuallySelectHistoricalPartitions,
                         s.m_photoMode,
                         s.m_dynamicSource,
                         s.m_ntfsMftFilesOnly,
                         s.m_rawFilesOnly,
                         s.m_recoveryMode};
    for (int v : zeros) EXPECT_EQ(v, 0);
    EXPECT_EQ(s.m_ext2TreeRoot, nullptr);
    EXPECT_EQ(s.m_resourceModule, nullptr);
    EXPECT_TRUE(s.m_selectedSourceName.empty());
}

TEST(CRecoverySettings, ResetRestoresScanOptionsAndKeepsTheRunsChoices)
{
    CRecoverySettings* s = GetRecoverySettings();
    ASSERT_EQ(s, GetRecoverySettings());
    int marker = 0;
    s->m_useBootRecords = 0;
    s->m_usePartitionTables = 1;
    s->m_extensiveVolumesSearch = 1;
    s->m_ignoreBadSectors = 0;
    s->m_ext2TreeRoot = reinterpret_cast<CFileNode*>(&marker);
    s->m_fatCheckDate = s->m_fatCheckTime = s->m_fatOption3 = s->m_fatUseFirstCopy = s->m_fatUseSecondCopy = 0;
    s->m_ntfsUseFilesForVolumeSize = s->m_ntfsUseMft = 0;
    s->m_ntfsMftFilesOnly = 1;
    s->m_recoverRawFiles = 0;
    s->m_rawFilesOnly = 1;
    s->m_maxRawFileSize = 1234;
    s->m_rawTypeIds = {9, 35, 11};
    s->m_photoMode = 1;
    s->m_recoveryMode = 2;
    s->m_selectedSourceName = "Data";
    s->m_selectedDriveLetter = 'D';
    s->m_manuallySelectHistoricalPartitions = 1;
    s->m_dynamicSource = 1;
    s->m_interfaceLanguage = 2;
    s->m_resourceModule = &marker;

    ResetScanOptions();

    CRecoverySettings fresh;
    EXPECT_EQ(s->m_useBootRecords, fresh.m_useBootRecords);
    EXPECT_EQ(s->m_usePartitionTables, fresh.m_usePartitionTables);
    EXPECT_EQ(s->m_extensiveVolumesSearch, fresh.m_extensiveVolumesSearch);
    EXPECT_EQ(s->m_ignoreBadSectors, fresh.m_ignoreBadSectors);
    EXPECT_EQ(s->m_ext2TreeRoot, nullptr);
    EXPECT_EQ(s->m_fatCheckDate + s->m_fatCheckTime + s->m_fatOption3 + s->m_fatUseFirstCopy + s->m_fatUseSecondCopy,
              5);
    EXPECT_EQ(s->m_ntfsUseFilesForVolumeSize, 1);
    EXPECT_EQ(s->m_ntfsUseMft, 1);
    EXPECT_EQ(s->m_ntfsMftFilesOnly, 0);
    EXPECT_EQ(s->m_recoverRawFiles, 1);
    EXPECT_EQ(s->m_rawFilesOnly, 0);
    EXPECT_EQ(s->m_maxRawFileSize, 50000000u);

    EXPECT_EQ(s->m_rawTypeIds, (std::vector<int>{9, 35, 11}));
    EXPECT_EQ(s->m_photoMode, 1);
    EXPECT_EQ(s->m_recoveryMode, 2);
    EXPECT_EQ(s->m_selectedSourceName, "Data");
    EXPECT_EQ(s->m_selectedDriveLetter, 'D');
    EXPECT_EQ(s->m_manuallySelectHistoricalPartitions, 1);
    EXPECT_EQ(s->m_dynamicSource, 1);
    EXPECT_EQ(s->m_interfaceLanguage, 2);
    EXPECT_EQ(s->m_resourceModule, &marker);
    *s = fresh; // leave the process-wide object as other tests expect it
}

} // namespace
