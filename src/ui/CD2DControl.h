#pragma once
// The live view: shows the newest composed picture scaled to the control ("scale to
// fit") or at the zoom factor ("aspect scale", panned by dragging or the arrow keys),
// with its overlays: the GPS-fix warning, the crosshair, the guiding box and the record's
// text line. The mouse position sets the profile centre; while a guiding star is being
// chosen a click chooses it (LiveViewGuiding); while zones are edited a click toggles the
// block under it.
//
// Threads: GUI thread only. It reads only the picture LiveViewTarget handed over; it
// never touches the frame path's buffers.

#include "display/LiveViewGuiding.h"
#include "display/LiveViewTarget.h"
#include "display/ViewGeometry.h"
#include "display/ZoneMatrix.h"
#include "telescope/PlateSolvingOffset.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <utility>

class QPainter;

namespace orva {

class CD2DControl final : public QWidget {
public:
    CD2DControl(LiveViewTarget& target, ZoneMatrix& zones, QWidget* parent = nullptr);

    // The picture the target handed over last; repaints.
    void Refresh();
    void SetFullFix(bool on);
    void SetCrosshair(bool on);
    bool Crosshair() const { return crosshair_; }
    void SetNightVision(bool on);
    // Whether the camera mirrors the picture horizontally (x) and vertically (y), so that
    // directions on the sky can be drawn the right way round.
    void SetMirroring(bool x, bool y);
    bool MirrorX() const { return mirrorX_; }
    bool MirrorY() const { return mirrorY_; }
    // The preview mode and the zoom of the aspect-scale mode.
    void SetPreview(ViewGeometry::ZoomMode mode, int zoomPercent);
    // The mouse wheel asks for the next zoom in (+1) or out (-1), in aspect scale only.
    void SetZoomStep(std::function<void(int)> step) { zoomStep_ = std::move(step); }
    ViewGeometry& Geometry() { return geometry_; }
    // A fixed profile centre (picture pixel) used while the mouse is outside the view.
    void SetFixedProfileCentre(std::optional<std::pair<int, int>> centre);
    // The plate-solving offset to draw (picture pixels), none: nothing.
    void SetPlateSolvingArrow(std::optional<PlateSolvingArrow> arrow);
    const std::optional<PlateSolvingArrow>& PlateSolvingArrowShown() const { return solveArrow_; }
    // Window coordinates of a picture pixel's centre.
    QPointF ViewPointOf(int x, int y) const;
    // The guiding record's side of the view; none: no guiding box, clicks never choose a star.
    void SetGuiding(LiveViewGuiding* guiding) { guiding_ = guiding; }
    // Called when the zones changed by a click.
    void SetZonesChanged(std::function<void()> callback) { zonesChanged_ = std::move(callback); }

    QSize sizeHint() const override { return {800, 500}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void DrawPlateSolvingArrow(QPainter& p, const QColor& colour) const;
    void UpdateProfileCentre(std::optional<std::pair<int, int>> pixel);
    void PaintGuiding(QPainter& p, const QColor& active);

    LiveViewTarget& target_;
    ZoneMatrix& zones_;
    ViewGeometry geometry_;
    bool fullFix_ = true;
    bool crosshair_ = false;
    bool nightVision_ = false;
    bool mirrorX_ = false;
    bool mirrorY_ = false;
    std::optional<QPointF> dragFrom_;
    std::optional<std::pair<int, int>> fixedCentre_;
    std::function<void()> zonesChanged_;
    std::optional<PlateSolvingArrow> solveArrow_;
    std::function<void(int)> zoomStep_;
    LiveViewGuiding* guiding_ = nullptr;
};

}  // namespace orva
