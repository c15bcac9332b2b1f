// The rich-text preview: a resizable dialog whose read-only text shows an RTF file with its paragraphs and
// bold, italic and underlined runs, and lets nothing be selected or copied (CCopyLimitedRichEditCtrl).
// User-interface thread only.
#pragma once

#include "controls/CSearchSuperDlg.h"

#include <QTextEdit>

struct RtfDocument;

// A read-only rich-text control that refuses selection and copying: no mouse presses, no keys while Ctrl or
// Shift is held, no context menu, nothing dragged out. Arrows and page keys still scroll.
class CCopyLimitedRichEditCtrl : public QTextEdit {
    Q_OBJECT
public:
    explicit CCopyLimitedRichEditCtrl(QWidget* parent = nullptr);
    ~CCopyLimitedRichEditCtrl() override;

    void SetDocument(const RtfDocument& doc);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    QMimeData* createMimeDataFromSelection() const override;
};

class CRtfPreviewerDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 305;
    static constexpr int kEditId = 1124;

    explicit CRtfPreviewerDlg(QWidget* parent = nullptr);
    ~CRtfPreviewerDlg() override;

    // Reads the file and shows it modally under the title; a file that cannot be read is reported with
    // "Cannot preview this file." and not shown (false).
    bool ShowFile(const QString& path, const QString& title);
    // Reads the file into the control; false when it cannot be read.
    bool LoadFile(const QString& path, const QString& title);
    CCopyLimitedRichEditCtrl* Edit() const { return m_edit; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    CCopyLimitedRichEditCtrl* m_edit;
    QString m_path;
    QString m_title;
};
