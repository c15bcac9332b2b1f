// The mode, path, advanced path, summary and success steps of the disk-image wizard.
#include "views/diskimage/CImageDiskSteps.h"

#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "core/VersionString.h"
#include "views/diskimage/DiskImageFileDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QString Str(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id);
}
QString Text(unsigned tmpl, const char* key)
{
    return CResourceLibrary::Instance().LoadText(QStringLiteral("dialog.%1.%2").arg(tmpl).arg(QLatin1String(key)));
}
QFont BoldFont()
{
    QFont f = CreateDialogFont();
    f.setWeight(QFont::Bold);
    return f;
}
QVBoxLayout* PaneLayout(QWidget* pane)
{
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(30, 24, 30, 10);
    layout->setSpacing(8);
    return layout;
}

} // namespace

// ---- mode -------------------------------------------------------------------------------------------------

CImageDiskModeChooseDlg::CImageDiskModeChooseDlg(QWidget* parent) : CInterfaceDialog(kTemplate, parent)
{
    MakePane();
    auto* layout = PaneLayout(this);
    QLabel* welcome = AddText(QStringLiteral("welcome"));
    welcome->setFont(BoldFont());
    layout->addWidget(welcome);
    auto* row = new QHBoxLayout;
    row->addWidget(AddLabel(QStringLiteral("select")));
    m_name = new QLabel(this);
    SetDlgCtrlID(m_name, kNameId);
    m_name->setFont(BoldFont());
    row->addWidget(m_name, 1);
    layout->addLayout(row);
    m_advanced = new QCheckBox(Text(kTemplate, "1002"), this);
    SetDlgCtrlID(m_advanced, kAdvancedId);
    layout->addWidget(m_advanced);
    layout->addStretch(1);
    layout->addWidget(AddText(QStringLiteral("continue")));
}

int CImageDiskModeChooseDlg::IsAdvancedMode() const
{
    return m_advanced->isChecked() ? 1 : 0;
}

void CImageDiskModeChooseDlg::SetSourceName(const std::string& displayName)
{
    m_name->setText(QString::fromStdString(diskimg::CutDisplayName(displayName)));
}

// ---- path row ---------------------------------------------------------------------------------------------

CImagePathRow::CImagePathRow(int editId, int buttonId, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_edit = new QLineEdit(this);
    SetDlgCtrlID(m_edit, editId);
    layout->addWidget(m_edit, 1);
    m_button.AttachToDialog(this, unsigned(buttonId), QRect(QPoint(0, 0), m_button.GetBitmapSize()));
    m_button.setFixedSize(m_button.GetBitmapSize());
    layout->addWidget(&m_button);
    connect(&m_button, &QAbstractButton::clicked, this, [this] { Browse(); });
    connect(m_edit, &QLineEdit::textEdited, this, [this](const QString& t) { OnEdited(t); });
}

void CImagePathRow::OnEdited(const QString& text)
{
    if (text.toUtf8().size() < diskimg::kMaxTypedPath) return;
    ShowMessageBox(this, 61208, MB_ICONEXCLAMATION);
    m_edit->clear();
}

void CImagePathRow::Browse()
{
    diskimg::FileDialogRequest request;
    request.save = true;
    request.suggested = Str(384).replace(QLatin1String("%s"), QString::fromLatin1(GetVersionString()));
    request.filter = diskimg::QtFilter(Str(399));
    QString chosen = diskimg::ChooseFile(this, request);
    if (chosen.isEmpty()) return;
    chosen = QString::fromStdString(diskimg::CompleteImagePath(chosen.toStdString()));
    if (chosen == QLatin1String("*.kxi")) chosen.clear();
    if (chosen.toUtf8().size() > diskimg::kMaxChosenPath) {
        ShowMessageBox(this, 61208, MB_ICONEXCLAMATION);
        chosen.clear();
    }
    m_edit->setText(chosen);
}

std::string CImagePathRow::GetImagePath()
{
    const std::string path = diskimg::CompleteImagePath(m_edit->text().trimmed().toStdString());
    m_edit->setText(QString::fromStdString(path));
    return path;
}

// ---- simple path ------------------------------------------------------------------------------------------

CImageDiskPathChooseDlg::CImageDiskPathChooseDlg(QWidget* parent) : CInterfaceDialog(kTemplate, parent)
{
    MakePane();
    m_enterIsSpace = false;
    auto* layout = PaneLayout(this);
    layout->addWidget(AddText(QStringLiteral("name")));
    m_row = new CImagePathRow(kEditId, kBrowseId, this);
    layout->addWidget(m_row);
    layout->addStretch(1);
}

// ---- advanced path ----------------------------------------------------------------------------------------

CImageDiskADPathChooseDlg::CImageDiskADPathChooseDlg(QWidget* parent) : CInterfaceDialog(kTemplate, parent)
{
    MakePane();
    auto* layout = PaneLayout(this);
    layout->setContentsMargins(30, 14, 30, 6);
    layout->setSpacing(5);
    layout->addWidget(AddText(QStringLiteral("name")));
    m_row = new CImagePathRow(kEditId, kBrowseId, this);
    layout->addWidget(m_row);
    QLabel* settings = AddText(QStringLiteral("settings"));
    settings->setFont(BoldFont());
    layout->addWidget(settings);
    auto* grid = new QGridLayout;
    m_compress = new QCheckBox(Text(kTemplate, "1052"), this);
    SetDlgCtrlID(m_compress, kCompressId);
    m_level = new QComboBox(this);
    SetDlgCtrlID(m_level, kLevelId);
    for (unsigned id : {379u, 380u, 381u}) m_level->addItem(Str(id));
    m_split = new QCheckBox(Text(kTemplate, "1054"), this);
    SetDlgCtrlID(m_split, kSplitId);
    m_slice = new QComboBox(this);
    SetDlgCtrlID(m_slice, kSliceId);
    for (const char* t : diskimg::kSliceLimitTexts) m_slice->addItem(QString::fromLatin1(t));
    m_level->setEnabled(false);
    m_slice->setEnabled(false);
    grid->addWidget(m_compress, 0, 0);
    grid->addWidget(m_level, 0, 1);
    grid->addWidget(m_split, 1, 0);
    grid->addWidget(m_slice, 1, 1);
    grid->setColumnStretch(0, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
    connect(m_compress, &QCheckBox::toggled, m_level, &QWidget::setEnabled);
    connect(m_split, &QCheckBox::toggled, m_slice, &QWidget::setEnabled);
}

diskimg::CompressionSettings CImageDiskADPathChooseDlg::GetSettings() const
{
    return diskimg::SettingsFrom(m_compress->isChecked(), m_level->currentIndex(), m_split->isChecked(),
                                 m_slice->currentIndex());
}

// ---- summary ----------------------------------------------------------------------------------------------

CImageDiskDiskInfo::CImageDiskDiskInfo(QWidget* parent) : CInterfaceDialog(kTemplate, parent)
{
    MakePane();
    m_enterIsSpace = false;
    m_swallowEscape = false;
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(30, 22, 30, 10);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(4);
    const int ids[] = {kNameId, kSizeId, kRegionSizeId, kRegionId, kFileId, kLevelId};
    int row = 0;
    for (int id : ids) {
        grid->addWidget(AddLabel(QStringLiteral("l%1").arg(id)), row, 0);
        auto* value = new QLabel(this);
        SetDlgCtrlID(value, id);
        value->setFont(BoldFont());
        grid->addWidget(value, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
}

void CImageDiskDiskInfo::Fill(const DiskImageSummary& s, int sectorSize)
{
    auto set = [this](int id, const QString& text) { qobject_cast<QLabel*>(GetDlgItem(this, id))->setText(text); };
    set(kNameId, QString::fromStdString(s.sourceName));
    set(kSizeId, QString::fromStdString(diskimg::FormatSectorsSize(s.sourceSectors, sectorSize)));
    set(kRegionId, QStringLiteral("%1---%2").arg(s.firstSector).arg(s.lastSector) + Str(421));
    set(kRegionSizeId,
        QString::fromStdString(diskimg::FormatSectorsSize(s.lastSector - s.firstSector + 1, sectorSize)));
    m_path = s.imagePath;
    set(kFileId, QString::fromStdString(diskimg::CutText(s.imagePath, 30, "......")));
    set(kLevelId, Str(diskimg::LevelTextId(s.kind, s.level)));
}

QString CImageDiskDiskInfo::Value(int id) const
{
    return qobject_cast<QLabel*>(GetDlgItem(this, id))->text();
}

// ---- success ----------------------------------------------------------------------------------------------

CImageDiskSuccessDlg::CImageDiskSuccessDlg(QWidget* parent) : CInterfaceDialog(kTemplate, parent)
{
    MakePane();
    auto* layout = PaneLayout(this);
    QLabel* done = AddText(QStringLiteral("done"));
    done->setFont(BoldFont());
    layout->addWidget(done);
    auto* row = new QHBoxLayout;
    row->addWidget(AddLabel(QStringLiteral("file")));
    m_path = new QLabel(this);
    SetDlgCtrlID(m_path, kPathId);
    row->addWidget(m_path, 1);
    layout->addLayout(row);
    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    m_note->hide();
    layout->addWidget(m_note);
    layout->addStretch(1);
    m_open = new QCheckBox(Text(kTemplate, "1136"), this);
    SetDlgCtrlID(m_open, kOpenId);
    m_open->setChecked(true);
    layout->addWidget(m_open);
}

void CImageDiskSuccessDlg::ShowImagePath(const std::string& path)
{
    m_path->setText(QString::fromStdString(diskimg::CutText(path, 40, ".........")));
    m_path->setToolTip(QString::fromStdString(path));
}

int CImageDiskSuccessDlg::IsOpenInList() const
{
    return m_open->isChecked() ? 1 : 0;
}

void CImageDiskSuccessDlg::ShowNote(const QString& text)
{
    m_note->setText(text);
    m_note->setVisible(!text.isEmpty());
}
