// The open-disk-image wizard: the user names a disk image made by this program; the wizard checks that the
// image file opens, that its slice list exists and that the slices it names are the image's own (as many
// as the header counts, each readable and long enough). When slices are missing a repair step lets the
// user locate moved slices, add or remove slices, and the slice list is then written anew.
//
// Entry point for the device pages ("Open Disk Image" of the image menu):
//     COpenDiskImageMasterDlg dlg(parent);
//     dlg.DoModal();                         // always IDCANCEL
//     if (dlg.GetResult() == 1)              // the image checked out (or was repaired)
//         open dlg.GetImagePath() as a CImageFileDeviceWithDecompress and add it to the device list.
// Only the slice list may be written (after a repair, through a new file renamed over it); the image and
// its slices are only opened for reading.
#pragma once

#include "controls/CButtonPlus.h"
#include "views/diskimage/CInterfaceDialog.h"
#include "views/diskimage/DiskImageFiles.h"

#include <QTimer>

#include <array>
#include <map>
#include <string>
#include <vector>

class CDIskImagePublicDlg;
class QLineEdit;
class QTreeWidget;

class COpenDiskImageInfoDlg : public COpenDiskInterface {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 310;
    explicit COpenDiskImageInfoDlg(QWidget* parent);
    int GetNextStep() override { return 1; }
};

class COpenDiskImagePathDlg : public COpenDiskInterface {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 311;
    static constexpr int kEditId = 1125, kBrowseId = 1022;
    explicit COpenDiskImagePathDlg(QWidget* parent);
    int GetPrevStep() override { return 0; }
    QLineEdit* Edit() const { return m_edit; }
    CButtonPlus* Button() { return &m_button; }

private:
    void Browse();
    QLineEdit* m_edit;
    CButtonPlus m_button{214, 213, 212, 211};
};

class COpenDiskImageErrorManageDlg : public COpenDiskInterface {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 315;
    static constexpr int kListId = 1068, kAddId = 1110, kRemoveId = 1127, kLocateId = 1130;

    struct Row {
        int number;
        bool valid;
        std::string path;
    };

    explicit COpenDiskImageErrorManageDlg(QWidget* parent);
    int GetNextStep() override { return 3; }
    int GetPrevStep() override { return 1; }

    // Fills the table from the slice list; expected is the number of slices the image header counts.
    void Load(const std::string& listPath, size_t expected);
    // Writes the table's paths, in row order, each followed by CR LF, as the new slice list.
    bool WriteSliceList();
    void Reset();
    // No row is invalid and the table holds as many slices as the image.
    int IsAllValid() const;
    void EnableRowButtons(bool enable);
    const std::vector<Row>& Rows() const { return m_rows; }
    std::vector<std::string> Paths() const;

    void SelectRow(int row);
    void AddSlice();
    void LocateSlice();
    void RemoveSlice();
    QTreeWidget* List() const { return m_list; }
    CButtonPlus* AddButton() { return &m_add; }
    CButtonPlus* RemoveButton() { return &m_remove; }
    CButtonPlus* LocateButton() { return &m_locate; }

private:
    void Append(const Row& row);
    void Refill();
    QString ChooseSlice();

    int m_selected = -1;
    int m_rowCount = 0;
    size_t m_expected = 0;
    std::string m_listPath;
    std::map<std::string, int> m_paths;
    std::vector<Row> m_rows;
    QTreeWidget* m_list;
    CButtonPlus m_add{160, 159, 158, 157};
    CButtonPlus m_remove{345, 344, 343, 342};
    CButtonPlus m_locate{341, 340, 339, 338};
};

class COpenDiskImageSuccessDlg : public COpenDiskInterface {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 316;
    explicit COpenDiskImageSuccessDlg(QWidget* parent);
};

class COpenDiskImageMasterDlg : public COpenDiskInterface {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 309;
    static constexpr int kBackId = 1001, kNextId = 1004, kCancelId = 2;
    enum Step { kInfo = 0, kPath = 1, kRepair = 2, kSuccess = 3 };

    explicit COpenDiskImageMasterDlg(QWidget* parent);
    ~COpenDiskImageMasterDlg() override;

    int GetResult() const { return m_result; }
    std::string GetImagePath() const;

    int CurrentStep() const { return m_step; }
    QString Title() const;
    CButtonPlus* NextButton() { return &m_next; }
    CButtonPlus* BackButton() { return &m_back; }
    CButtonPlus* CancelButton() { return &m_cancel; }
    COpenDiskImagePathDlg* PathPane() const { return m_pathPane; }
    COpenDiskImageErrorManageDlg* RepairPane() const { return m_repair; }
    COpenDiskImageSuccessDlg* SuccessPane() const { return m_successPane; }

    void OnNext();
    void OnBack();
    // The half-second check that enables Next (the timer calls it; tests too).
    void OnTimer();

protected:
    bool OnInitDialog() override;
    void OnCancel() override;
    void OnOK() override {}

private:
    void ShowStep();
    void SetTitleId(unsigned id);
    void CheckImage();

    COpenDiskImageInfoDlg* m_info;
    COpenDiskImagePathDlg* m_pathPane;
    COpenDiskImageErrorManageDlg* m_repair;
    COpenDiskImageSuccessDlg* m_successPane;
    CDIskImagePublicDlg* m_header;
    std::array<COpenDiskInterface*, 4> m_steps{};
    int m_step = kInfo;
    int m_result = 0;
    int m_checkStarted = 0;
    int m_nextAllowed = 0;
    diskimg::SliceNeeds m_needs;
    CButtonPlus m_back{420, 418, 417, 416};
    CButtonPlus m_next{164, 163, 162, 161};
    CButtonPlus m_cancel{176, 175, 174, 173};
    QTimer m_timer;
};
