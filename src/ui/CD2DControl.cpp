#include "ui/CD2DControl.h"

#include "common/Log.h"
#include "display/ViewTexts.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <QWheelEvent>

namespace orva {

CD2DControl::CD2DControl(LiveViewTarget& target, ZoneMatrix& zones, QWidget* parent)
    : QWidget(parent), target_(target), zones_(zones) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName("Live view");
}

void CD2DControl::Refresh() {
    const DisplayPicture& picture = target_.Picture();
    geometry_.SetPictureSize(picture.width, picture.height);
    update();
}

void CD2DControl::SetFullFix(bool on) {
    if (on == fullFix_) return;
    fullFix_ = on;
    update();
}

void CD2DControl::SetCrosshair(bool on) {
    crosshair_ = on;
    update();
}

void CD2DControl::SetNightVision(bool on) {
    nightVision_ = on;
    update();
}

void CD2DControl::SetMirroring(bool x, bool y) {
    mirrorX_ = x;
    mirrorY_ = y;
    update();
}

void CD2DControl::SetPlateSolvingArrow(std::optional<PlateSolvingArrow> arrow) {
    if (arrow == solveArrow_) return;
    solveArrow_ = std::move(arrow);
    update();
}

void CD2DControl::SetPreview(ViewGeometry::ZoomMode mode, int zoomPercent) {
    geometry_.SetMode(mode);
    geometry_.SetZoomPercent(zoomPercent);
    update();
}

void CD2DControl::SetFixedProfileCentre(std::optional<std::pair<int, int>> centre) {
    fixedCentre_ = centre;
    UpdateProfileCentre(std::nullopt);
}

QPointF CD2DControl::ViewPointOf(int x, int y) const {
    const auto at = geometry_.ViewPointOf(x + 0.5, y + 0.5);
    return at ? QPointF(at->x, at->y) : QPointF();
}

void CD2DControl::resizeEvent(QResizeEvent*) {
    geometry_.SetViewSize(width(), height());
    LogMessage(FormatValueMessage("D2D OnSize  w = %d  h = %d", width(), height()));
}

void CD2DControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    const DisplayPicture& picture = target_.Picture();
    const auto r = geometry_.PictureRect();
    const QRectF target(r.x, r.y, r.width, r.height);
    if (picture.width > 0 && picture.height > 0 && !picture.pixels.empty()) {
        // Wraps the handed-over picture without a copy; it stays unchanged until the next
        // TakePicture, which runs on this thread.
        const QImage image(reinterpret_cast<const uchar*>(picture.pixels.data()), picture.width, picture.height,
                           picture.width * 4, QImage::Format_RGB32);
        p.drawImage(target, image);
        if (nightVision_) {
            // Only the red channel stays.
            p.setCompositionMode(QPainter::CompositionMode_Multiply);
            p.fillRect(target, QColor(255, 0, 0));
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
    }
    const QColor overlay = nightVision_ ? QColor(160, 0, 0) : QColor(0, 220, 0);
    if (crosshair_ && target.isValid()) {
        p.setPen(QPen(overlay, 1));
        const QPointF c = target.center();
        p.drawLine(QPointF(target.left(), c.y()), QPointF(target.right(), c.y()));
        p.drawLine(QPointF(c.x(), target.top()), QPointF(c.x(), target.bottom()));
    }
    PaintGuiding(p, overlay);
    DrawPlateSolvingArrow(p, nightVision_ ? QColor(200, 0, 0) : QColor(255, 200, 0));
    if (!picture.textLine.empty()) {
        QString line = QString::fromStdString(picture.textLine).trimmed();
        QFont font("Monospace", 9);
        font.setStyleHint(QFont::TypeWriter);
        p.setFont(font);
        const QRect box(0, height() - 20, width(), 20);
        p.fillRect(box, QColor(0, 0, 0, 160));
        p.setPen(nightVision_ ? QColor(170, 0, 0) : QColor(230, 230, 230));
        p.drawText(box.adjusted(6, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, line);
    }
    if (!fullFix_) {
        QFont font("Arial", 24);
        font.setBold(true);
        p.setFont(font);
        p.setPen(QColor(220, 0, 0));
        p.drawText(rect().adjusted(0, 8, -12, 0), Qt::AlignTop | Qt::AlignRight,
                   QString::fromUtf8("\u26A0") + QString::fromUtf8(ViewTexts::kNoFixText));
    }
    if (zones_.IsEnabled() && zones_.IsEditing()) {
        p.setPen(overlay);
        p.setFont(QFont("Sans", 10));
        p.drawText(rect().adjusted(10, 10, 0, 0), Qt::AlignTop | Qt::AlignLeft, "Editing zones: click to toggle a block");
    }
}

void CD2DControl::DrawPlateSolvingArrow(QPainter& p, const QColor& colour) const {
    const DisplayPicture& picture = target_.Picture();
    const auto r = geometry_.PictureRect();
    if (!solveArrow_ || picture.width <= 0 || picture.height <= 0 || r.width <= 0 || r.height <= 0) return;
    const auto toView = [&](double x, double y) {
        return QPointF(r.x + x * r.width / picture.width, r.y + y * r.height / picture.height);
    };
    const QPointF start = toView(solveArrow_->startX, solveArrow_->startY);
    const QPointF end = toView(solveArrow_->endX, solveArrow_->endY);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 2));
    p.setBrush(colour);
    p.drawEllipse(start, 3, 3);
    const QLineF shaft(start, end);
    if (solveArrow_->hasDirection && shaft.length() >= 1.0) {
        p.drawLine(shaft);
        // The head: two barbs of 12 pixels at 25 degrees to the shaft.
        QLineF barb(end, start);
        barb.setLength(std::min(12.0, shaft.length()));
        QLineF left = barb;
        left.setAngle(barb.angle() + 25);
        QLineF right = barb;
        right.setAngle(barb.angle() - 25);
        p.drawPolygon(QPolygonF({end, left.p2(), right.p2()}));
    }
    QFont font("Sans", 11);
    font.setBold(true);
    p.setFont(font);
    const QString text = QString::fromStdString(solveArrow_->text);
    QRectF box = p.fontMetrics().boundingRect(text).adjusted(-4, -2, 4, 2);
    box.moveTopLeft(start + QPointF(8, 8));
    p.fillRect(box, QColor(0, 0, 0, 160));
    p.drawText(box, Qt::AlignCenter, text);
    p.restore();
}

void CD2DControl::PaintGuiding(QPainter& p, const QColor& active) {
    if (guiding_ == nullptr) return;
    if (guiding_->Selecting()) {
        p.setPen(active);
        p.setFont(QFont("Sans", 10));
        p.drawText(rect().adjusted(10, 10, 0, 0), Qt::AlignTop | Qt::AlignLeft, "Click the guiding star");
    }
    const auto shape = guiding_->Shape(geometry_);
    if (!shape) return;
    // Green while guiding corrects, yellow while the target only waits for "Start".
    const QColor colour = shape->active ? active : (nightVision_ ? QColor(200, 60, 0) : QColor(230, 210, 0));
    p.setPen(QPen(colour, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(shape->box.x, shape->box.y, shape->box.width, shape->box.height));
    if (shape->centroid) {
        constexpr double kArm = 6;
        const QPointF c(shape->centroid->x, shape->centroid->y);
        p.drawLine(c - QPointF(kArm, 0), c + QPointF(kArm, 0));
        p.drawLine(c - QPointF(0, kArm), c + QPointF(0, kArm));
    }
}

void CD2DControl::UpdateProfileCentre(std::optional<std::pair<int, int>> pixel) {
    if (!pixel) pixel = fixedCentre_;
    if (pixel) {
        target_.SetProfileCentre(pixel->first, pixel->second);
    } else {
        target_.SetProfileCentre(-1, -1);
    }
}

void CD2DControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const auto pixel = geometry_.PixelAt(event->position().x(), event->position().y());
    if (pixel && guiding_ != nullptr && guiding_->OnClick(target_.Picture(), pixel->first, pixel->second)) {
        update();
        return;
    }
    if (zones_.IsEnabled() && zones_.IsEditing()) {
        if (pixel && zones_.ToggleAt(pixel->first, pixel->second)) {
            target_.SetZones(zones_.Snapshot());
            if (zonesChanged_) zonesChanged_();
        }
        return;
    }
    dragFrom_ = event->position();
}

void CD2DControl::mouseMoveEvent(QMouseEvent* event) {
    UpdateProfileCentre(geometry_.PixelAt(event->position().x(), event->position().y()));
    if (dragFrom_) {
        const QPointF d = event->position() - *dragFrom_;
        geometry_.Pan(d.x(), d.y());
        dragFrom_ = event->position();
        update();
    }
}

void CD2DControl::mouseReleaseEvent(QMouseEvent*) { dragFrom_.reset(); }

void CD2DControl::leaveEvent(QEvent*) { UpdateProfileCentre(std::nullopt); }

void CD2DControl::wheelEvent(QWheelEvent* event) {
    if (geometry_.Mode() != ViewGeometry::ZoomMode::AspectScale || !zoomStep_) return;
    if (event->angleDelta().y() > 0) zoomStep_(1);
    if (event->angleDelta().y() < 0) zoomStep_(-1);
}

void CD2DControl::keyPressEvent(QKeyEvent* event) {
    constexpr double kStep = 40;
    switch (event->key()) {
        case Qt::Key_Left: geometry_.Pan(kStep, 0); break;
        case Qt::Key_Right: geometry_.Pan(-kStep, 0); break;
        case Qt::Key_Up: geometry_.Pan(0, kStep); break;
        case Qt::Key_Down: geometry_.Pan(0, -kStep); break;
        default: QWidget::keyPressEvent(event); return;
    }
    update();
}

}  // namespace orva
