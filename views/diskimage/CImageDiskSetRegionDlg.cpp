// The region step of the disk-image wizard.
#include "views/diskimage/CImageDiskSetRegionDlg.h"

#include "controls/ControlId.h"
#include "views/diskimage/CSectorSelectCtrl.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A typed sector number: a negative value gives 0, one too large for 64 bits the largest value.
uint64_t ParseSector(const QString& text)
{
    const QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('-')) || t.isEmpty()) return 0;
    bool ok = false;
    const qulonglong v = t.toULongLong(&ok);
    if (ok) return v;
    for (QChar c : t)
        if (!c.isDigit()) return 0;
    return UINT64_MAX;
}

QWidget* SpinPair(QWidget* parent, int id, QToolButton*& up, QToolButton*& down)
{
    auto* box = new QWidget(parent);
    SetDlgCtrlID(box, id);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    up = new QToolButton(box);
    up->setArrowType(Qt::UpArrow);
    down = new QToolButton(box);
    down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up, down}) {
        b->setFixedSize(16, 11);
        b->setAutoRepeat(true);
        v->addWidget(b);
    }
    return box;
}

} // namespace

CImageDiskSetRegionDlg::CImageDiskSetRegionDlg(QWidget* parent) : CInterfaceDialog(kTemplate, parent)
{
    MakePane();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 10, 24, 8);
    layout->setSpacing(6);
    layout->addWidget(AddText(QStringLiteral("hint")));
    m_selector = new CSectorSelectCtrl(this);
    SetDlgCtrlID(m_selector, kSelectorId);
    m_selector->setFixedHeight(60);
    m_selector->SetColors(kSelection);
    m_selector->SetBarColor(kBar);
    layout->addWidget(m_selector);

    auto* row = new QHBoxLayout;
    QToolButton *firstUp, *firstDown, *lastUp, *lastDown;
    m_firstEdit = new QLineEdit(QStringLiteral("0"), this);
    SetDlgCtrlID(m_firstEdit, kFirstEditId);
    m_lastEdit = new QLineEdit(QStringLiteral("0"), this);
    SetDlgCtrlID(m_lastEdit, kLastEditId);
    row->addWidget(AddLabel(QStringLiteral("first")));
    row->addWidget(m_firstEdit, 1);
    row->addWidget(SpinPair(this, kFirstSpinId, firstUp, firstDown));
    row->addSpacing(20);
    row->addWidget(AddLabel(QStringLiteral("last")));
    row->addWidget(m_lastEdit, 1);
    row->addWidget(SpinPair(this, kLastSpinId, lastUp, lastDown));
    layout->addLayout(row);
    layout->addStretch(1);

    connect(m_selector, &CSectorSelectCtrl::selectionChanged, this, [this] { OnSelectorChanged(); });
    connect(m_firstEdit, &QLineEdit::editingFinished, this, [this] { CommitFirst(); });
    connect(m_lastEdit, &QLineEdit::editingFinished, this, [this] { CommitLast(); });
    connect(firstUp, &QToolButton::clicked, this, [this] { SpinFirst(1); });
    connect(firstDown, &QToolButton::clicked, this, [this] { SpinFirst(-1); });
    connect(lastUp, &QToolButton::clicked, this, [this] { SpinLast(1); });
    connect(lastDown, &QToolButton::clicked, this, [this] { SpinLast(-1); });
}

void CImageDiskSetRegionDlg::SetTotal(uint64_t count)
{
    m_highest = count ? count - 1 : 0;
    m_lowest = 0;
    m_first = 0;
    m_last = m_highest;
    m_selector->SetTotal(count);
    ShowValues();
}

void CImageDiskSetRegionDlg::ShowValues()
{
    m_firstEdit->setText(QString::number(m_first));
    m_lastEdit->setText(QString::number(m_last));
}

void CImageDiskSetRegionDlg::OnSelectorChanged()
{
    m_selector->GetSelection(m_first, m_last);
    ShowValues();
}

void CImageDiskSetRegionDlg::SpinFirst(int delta)
{
    if (delta > 0 && m_first < m_last)
        ++m_first;
    else if (delta < 0 && m_first > m_lowest)
        --m_first;
    else
        return;
    ShowValues();
    m_selector->SetSelection(m_first, m_last);
}

void CImageDiskSetRegionDlg::SpinLast(int delta)
{
    if (delta > 0 && m_last < m_highest)
        ++m_last;
    else if (delta < 0 && m_last > m_first)
        --m_last;
    else
        return;
    ShowValues();
    m_selector->SetSelection(m_first, m_last);
}

void CImageDiskSetRegionDlg::CommitFirst()
{
    uint64_t value = ParseSector(m_firstEdit->text());
    if (value > m_last) value = 0;
    m_first = value;
    m_firstEdit->setText(QString::number(value));
    m_selector->SetSelection(m_first, m_last);
}

void CImageDiskSetRegionDlg::CommitLast()
{
    uint64_t value = ParseSector(m_lastEdit->text());
    if (value > m_highest) value = m_highest;
    if (m_first > value) {
        m_first = 0;
        m_firstEdit->setText(QStringLiteral("0"));
    }
    m_last = value;
    m_lastEdit->setText(QString::number(value));
    m_selector->SetSelection(m_first, m_last);
}

uint64_t CImageDiskSetRegionDlg::GetFirstSector()
{
    if (m_firstEdit->isModified()) CommitFirst();
    if (m_lastEdit->isModified()) CommitLast();
    m_firstEdit->setModified(false);
    m_lastEdit->setModified(false);
    return m_first;
}

uint64_t CImageDiskSetRegionDlg::GetLastSector()
{
    GetFirstSector();
    return m_last;
}
