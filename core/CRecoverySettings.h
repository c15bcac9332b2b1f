// The process-wide options and run-wide choices (Options dialog values, recovery mode, photo mode, selected
// source, interface language), kept in memory only. Fields are read and written directly.
// No lock: the user-interface thread writes them before it starts a worker; workers only read them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CFileNode;

class CRecoverySettings {
public:
    static constexpr uint64_t kDefaultMaxRawFileSize = 50000000;
    static constexpr int kRawTypeCount = 73;

    CRecoverySettings();

    // Puts the scan options back to their start values (the wizard does this when the user returns to the
    // first page): boot records, partition tables, volume search, bad sectors, ext2 tree root, the FAT, NTFS
    // and RAW pages. Keeps the RAW type ids, photo mode, recovery mode, selected source, historical-partitions
    // flag, dynamic-source flag, interface language and resource module.
    void ResetScanOptions();

    // Common options.
    int m_useBootRecords;                     // "Use Boot Records"
    int m_usePartitionTables;                 // "Use Partition Tables" (shown, read by no scanner)
    int m_extensiveVolumesSearch;             // "Extensive Volumes Search"
    int m_ignoreBadSectors;                   // "Ignore bad sectors"
    int m_manuallySelectHistoricalPartitions; // "Manually select historical partitions"
    int m_photoMode;                          // 1 during photo recovery
    int m_dynamicSource;                      // the selected volume is dynamic or its disk carries the dynamic flag
    CFileNode* m_ext2TreeRoot;                // root of the current result tree when the source is ext2/ext3; not owned
    int m_interfaceLanguage;                  // 1 English and German, 2 Japanese
    void* m_resourceModule;                   // the loaded language bundle; owned by the application

    // FAT page.
    int m_fatCheckDate;     // "Check DATE field of file descriptors"
    int m_fatCheckTime;     // "Check TIME field of file descriptors"
    int m_fatOption3;       // a third FAT option without a caption
    int m_fatUseFirstCopy;  // "Use first FAT copy"
    int m_fatUseSecondCopy; // "Use second FAT copy"

    // NTFS page.
    int m_ntfsUseFilesForVolumeSize; // "Use NTFS files for volume size detection"
    int m_ntfsUseMft;                // "Use $MFT file"
    int m_ntfsMftFilesOnly;          // "Show files that belong to $MFT only"

    // RAW page.
    int m_recoverRawFiles;         // "Recover RAW files:"
    int m_rawFilesOnly;            // "Recover RAW files only"
    uint64_t m_maxRawFileSize;     // "Maximal file size:" in bytes
    std::vector<int> m_rawTypeIds; // selected RAW type ids

    // The selected source.
    std::string m_selectedSourceName;
    uint8_t m_selectedDriveLetter; // 255: none
    // The source as a person knows it ("sdb1", "loop0: disk.img", "sdb" for a disk); empty when none.
    std::string m_selectedDeviceName;
    int m_recoveryMode; // 0 deleted-file, 1 format, 2 partition recovery
};

// The one options object, made on the first call and destroyed at exit; never null.
CRecoverySettings* GetRecoverySettings();

// ResetScanOptions on the process-wide object.
void ResetScanOptions();
