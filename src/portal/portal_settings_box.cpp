#include "portal/portal_settings_box.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QSpinBox>

namespace kestrel {

PortalSettingsBox::PortalSettingsBox(QWidget* parent) : QGroupBox(tr("e-filing portal"), parent) {
  setObjectName(QStringLiteral("FraPortal"));
  sessionsBox = new QSpinBox(this);
  sessionsBox->setObjectName(QStringLiteral("TxtPortalSessions"));
  sessionsBox->setRange(1, PortalPace::MaxSessions);
  sessionsBox->setToolTip(tr("How many clients are logged in to the portal at the same time"));
  loginGapBox = new QSpinBox(this);
  loginGapBox->setObjectName(QStringLiteral("TxtLoginGap"));
  loginGapBox->setRange(0, PortalPace::MaxLoginSpacingSeconds);
  loginGapBox->setSuffix(tr(" s"));
  loginGapBox->setToolTip(
      tr("With several sessions: the least time between the start of one client's login and "
         "the next one's"));
  skipLoggedInBox = new QCheckBox(tr("Skip clients logged in to the portal elsewhere"), this);
  skipLoggedInBox->setObjectName(QStringLiteral("ChkSkipLoggedIn"));
  skipLoggedInBox->setToolTip(
      tr("Otherwise the run takes their session over, which logs the taxpayer out there"));

  auto* form = new QFormLayout(this);
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  form->addRow(tr("Portal sessions at once:"), sessionsBox);
  form->addRow(tr("Time between new logins:"), loginGapBox);
  form->addRow(skipLoggedInBox);

  // The spacing only matters to several sessions.
  connect(sessionsBox, &QSpinBox::valueChanged, this, [this](int n) { loginGapBox->setEnabled(n > 1); });
}

void PortalSettingsBox::load() {
  loaded_ = ReadPortalPace();
  sessionsBox->setValue(loaded_.sessions);
  loginGapBox->setValue(loaded_.loginSpacingMs / 1000);
  loginGapBox->setEnabled(loaded_.sessions > 1);
  skipLoggedInBox->setChecked(!loaded_.takeOverOpenSession);
}

PortalPace PortalSettingsBox::shown() const {
  PortalPace pace = loaded_;
  pace.sessions = sessionsBox->value();
  pace.loginSpacingMs = loginGapBox->value() * 1000;
  pace.takeOverOpenSession = !skipLoggedInBox->isChecked();
  return pace;
}

void PortalSettingsBox::save() {
  SavePortalPace(shown());
  loaded_ = shown();
}

}  // namespace kestrel
