#include "ui/CCursorPeekControl.h"

#include <QPainter>

namespace orva {

CCursorPeekControl::CCursorPeekControl(const ProfileAverager& profile, QWidget* parent)
    : QWidget(parent), profile_(profile) {
    setAccessibleName("Line profile");
    setToolTip("The pixel values across the pixel under the mouse");
}

void CCursorPeekControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Base));
    p.setPen(pal.color(QPalette::WindowText));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!profile_.HasValues()) {
        p.drawText(rect(), Qt::AlignCenter, "Move the mouse over the picture");
        return;
    }
    const int low = profile_.Minimum();
    const int high = profile_.Maximum();
    const double span = std::max(1, high - low);
    const QRectF graph = QRectF(rect()).adjusted(6, 18, -6, -6);
    QPolygonF line;
    const auto& values = profile_.Values();
    for (std::size_t i = 0; i < values.size(); ++i) {
        line << QPointF(graph.left() + graph.width() * static_cast<double>(i) / (values.size() - 1),
                        graph.bottom() - graph.height() * (values[i] - low) / span);
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(pal.color(QPalette::Highlight), 1.5));
    p.drawPolyline(line);
    p.setPen(pal.color(QPalette::Text));
    p.drawText(rect().adjusted(6, 2, -6, 0), Qt::AlignTop | Qt::AlignLeft, QString::asprintf("%d", low));
    p.drawText(rect().adjusted(6, 2, -6, 0), Qt::AlignTop | Qt::AlignRight, QString::asprintf("%d", high));
}

}  // namespace orva
