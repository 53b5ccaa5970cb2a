#include "display/image_view_widget.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>
#include <cstring>

#include "core/main_window.h"
#include "core/ui_hooks.h"
#include "core/menu_tree.h"
#include "core/state.h"
#include "display/display_state.h"
#include "display/picking.h"
#include "display/render.h"

namespace {

const bool registered = RegisterCentralView([](QWidget* parent) { return new TImageView(parent); });

void Cross(QPainter& p, int x, int y, int arm) {
    p.drawLine(x - arm, y, x + arm, y);
    p.drawLine(x, y - arm, x, y + arm);
}

}  // namespace

TImageView::TImageView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName("TImageView");
    setFrameShape(QFrame::NoFrame);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    // Unit 1 x 1, a first range of 400 x 400.
    horizontalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setRange(0, 400);
    verticalScrollBar()->setRange(0, 400);

    DisplayViewHooks& hooks = ViewHooks();
    hooks.invalidate = [this] { viewport()->update(); };
    hooks.adjustScroller = [this](bool reset) { AdjustScroller(reset); };
    hooks.movePointer = [this](int x, int y) { QCursor::setPos(viewport()->mapToGlobal(QPoint(x, y))); };
    hooks.updateCursor = [this] { viewport()->update(); };
}

TImageView::~TImageView() { ViewHooks() = DisplayViewHooks{}; }

ViewPort TImageView::CurrentView() const {
    return MakeViewPort(horizontalScrollBar()->value(), verticalScrollBar()->value(), viewport()->width(),
                        viewport()->height());
}

void TImageView::AdjustScroller(bool reset) {
    const ScrollRange range = ComputeScrollRange(ViewOptions().fitToWindow, DisplayedWidth(), DisplayedHeight(),
                                                 viewport()->width(), viewport()->height());
    horizontalScrollBar()->setRange(0, range.x);
    verticalScrollBar()->setRange(0, range.y);
    horizontalScrollBar()->setPageStep(std::max(1, viewport()->width()));
    verticalScrollBar()->setPageStep(std::max(1, viewport()->height()));
    if (reset) {
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(0);
    }
    viewport()->update();
}

void TImageView::refreshImage() { viewport()->update(); }

void TImageView::adjustScroller() { AdjustScroller(false); }

void TImageView::SyncImage() {
    const DisplayBitmap* b = CurrentDisplayBitmap();
    if (!b || b->serial == serial_) return;
    QImage indexed(b->width, b->height, QImage::Format_Indexed8);
    QList<QRgb> colours(256);
    for (int i = 0; i < 256; ++i) {
        const auto c = b->Colour(i);
        colours[i] = qRgb(c[0], c[1], c[2]);
    }
    indexed.setColorTable(colours);
    for (int y = 0; y < b->height; ++y) std::memcpy(indexed.scanLine(y), b->Row(y), size_t(b->width));
    image_ = indexed.convertToFormat(QImage::Format_RGB32);
    serial_ = b->serial;
}

void TImageView::paintEvent(QPaintEvent*) {
    DisplayOptions& o = ViewOptions();
    if (o.redrawOnNextPaint) {
        o.redrawOnNextPaint = false;
        RedrawImage();
    }
    QPainter painter(viewport());
    const auto rgb = BackgroundColour(State().settings.windowBackground);
    const QColor background(rgb[0], rgb[1], rgb[2]);
    const QRect client = viewport()->rect();
    const ViewPort view = CurrentView();
    if (!CurrentDisplayBitmap()) {
        painter.fillRect(client, background);
    } else {
        SyncImage();
        const Rect t = BitmapTarget(view);
        const QRect target(t.left, t.top, t.width, t.height);
        if (view.fitToWindow) {
            // Surplus rows and columns are dropped, never blended.
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
            painter.drawImage(target, image_);
        } else {
            const QRect visible = target.intersected(client);
            if (!visible.isEmpty()) painter.drawImage(visible.topLeft(), image_, visible.translated(-target.topLeft()));
            for (const QRect& margin : QRegion(client).subtracted(QRegion(target))) painter.fillRect(margin, background);
        }
    }
    const PickModes& modes = Picking().modes;
    if (!modes.photometry && !modes.guideStarPick && !modes.rowProfile) viewport()->setCursor(Qt::ArrowCursor);
    DrawOverlays(painter, view);
    painter.end();

    const ImageGeometry& g = State().geometry;
    BlackPoint() = BackgroundEstimate(State().imageA, g.width, g.height, HistogramCounters());
    // The image or the view may have changed under a still pointer.
    UpdateReadout();
}

void TImageView::UpdateReadout() {
    ShowPointerReadout(pointerInside_ ? PointerReadout(CurrentView(), pointer_.x(), pointer_.y()) : ImageSummary());
}

void TImageView::leaveEvent(QEvent* event) {
    pointerInside_ = false;
    UpdateReadout();
    QAbstractScrollArea::leaveEvent(event);
}

void TImageView::DrawOverlays(QPainter& painter, const ViewPort& view) {
    PickState& pick = Picking();
    auto at = [&](int imageX, int imageY) {
        int x = 0, y = 0;
        ImageToClient(view, imageX, imageY, x, y);
        return QPoint(x, y);
    };
    const QPen green(QColor(0, 255, 0), 1);
    const QPen red(QColor(255, 0, 0), 1);
    if (pick.guideStarPicked && pick.modes.guideStarPick && !pick.guidingWithImagingCamera) {
        painter.setPen(green);
        // The pick is kept in image coordinates.
        const int scale = BinnedDisplay() ? 2 : 1;
        const QPoint p = at(pick.guideStarX / scale, pick.guideStarY / scale);
        Cross(painter, p.x(), p.y(), 20);
        pick.centroidRefine = true;
        pick.maskRadius = pick.guideSearchRadius;
    }
    if (pick.guidingWithImagingCamera) {
        painter.setPen(red);
        const QPoint p = at(pick.guidingStarX, pick.guidingStarY);
        Cross(painter, p.x(), p.y(), 15);
    }
    if (pick.subFrameSelectionActive || pick.modes.subFramePick) {
        painter.setPen(red);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(at(pick.boxLeft, pick.boxTop), at(pick.boxRight, pick.boxBottom)));
    }
    if (ViewOptions().showImageCentre) {
        painter.setPen(red);
        const QPoint p = at(view.displayedWidth / 2, view.displayedHeight / 2);
        Cross(painter, p.x(), p.y(), 40);
    }
}

void TImageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (!window()->isMinimized()) AdjustScroller(false);
}

void TImageView::scrollContentsBy(int, int) { viewport()->update(); }

void TImageView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        LeftButtonUp(CurrentView(), p.x(), p.y());
    else if (event->button() == Qt::RightButton)
        RightButtonUp(CurrentView(), p.x(), p.y());
    else
        QAbstractScrollArea::mouseReleaseEvent(event);
    viewport()->update();
}

void TImageView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    pointerInside_ = viewport()->rect().contains(p);
    pointer_ = p;
    UpdateReadout();
    if (MouseMove(CurrentView(), p.x(), p.y())) viewport()->update();
}

void TImageView::contextMenuEvent(QContextMenuEvent* event) {
    // In photometry mode the right button measures; otherwise the main
    // window shows its pop-up menu.
    if (Picking().modes.photometry)
        event->accept();
    else
        event->ignore();
}
