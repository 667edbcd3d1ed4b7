#include "OrvacamScript.h"

#include "common/Log.h"
#include "processing/BrightestStar.h"
#include "station/Station.h"
#include "ui/CD2DControl.h"
#include "ui/CDlgGuiding.h"
#include "ui/CDlgPlatesolving.h"
#include "ui/CDlgTelescope.h"
#include "ui/CHistogramControl.h"
#include "ui/CMainFrame.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace orva {
namespace {

// The mount, the star and the click get this long (the INDI server answers in real time).
constexpr qint64 kGuideStepsLimitMs = 120000;

}  // namespace

OrvacamScript::OrvacamScript(CMainFrame& frame, const OrvacamOptions& options) : frame_(frame), options_(options) {
    connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
}

void OrvacamScript::Start() {
    if (options_.screenshot.empty() && !options_.record && options_.plateSolve.empty() &&
        options_.guideClickFile.empty()) {
        return;
    }
    if (options_.record) step_ = Step::WaitRecording;
    if (!options_.plateSolve.empty()) step_ = Step::WaitStreamToSolve;
    if (!options_.guideClickFile.empty()) step_ = Step::GuideConnect;
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
    if (!options_.guideClickFile.empty()) {
        // Whether guiding still runs, and where the box lies in the grab.
        const CDlgGuiding& guiding = frame_.Tools().ShowGuiding();
        const QString target = guiding.Target()->text();
        const int x = target.section(" / ", 0, 0).toInt();
        const int y = target.section(" / ", 1, 1).toInt();
        const QPointF at = view.ViewPointOf(x, y) + QPointF(viewOrigin);
        probe << "guiding " << (guiding.StopButton()->isEnabled() ? 1 : 0) << " " << x << " " << y << " "
              << static_cast<int>(at.x()) << " " << static_cast<int>(at.y()) << "\n";
    }
    return true;
}

bool OrvacamScript::GuideConnect() {
    CDlgTelescope& window = frame_.Tools().ShowTelescope();
    // Beside the main window, so that nothing covers the live view.
    window.move(frame_.frameGeometry().right() + 10, 0);
    TelescopeDialogModel& model = *frame_.Tools().Telescope();
    TelescopeWorker& worker = model.Worker();
    if (!worker.Connected()) {
        QPushButton* connect = window.Button("Connect");
        if (!connectAsked_ && connect != nullptr && connect->isEnabled()) {
            connect->click();
            connectAsked_ = true;
        }
        return false;
    }
    if (!worker.Tracking()) {
        if (!trackingAsked_) model.OnTrackingCheck(true);
        trackingAsked_ = true;
        return false;
    }
    return true;
}

bool OrvacamScript::GuideChoose() {
    CDlgGuiding& guiding = frame_.Tools().ShowGuiding();
    guiding.move(frame_.frameGeometry().right() + 10, 420);
    if (!selectAsked_) {
        guiding.SelectButton()->click();
        selectAsked_ = true;
        return false;
    }
    // The pictures carry the frame's pixels while a star is chosen.
    const DisplayPicture& picture = frame_.Target().Picture();
    if (picture.raw.empty()) return false;
    const int radius = guiding.Size()->currentText().section(' ', 0, 0).toInt() / 2;
    const auto star = BrightestStar::Find(picture.raw.data(), picture.width, picture.height, radius);
    if (!star) {
        std::fprintf(stderr, "orvacam: no guiding star in the picture\n");
        step_ = Step::Done;
        return false;
    }
    // Beside the star: the click snaps to it.
    CD2DControl& view = frame_.View();
    const QPoint at = view.mapToGlobal(view.ViewPointOf(star->column + 3, star->row - 2).toPoint());
    const std::string part = options_.guideClickFile + ".part";
    {
        std::ofstream out(part);
        out << at.x() << " " << at.y() << " " << star->column << " " << star->row << "\n";
    }
    std::error_code error;
    std::filesystem::rename(part, options_.guideClickFile, error);
    return !error;
}

bool OrvacamScript::GuideClicked() {
    CDlgGuiding& guiding = frame_.Tools().ShowGuiding();
    guiding.OnTimer();
    if (!guiding.StartButton()->isEnabled()) return false;
    guiding.StartButton()->click();
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
    if (step_ == Step::GuideConnect || step_ == Step::GuideChoose || step_ == Step::GuideClicked) {
        if (elapsed > kGuideStepsLimitMs) {
            std::fprintf(stderr, "orvacam: guiding did not start (step %d)\n", static_cast<int>(step_));
            step_ = Step::Done;
        } else if (frame_.Target().Picture().width <= 0) {
            return;  // the camera streams first
        } else if (step_ == Step::GuideConnect) {
            if (GuideConnect()) step_ = Step::GuideChoose;
            return;
        } else if (step_ == Step::GuideChoose) {
            if (GuideChoose()) step_ = Step::GuideClicked;
            return;
        } else {
            if (!GuideClicked()) return;
            startedMs_ = QDateTime::currentMSecsSinceEpoch();
            step_ = Step::WaitFirst;
            return;
        }
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
