// A page of the Options dialog made of bold check boxes bound to int options.
#include "views/options/CAdvanceSettingCheckPage.h"

#include "controls/CResourceLibrary.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

CAdvanceSettingCheckPage::CAdvanceSettingCheckPage(unsigned nIDTemplate, std::vector<Row> rows, QWidget* parent)
    : QWidget(parent), m_templateId(nIDTemplate), m_rows(std::move(rows))
{
    auto& lib = CResourceLibrary::Instance();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 12, 10, 12);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    const QPixmap picture = QPixmap::fromImage(lib.LoadBitmap(kPictureBitmap));
    const int pictureColumn = std::max(16, picture.width());
    for (const Row& row : m_rows) {
        auto* line = new QHBoxLayout;
        line->setSpacing(6);
        auto* pictureLabel = new QLabel(this);
        pictureLabel->setFixedWidth(pictureColumn);
        if (row.pictureId != 0 && row.visible) {
            pictureLabel->setPixmap(picture);
            pictureLabel->setObjectName(QString::number(row.pictureId));
        }
        auto* box =
            new QCheckBox(lib.LoadText(QStringLiteral("dialog.%1.%2").arg(m_templateId).arg(row.controlId)), this);
        box->setObjectName(QString::number(row.controlId));
        QFont bold = box->font();
        bold.setWeight(QFont::Bold);
        box->setFont(bold);
        box->setVisible(row.visible);
        pictureLabel->setVisible(row.visible);
        line->addWidget(pictureLabel, 0, Qt::AlignVCenter);
        line->addWidget(box, 1);
        layout->addLayout(line);
        m_boxes.push_back(box);
    }
    const QString note = lib.LoadText(QStringLiteral("dialog.%1.note").arg(m_templateId));
    if (!note.isEmpty()) {
        auto* label = new QLabel(note, this);
        label->setWordWrap(true);
        label->setContentsMargins(pictureColumn + 6, 0, 0, 0);
        layout->addSpacing(8);
        layout->addWidget(label);
    }
    layout->addStretch(1);
}

void CAdvanceSettingCheckPage::Init()
{
    for (size_t i = 0; i < m_rows.size(); ++i) m_boxes[i]->setChecked(*m_rows[i].value != 0);
}

void CAdvanceSettingCheckPage::Collect()
{
    for (size_t i = 0; i < m_rows.size(); ++i) *m_rows[i].value = m_boxes[i]->isChecked() ? 1 : 0;
}

void CAdvanceSettingCheckPage::Default()
{
    for (size_t i = 0; i < m_rows.size(); ++i) m_boxes[i]->setChecked(m_rows[i].defaultValue != 0);
}

QCheckBox* CAdvanceSettingCheckPage::Box(unsigned controlId) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].controlId == controlId) return m_boxes[i];
    return nullptr;
}

QLabel* CAdvanceSettingCheckPage::Picture(unsigned pictureId) const
{
    return findChild<QLabel*>(QString::number(pictureId), Qt::FindDirectChildrenOnly);
}
