// The main window's central view: the displayed bitmap at 1:1 with
// scrolling, centred or fitted to the window, its margins and overlay marks,
// and the mouse picking.
#pragma once
#include <QAbstractScrollArea>
#include <QImage>

#include "display/view_layout.h"

class TImageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TImageView(QWidget* parent = nullptr);
    ~TImageView() override;
    // The view as the mouse sees it now (scroll position, client size,
    // displayed size and options).
    ViewPort CurrentView() const;
    // Recomputes the scroll range; with reset scrolls to 0, 0.
    void AdjustScroller(bool reset);
    // The picture as last built for painting (RGB, the displayed size).
    const QImage& ShownImage() const { return image_; }

public slots:
    void refreshImage();
    void adjustScroller();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // The status bar's readout for the last pointer position (none: away).
    void UpdateReadout();
    bool pointerInside_ = false;
    QPoint pointer_;
    void SyncImage();
    void DrawOverlays(class QPainter& painter, const ViewPort& view);

    QImage image_;
    uint64_t serial_ = 0;
};
