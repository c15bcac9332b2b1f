// The RAW page of the Options dialog: whether signature (RAW) files are searched, whether only they are,
// the largest size of such a file, and which types are searched, in a tri-state tree of groups and types
// (the types claimed for header scripts included). The options' type list is rewritten only by Collect.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QWidget>
#include <cstdint>
#include <vector>

class CRawFileTypeTreeCtrl;

class CAdvanceSettingRAWPage : public QWidget {
    Q_OBJECT
public:
    static constexpr unsigned kTemplateId = 300;
    static constexpr unsigned kRecoverRawId = 1104;
    static constexpr unsigned kRawOnlyId = 1057;
    static constexpr unsigned kSizeEditId = 1105;
    static constexpr unsigned kTreeId = 1191;
    static constexpr uint64_t kDefaultSize = 50000000;

    explicit CAdvanceSettingRAWPage(QWidget* parent);

    // Before SetControls: the values to edit and the options' type list (not owned).
    void Init(int recoverRaw, int rawOnly, uint64_t maxSize, std::vector<int>* typeIds);
    void SetAllowRawOnly(int allow) { m_allowRawOnly = allow; }
    void SetTreeEditable(int editable) { m_treeEditable = editable; }
    // Fills the tree from the type list and shows the values.
    void SetControls();
    // Rewrites the options' type list from the tree (companion container types appended) and gives the values.
    void Collect(int* recoverRaw, int* rawOnly, uint64_t* maxSize);
    // Puts the controls back to the start values and checks every type; the type list is left alone.
    void Default();

    // The number a size text begins with, clamped to what 64 bits hold; 0 without a leading digit.
    static uint64_t ParseSize(const QString& text);
    // The container type a collected type brings along, 0 for none.
    static int CompanionType(int typeId);

    QCheckBox* RecoverRawBox() const { return m_recoverRawBox; }
    QCheckBox* RawOnlyBox() const { return m_rawOnlyBox; }
    QLineEdit* SizeEdit() const { return m_sizeEdit; }
    CRawFileTypeTreeCtrl* Tree() const { return m_tree; }

private:
    void FillTree();
    void UpdateEnabling();
    void OnRecoverRawClicked();
    void OnSizeEdited(const QString& text);

    QCheckBox* m_recoverRawBox;
    QCheckBox* m_rawOnlyBox;
    QLineEdit* m_sizeEdit;
    CRawFileTypeTreeCtrl* m_tree;
    uint64_t m_maxSize = 0;
    int m_recoverRaw = 1;
    int m_rawOnly = 0;
    int m_allowRawOnly = 1;
    int m_treeEditable = 1;
    std::vector<int>* m_typeIds = nullptr;
};
