// The file-type tree drawn by itself: tall rows with a category picture, the check box, the name (bold
// for items with children) and, under it, the record's description.
#pragma once

#include "views/files/CTypeOfFileToRecoveryTreeCtrl.h"

#include <QFont>

class CTypeRecoveryDrawTreeCtrl : public CTypeOfFileToRecoveryTreeCtrl {
    Q_OBJECT
public:
    explicit CTypeRecoveryDrawTreeCtrl(QWidget* parent = nullptr);
    ~CTypeRecoveryDrawTreeCtrl() override;

    const QFont& RegularFont() const { return m_regular; }
    const QFont& BoldFont() const { return m_bold; }
    const QFont& DescriptionFont() const { return m_description; }

protected:
    void DrawItem(QPainter* painter, const QTreeWidgetItem* item, const QRect& rowRect,
                  const QRect& itemRect) const override;

private:
    QFont m_regular;
    QFont m_bold;
    QFont m_description;
};
