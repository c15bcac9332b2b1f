// The Image tab of the preview dialog: the file decoded once into a private 32-bit image (the file is not
// kept open), painted scaled down to fit the window ("Best Fit", the first mode) or 1:1 with scroll bars.
// A file that cannot be decoded leaves a warning text in the window. User-interface thread only.
#pragma once

#include "controls/CScrollWnd.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

// Where the image goes in a client area: the part of the image taken (source) and where it is drawn
// (target); scaled when the two sizes differ.
struct ImagePlacement {
    QRect source;
    QRect target;
};

class CImageWindow : public CScrollWnd {
    Q_OBJECT
public:
    // Pure: actual size (fit false, or an image that fits) draws the part from scroll 1:1, centred where
    // smaller than the client; best fit keeps the image's proportions inside a 1-pixel border.
    static ImagePlacement PlaceImage(QSize image, QSize client, bool fit, QPoint scroll);
    // Pure: a scroll position kept so that the image's far edge does not leave the client, never below 0.
    static int ClampScroll(int pos, int imageLength, int clientLength);

    explicit CImageWindow(QWidget* parent = nullptr);
    ~CImageWindow() override;

    // Replaces the image; false (and no image) when the file cannot be decoded or is empty.
    bool LoadImage(const QString& path);
    bool HasImage() const { return !m_image.isNull(); }
    void FreeImage();
    // 1 best fit, 0 actual size.
    void SetFitMode(int mode);
    int GetFitMode() const { return m_fit; }
    QPoint ScrollPos() const { return {m_hPos, m_vPos}; }
    QSize ImageSize() const { return m_image.size(); }
    const QString& NoImageText() const { return m_noImageText; }

    void OnVertScrolled(int nPos) override;
    void OnHorzScrolled(int nPos) override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void ApplyScrollState();

    int m_fit = 1;
    QString m_noImageText;
    QImage m_image;
    int m_hPos = 0;
    int m_vPos = 0;
};
