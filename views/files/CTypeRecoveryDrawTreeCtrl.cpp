// The self-drawn file-type tree.
#include "views/files/CTypeRecoveryDrawTreeCtrl.h"

#include "controls/ControlFont.h"
#include "controls/TreeStateImages.h"
#include "core/LanguageHelpers.h"

#include <QPainter>

namespace {
// 10 points at 96 dots per inch, and the description one pixel lower.
constexpr int kRegularPixels = 13;
constexpr int kDescriptionPixels = 12;
constexpr int kDescriptionTop = 30;
constexpr int kRootRaise = 10;
constexpr int kTextGap = 4; // between the picture and the texts
const QColor kDescriptionColour(0x50, 0x5a, 0x66);
} // namespace

CTypeRecoveryDrawTreeCtrl::CTypeRecoveryDrawTreeCtrl(QWidget* parent) : CTypeOfFileToRecoveryTreeCtrl(parent)
{
    InstallFontSubstitutes();
    m_regular = QFont(QString::fromLatin1(GetUIFontName()));
    m_regular.setPixelSize(kRegularPixels);
    m_bold = m_regular;
    m_bold.setWeight(QFont::Bold);
    m_description = m_regular;
    m_description.setWeight(QFont::Normal);
    m_description.setPixelSize(kDescriptionPixels);
    setFont(m_regular);
}

CTypeRecoveryDrawTreeCtrl::~CTypeRecoveryDrawTreeCtrl() = default;

void CTypeRecoveryDrawTreeCtrl::DrawItem(QPainter* p, const QTreeWidgetItem* item, const QRect& rowRect,
                                         const QRect& itemRect) const
{
    p->fillRect(rowRect, palette().color(QPalette::Base));
    const int stateWidth = HasStateImages() ? kStateImageSize : 0;
    const int pictureWidth = HasCategoryImages() ? kCategoryImageSize : 0;
    const TreeItemLayout native = LayoutTreeItem(itemRect, stateWidth, pictureWidth, LabelWidth(item));
    int textLeft = native.label.left() + GetDrawOffset();

    if (HasCategoryImages()) {
        const int picture = item->data(0, Qt::UserRole + 1).toInt();
        const QList<QImage>& pictures = CategoryImages();
        if (picture >= 0 && picture < pictures.size() && !pictures[picture].isNull())
            p->drawImage(textLeft - kCategoryImageSize, rowRect.top() + (rowRect.height() - kCategoryImageSize) / 2,
                         pictures[picture]);
        else
            textLeft -= kCategoryImageSize;
    }
    const int pictureLeft = HasCategoryImages() ? textLeft - kCategoryImageSize : textLeft;
    const int image = GetItemStateImage(item);
    if (image > 0 && image < StateImages().size())
        p->drawImage(pictureLeft - kStateImageSize, rowRect.top() + (rowRect.height() - kStateImageSize) / 2,
                     StateImages()[image]);

    QRect nameRect(textLeft + kTextGap, rowRect.top(), std::max(0, rowRect.right() - textLeft - kTextGap),
                   rowRect.height());
    if (!item->parent()) nameRect.translate(0, -kRootRaise);
    p->setPen(palette().color(QPalette::Text));
    p->setFont(item->childCount() > 0 ? m_bold : m_regular);
    p->drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item->text(0));

    if (const FileTypeInfoRecord* record = RecordOf(item)) {
        const QString description = CatalogueText(record->label);
        if (!description.isEmpty()) {
            const QRect descRect(nameRect.left(), rowRect.top() + kDescriptionTop, nameRect.width(),
                                 std::max(0, rowRect.height() - kDescriptionTop));
            p->setFont(m_description);
            p->setPen(kDescriptionColour);
            const QString shown = QFontMetrics(m_description).elidedText(description, Qt::ElideRight, descRect.width());
            p->drawText(descRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        }
    }
}
