#include "qt/SweepCurvesOption.h"

#include <QAction>
#include <string>

#include "qt/Guard.h"
#include "qt/MainWindow.h"
#include "shell/start.h"

namespace pw {

SweepCurvesOption::SweepCurvesOption(PwApp& app, MainWindow& window) : app_(app), window_(window) {
  clsCmcProfileIO& prof = app_.gCom.profMain;
  const std::string section = prof.Section;
  prof.Section = kSection;
  bool show = false;
  prof.loadData(kKey, show, false);
  prof.Section = section;
  connect(window_.sweepCurvesAction(), &QAction::triggered, this, [this](bool checked) {
    Guarded("sweep curves", [&] {
      Set(checked);
      Save();
    });
  });
  Set(show);
}

SweepCurvesOption::~SweepCurvesOption() { delete curves_; }

void SweepCurvesOption::Set(bool show) {
  shown_ = show;
  window_.sweepCurvesAction()->setChecked(show);
  if (!show) {
    if (curves_) curves_->hide();
    return;
  }
  if (!curves_) {
    curves_ = new SweepCurvesWindow(&window_);
    connect(curves_, &SweepCurvesWindow::closedByUser, this, [this] {
      Guarded("sweep curves", [&] {
        Set(false);
        Save();
      });
    });
  }
  curves_->Follow(app_.records.record());
  if (!placed_ && window_.isVisible()) {
    curves_->PlaceBeside(window_);
    placed_ = true;
  }
  curves_->show();
}

void SweepCurvesOption::Follow() {
  if (!curves_ || !shown_) return;
  // Opened with the setting before the main window was shown: placed now.
  if (!placed_ && window_.isVisible()) {
    curves_->PlaceBeside(window_);
    placed_ = true;
  }
  curves_->Follow(app_.records.record());
}

void SweepCurvesOption::Save() const {
  // Only this section's key is written; the rest of the file stays as it was.
  clsCmcProfileIO& prof = app_.gCom.profMain;
  const std::string section = prof.Section;
  prof.Section = kSection;
  prof.saveData(kKey, shown_);
  prof.Section = section;
}

}  // namespace pw
