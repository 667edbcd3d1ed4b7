#include "ui/CHistogramControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace orva {

CHistogramControl::CHistogramControl(HistogramControlModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setToolTip(QString::fromUtf8(HistogramControlModel::kToolTip));
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName("Histogram");
}

void CHistogramControl::resizeEvent(QResizeEvent*) { model_.SetSize(width(), height()); }

void CHistogramControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Base));
    const int left = model_.GraphLeft();
    const int top = model_.GraphTop();
    const int right = model_.GraphRight();
    const int bottom = model_.GraphBottom();
    const int w = right - left;
    const int h = bottom - top;
    if (w <= 0 || h <= 0) return;

    // The bars: one column per pixel, the tallest bin of those it covers.
    const QColor barColour = pal.color(QPalette::Mid);
    p.setPen(barColour);
    for (int x = 0; x < w; ++x) {
        const int first = x * DisplayStretch::kBins / w;
        const int last = std::max(first, (x + 1) * DisplayStretch::kBins / w - 1);
        int bar = 0;
        for (int k = first; k <= last && k < DisplayStretch::kBins; ++k) bar = std::max(bar, model_.BarHeight(k, h));
        if (bar > 0) p.drawLine(left + x, bottom, left + x, bottom - bar);
    }

    // The stretch curve, 64 segments.
    const auto& curve = model_.Curve();
    QPainterPath path;
    path.moveTo(left, bottom - curve[0] * h / 255.0);
    for (int k = 1; k < DisplayStretch::kCurveSize; ++k) {
        path.lineTo(left + k * w / 64.0, bottom - curve[static_cast<std::size_t>(k)] * h / 255.0);
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(pal.color(QPalette::Highlight), 2));
    p.drawPath(path);
    p.setRenderHint(QPainter::Antialiasing, false);

    // The right border: thick red when more than 100 pixels are clipped white.
    if (model_.TopBinOverflows()) {
        p.setPen(QPen(Qt::red, 3));
    } else {
        p.setPen(QPen(pal.color(QPalette::WindowText), 1));
    }
    p.drawLine(right, top, right, bottom);

    for (const CHistogramDragger* handle : {&model_.Background(), &model_.White(), &model_.Midtone()}) {
        const auto r = handle->HandleRect();
        p.setPen(Qt::NoPen);
        p.setBrush(handle->IsDragging() ? QColor(Qt::red) : pal.color(QPalette::Link));
        QPolygon marker;
        if (handle->GetOrientation() == CHistogramDragger::Orientation::Horizontal) {
            marker << QPoint(r.x + r.width / 2, r.y) << QPoint(r.x + r.width, r.y + r.height) << QPoint(r.x, r.y + r.height);
        } else {
            marker << QPoint(r.x, r.y + r.height / 2) << QPoint(r.x + r.width, r.y) << QPoint(r.x + r.width, r.y + r.height);
        }
        p.drawPolygon(marker);
    }
    p.setPen(pal.color(QPalette::Text));
    p.drawText(left + 4, top + 12, QString::fromStdString(model_.LevelsText()));
}

void CHistogramControl::mousePressEvent(QMouseEvent* event) {
    const auto button = event->button() == Qt::RightButton ? HistogramControlModel::Button::Right
                                                           : HistogramControlModel::Button::Left;
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    const QPoint pos = event->position().toPoint();
    if (model_.MousePress(pos.x(), pos.y(), button, shift)) Changed();
    update();
}

void CHistogramControl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (model_.MouseMove(pos.x(), pos.y())) Changed();
}

void CHistogramControl::mouseReleaseEvent(QMouseEvent*) {
    model_.MouseRelease();
    update();
}

void CHistogramControl::keyPressEvent(QKeyEvent* event) {
    const int step = (event->modifiers() & Qt::ControlModifier) ? 4096 : 256;
    const bool white = (event->modifiers() & Qt::ShiftModifier) != 0;
    int delta = 0;
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Down) delta = -step;
    if (event->key() == Qt::Key_Right || event->key() == Qt::Key_Up) delta = step;
    if (delta == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (white) {
        model_.SetLevels(model_.Background().Value(), model_.White().Value() + delta);
    } else {
        model_.SetLevels(model_.Background().Value() + delta, model_.White().Value());
    }
    Changed();
}

void CHistogramControl::Changed() {
    update();
    if (levelsChanged_) levelsChanged_();
}

}  // namespace orva
