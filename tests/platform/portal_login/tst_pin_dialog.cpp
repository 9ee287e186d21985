// The PIN dialog: where it stands beside the run's progress panel, its one size, and that the
// run's Cancel stays usable while it waits.
#include "pin_dialog.h"
#include "portal_login_component.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace kestrel;

namespace {

struct Placement {
  QSize dialog;
  QRect window, panel, cancel, screen;
  bool clearOfPanel;  // else clear of the Cancel button only
};

}  // namespace

Q_DECLARE_METATYPE(Placement)

class TstPinDialog : public QObject {
  Q_OBJECT

 private slots:
  void placement_data() {
    QTest::addColumn<Placement>("p");
    const QRect screen(0, 0, 1024, 640);
    const QRect window(0, 0, 1024, 640);
    QTest::newRow("above or below the panel")
        << Placement{{420, 200}, window, {262, 260, 500, 130}, {660, 350, 90, 28}, screen, true};
    QTest::newRow("panel near the top: below it")
        << Placement{{420, 200}, window, {262, 40, 500, 130}, {660, 130, 90, 28}, screen, true};
    QTest::newRow("tall panel: clear of its Cancel")
        << Placement{{420, 200}, window, {262, 20, 500, 600}, {660, 580, 90, 28}, screen, false};
    QTest::newRow("low screen: beside the Cancel") << Placement{
        {420, 200}, {0, 0, 1024, 300}, {262, 20, 500, 260}, {660, 140, 90, 28}, {0, 0, 1024, 300}, false};
    QTest::newRow("Cancel at the left: right of it") << Placement{
        {420, 200}, {0, 0, 1024, 300}, {20, 20, 500, 260}, {30, 140, 90, 28}, {0, 0, 1024, 300}, false};
    QTest::newRow("window off the screen's edge")
        << Placement{{420, 200}, {700, 0, 1024, 640}, {962, 260, 500, 130}, {990, 350, 30, 28}, screen, true};
  }
  void placement() {
    QFETCH(Placement, p);
    const QRect at(PinDialogPosition(p.dialog, p.window, p.panel, p.cancel, p.screen), p.dialog);
    QVERIFY(p.screen.contains(at));
    QVERIFY(!at.intersects(p.cancel));
    QCOMPARE(at.intersects(p.panel), !p.clearOfPanel);
  }

  // Beside a run's progress panel the dialog blocks no window, so that the run's Cancel stays
  // usable, stands clear of it and keeps one size; the cancel mark closes it unanswered.
  void dialogBesideTheRun() {
    QWidget window;
    window.resize(760, 560);
    QWidget panel(&window);
    panel.setGeometry(180, 200, 400, 140);
    QPushButton cancel(QStringLiteral("Cancel"), &panel);
    cancel.setObjectName(QStringLiteral("cmdprogC"));
    cancel.setGeometry(300, 100, 90, 28);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));

    bool cancelled = false;
    bool seen = false;
    QTimer::singleShot(50, &window, [&] {
      auto* dialog = window.findChild<QDialog*>(QStringLiteral("dlgPortalPin"));
      QVERIFY(dialog && dialog->isVisible());
      seen = true;
      QVERIFY(!QApplication::activeModalWidget());
      QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
      QVERIFY(dialog->width() >= dialog->fontMetrics().averageCharWidth() * 50);
      QVERIFY(!dialog->frameGeometry().intersects(QRect(cancel.mapToGlobal(QPoint()), cancel.size())));
      cancelled = true;
    });
    const PinRequest request{QStringLiteral("AAAPA0001A"), QStringLiteral("98XXXXXX10"),
                             QStringLiteral("a***@example.in"), QString(), 1};
    QVERIFY(!PinDialogProvider(5000)(request, [&] { return cancelled; }));
    QVERIFY(seen);
  }
};

QTEST_MAIN(TstPinDialog)
#include "tst_pin_dialog.moc"
