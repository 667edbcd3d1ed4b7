#include "OrvacamScript.h"

#include "common/Log.h"
#include "station/Station.h"
#include "ui/CD2DControl.h"
#include "ui/CDlgPlatesolving.h"
#include "ui/CHistogramControl.h"
#include "ui/CMainFrame.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>
#include <QPixmap>

#include <cstdio>
#include <fstream>

namespace orva {

OrvacamScript::OrvacamScript(CMainFrame& frame, const OrvacamOptions& options) : frame_(frame), options_(options) {
    connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
}

void OrvacamScript::Start() {
    if (options_.screenshot.empty() && !options_.record && options_.plateSolve.empty()) return;
    if (options_.record) step_ = Step::WaitRecording;
    if (!options_.plateSolve.empty()) step_ = Step::WaitStreamToSolve;
    startedMs_ = QDateTime::currentMSecsSinceEpoch();
    timer_.start(50);
}

bool OrvacamScript::Grab(const std::string& path) {
    const DisplayPicture& picture = frame_.Target().Picture();
    if (picture.width <= 0) return false;
    const QPixmap pixmap = frame_.grab();
    if (!pixmap.save(QString::fromStdString(path), "PNG")) {
        std::fprintf(stderr, "orvacam: cannot save %s\n", path.c_str());
        return true;
    }
    CD2DControl& view = frame_.View();
    const QPoint viewOrigin = view.mapTo(&frame_, QPoint(0, 0));
    const auto r = view.Geometry().PictureRect();
    std::ofstream probe(path + ".txt");
    probe << "picture " << picture.width << " " << picture.height << " " << viewOrigin.x() + r.x << " "
          << viewOrigin.y() + r.y << " " << r.width << " " << r.height << "\n";
    const auto levels = frame_.Histogram().Levels();
    probe << "levels " << levels.background << " " << levels.white << " " << levels.midtone << " "
          << levels.midtoneMax << "\n";
    const QPoint histogramOrigin = frame_.HistogramControl().mapTo(&frame_, QPoint(0, 0));
    probe << "histogram " << histogramOrigin.x() << " " << histogramOrigin.y() << " "
          << frame_.HistogramControl().width() << " " << frame_.HistogramControl().height() << "\n";
    if (const auto& arrow = view.PlateSolvingArrowShown()) {
        // The offset arrow from the picture's pixels to the grab's, and its two offsets.
        const auto at = [&](double x, double y) {
            return QPointF(viewOrigin.x() + r.x + x * r.width / picture.width,
                           viewOrigin.y() + r.y + y * r.height / picture.height);
        };
        const QPointF from = at(arrow->startX, arrow->startY);
        const QPointF to = at(arrow->endX, arrow->endY);
        probe << "arrow " << from.x() << " " << from.y() << " " << to.x() << " " << to.y() << " "
              << arrow->declinationArcmin << " " << arrow->rightAscensionArcmin << "\n";
    }
    if (options_.probe && picture.profile.captured) {
        const auto [x, y] = *options_.probe;
        const QPointF at = view.ViewPointOf(x, y) + QPointF(viewOrigin);
        const uint32_t shown = picture.pixels[static_cast<std::size_t>(y) * picture.width + x];
        probe << "probe " << x << " " << y << " " << static_cast<int>(at.x()) << " " << static_cast<int>(at.y()) << " "
              << picture.profile.values[16] << " " << (shown & 0xFF) << "\n";
    }
    return true;
}

bool OrvacamScript::StartPlateSolve() {
    CDlgPlatesolving& window = frame_.Tools().ShowPlateSolving();
    const int index = window.Files()->findText(QString::fromStdString(options_.plateSolve), Qt::MatchExactly);
    if (index < 0) {
        std::fprintf(stderr, "orvacam: %s is not in the FITS folder\n", options_.plateSolve.c_str());
        return false;
    }
    window.Files()->setCurrentIndex(index);
    window.Scale()->setText(QString::fromStdString(options_.scaleHint));
    window.StartButton()->click();
    if (frame_.GetStation().Tools().PlateSolver().Step() == PlateSolvingStep::Idle) {
        std::fprintf(stderr, "orvacam: the plate solve did not start\n");
        return false;
    }
    return true;
}

void OrvacamScript::Poll() {
    const qint64 elapsed = QDateTime::currentMSecsSinceEpoch() - startedMs_;
    if (step_ == Step::WaitStreamToSolve) {
        if (frame_.Target().Picture().width <= 0) return;
        step_ = StartPlateSolve() ? Step::WaitSolved : Step::Done;
        return;
    }
    if (step_ == Step::WaitSolved) {
        if (frame_.GetStation().Tools().PlateSolver().Step() != PlateSolvingStep::Idle) return;
        startedMs_ = QDateTime::currentMSecsSinceEpoch();
        step_ = Step::WaitFirst;
        return;
    }
    if (step_ == Step::WaitRecording) {
        if (!frame_.Recording().CanStart()) return;
        if (!frame_.Recording().Start(*options_.record)) {
            std::fprintf(stderr, "orvacam: the recording did not start\n");
            step_ = Step::Done;
        } else {
            startedMs_ = QDateTime::currentMSecsSinceEpoch();
            frame_.UpdateCommands();
            step_ = Step::WaitFirst;
            return;
        }
    }
    if (step_ == Step::WaitFirst) {
        if (elapsed < options_.afterMs) return;
        if (!options_.screenshot.empty() && !Grab(options_.screenshot)) return;
        if (options_.restretch) {
            frame_.Histogram().SetLevels(options_.restretch->first, options_.restretch->second);
            frame_.HistogramControl().update();
            // A frame being composed now may still use the old table: wait for the next.
            firstAfterChange_ = frame_.Target().Picture().sequence + 2;
            step_ = Step::WaitRestretched;
            return;
        }
        step_ = Step::Done;
    } else if (step_ == Step::WaitRestretched) {
        if (frame_.Target().Picture().sequence < firstAfterChange_) return;
        // Painted with the new picture before the grab.
        frame_.View().repaint();
        if (!Grab(options_.screenshot2)) return;
        step_ = Step::Done;
    }
    if (step_ == Step::Done) {
        // A message box (the solve's result) runs its own loop inside a window's handler:
        // closed first, so that closing the window does not pull that handler away.
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
            return;
        }
        timer_.stop();
        if (options_.quit) frame_.close();
    }
}

}  // namespace orva
