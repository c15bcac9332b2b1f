// The steps of the disk-image wizard other than the region and the run: welcome and mode choice, the two
// ways of naming the image file (simple, and advanced with compression and slicing), the summary shown
// before the run, and the success page.
#pragma once

#include "controls/CButtonPlus.h"
#include "views/diskimage/CInterfaceDialog.h"
#include "views/diskimage/DiskImageText.h"

#include <cstdint>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

class CImageDiskModeChooseDlg : public CInterfaceDialog {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 216;
    static constexpr int kAdvancedId = 1002, kNameId = 1005;
    explicit CImageDiskModeChooseDlg(QWidget* parent);
    int IsAdvancedMode() const;
    void SetSourceName(const std::string& displayName);
    QCheckBox* AdvancedBox() const { return m_advanced; }
    QLabel* NameLabel() const { return m_name; }

private:
    QCheckBox* m_advanced;
    QLabel* m_name;
};

// The image-path edit with its "PATH>>>" button, shared by the simple and the advanced path panes.
class CImagePathRow : public QWidget {
    Q_OBJECT
public:
    CImagePathRow(int editId, int buttonId, QWidget* parent);
    QLineEdit* Edit() const { return m_edit; }
    CButtonPlus* Button() { return &m_button; }
    // The edit's path, completed with ".kxi"; the edit keeps the completed path.
    std::string GetImagePath();

private:
    void Browse();
    void OnEdited(const QString& text);
    QLineEdit* m_edit;
    CButtonPlus m_button{214, 213, 212, 211};
};

class CImageDiskPathChooseDlg : public CInterfaceDialog {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 217;
    static constexpr int kEditId = 1009, kBrowseId = 1022;
    explicit CImageDiskPathChooseDlg(QWidget* parent);
    int GetNextStep() override { return 1; }
    int GetPrevStep() override { return 0; }
    std::string GetImagePath() { return m_row->GetImagePath(); }
    CImagePathRow* PathRow() const { return m_row; }

private:
    CImagePathRow* m_row;
};

class CImageDiskADPathChooseDlg : public CInterfaceDialog {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 218;
    static constexpr int kEditId = 1011, kBrowseId = 1007, kCompressId = 1052, kLevelId = 1013, kSplitId = 1054,
                         kSliceId = 1016;
    explicit CImageDiskADPathChooseDlg(QWidget* parent);
    int GetNextStep() override { return 4; }
    int GetPrevStep() override { return 0; }
    std::string GetImagePath() { return m_row->GetImagePath(); }
    diskimg::CompressionSettings GetSettings() const;
    CImagePathRow* PathRow() const { return m_row; }
    QCheckBox* CompressBox() const { return m_compress; }
    QCheckBox* SplitBox() const { return m_split; }
    QComboBox* LevelBox() const { return m_level; }
    QComboBox* SliceBox() const { return m_slice; }

private:
    CImagePathRow* m_row;
    QCheckBox* m_compress;
    QCheckBox* m_split;
    QComboBox* m_level;
    QComboBox* m_slice;
};

// What the summary shows and the run uses.
struct DiskImageSummary {
    std::string sourceName;
    uint64_t sourceSectors = 0;
    uint64_t firstSector = 0;
    uint64_t lastSector = 0; // inclusive
    std::string imagePath;
    int kind = 0;
    int level = -1;
};

class CImageDiskDiskInfo : public CInterfaceDialog {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 220;
    static constexpr int kNameId = 1045, kSizeId = 1046, kRegionSizeId = 1047, kRegionId = 1048, kFileId = 1049,
                         kLevelId = 1050;
    explicit CImageDiskDiskInfo(QWidget* parent);
    int GetNextStep() override { return 5; }
    int GetPrevStep() override { return m_backStep; }
    void SetBackStep(int step) { m_backStep = step; }
    void Fill(const DiskImageSummary& summary, int sectorSize);
    QString Value(int id) const;

private:
    int m_backStep = 2;
    std::string m_path;
};

class CImageDiskSuccessDlg : public CInterfaceDialog {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 334;
    static constexpr int kPathId = 1134, kOpenId = 1136;
    explicit CImageDiskSuccessDlg(QWidget* parent);
    void ShowImagePath(const std::string& path);
    int IsOpenInList() const;
    QCheckBox* OpenBox() const { return m_open; }
    QLabel* PathLabel() const { return m_path; }
    // Extra lines under the path: source sectors that could not be read (stored as zeros).
    void ShowNote(const QString& text);

private:
    QLabel* m_path;
    QLabel* m_note;
    QCheckBox* m_open;
};
