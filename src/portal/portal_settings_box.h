#pragma once

#include "portal/portal_pace.h"

#include <QGroupBox>

class QCheckBox;
class QSpinBox;

namespace kestrel {

// The portal's part of the setup: how many portal sessions a run uses, how far apart new
// logins start, and whether a client whose taxpayer is logged in to the portal elsewhere is
// skipped (or the session taken over, which logs the taxpayer out there).
class PortalSettingsBox : public QGroupBox {
  Q_OBJECT

 public:
  explicit PortalSettingsBox(QWidget* parent = nullptr);

  QSpinBox* sessionsBox = nullptr;
  QSpinBox* loginGapBox = nullptr;  // seconds
  QCheckBox* skipLoggedInBox = nullptr;

  // Shows the settings as the settings file and the environment give them.
  void load();
  // Writes what the boxes show to the settings file.
  void save();
  PortalPace shown() const;

 private:
  PortalPace loaded_;
};

}  // namespace kestrel
