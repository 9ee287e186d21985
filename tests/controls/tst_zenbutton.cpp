#include "controls/zen_button.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

using namespace kestrel;
using namespace Qt::Literals::StringLiterals;
using Look = ZENButton::Look;

namespace {

// Distinct "system" colours so every member of a colour set can be told apart.
QPalette systemPalette() {
  QPalette p;
  p.setColor(QPalette::Button, QColor(212, 208, 200));
  p.setColor(QPalette::Midlight, QColor(230, 230, 230));
  p.setColor(QPalette::Light, QColor(255, 255, 255));
  p.setColor(QPalette::Dark, QColor(128, 128, 128));
  p.setColor(QPalette::Shadow, QColor(64, 64, 64));
  p.setColor(QPalette::ButtonText, QColor(1, 2, 3));
  p.setColor(QPalette::Highlight, QColor(0, 120, 215));
  return p;
}

QPixmap twoHalves(const QColor& left, const QColor& right) {
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(right);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 4; ++x) image.setPixelColor(x, y, left);
  return QPixmap::fromImage(image);
}

QFont otherFont() {
  QFont f(u"Serif"_s, 13);
  f.setBold(true);
  return f;
}

std::unique_ptr<ZENButton> makeButton(int type = 2, QWidget* parent = nullptr) {
  auto b = std::make_unique<ZENButton>(parent);
  b->setPalette(systemPalette());
  b->resize(100, 40);
  b->setButtonType(type);
  b->setCaption(u"&Save"_s);
  b->setPointerProbe([](const ZENButton&) { return true; });
  return b;
}

void mouse(QWidget& w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at = {50, 20},
           Qt::KeyboardModifiers mods = {}) {
  QMouseEvent e(type, QPointF(at), QPointF(w.mapToGlobal(at)), button, held, mods);
  QApplication::sendEvent(&w, &e);
}

void key(QWidget& w, QEvent::Type type, Qt::Key k) {
  QString text;
  if (k == Qt::Key_Space)
    text = u" "_s;
  else if (k >= Qt::Key_A && k <= Qt::Key_Z)
    text = QString(QChar(u'a' + (k - Qt::Key_A)));
  QKeyEvent e(type, k, Qt::NoModifier, text);
  QApplication::sendEvent(&w, &e);
}

void focusIn(QWidget& w) {
  QFocusEvent e(QEvent::FocusIn);
  QApplication::sendEvent(&w, &e);
}

void flush() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

QString lookName(Look look) {
  return QString::fromLatin1(QMetaEnum::fromType<Look>().valueToKey(static_cast<int>(look)));
}

// Every event the button raises, with the look it had at that moment.
void logEvents(ZENButton& b, QStringList* log) {
  const auto add = [&b, log](const QString& what) { log->append(what + u' ' + lookName(b.look())); };
  const auto mouseEntry = [add](const QString& name) {
    return [add, name](int button, int shift, double, double) {
      add(u"%1 %2 %3"_s.arg(name).arg(button).arg(shift));
    };
  };
  QObject::connect(&b, &ZENButton::MouseDown, &b, mouseEntry(u"MouseDown"_s));
  QObject::connect(&b, &ZENButton::MouseUp, &b, mouseEntry(u"MouseUp"_s));
  QObject::connect(&b, &ZENButton::KeyDown, &b,
                   [add](int& k, int s) { add(u"KeyDown %1 %2"_s.arg(k).arg(s)); });
  QObject::connect(&b, &ZENButton::KeyUp, &b, [add](int& k, int s) { add(u"KeyUp %1 %2"_s.arg(k).arg(s)); });
  QObject::connect(&b, &ZENButton::KeyPress, &b, [add](int& a) { add(u"KeyPress %1"_s.arg(a)); });
  QObject::connect(&b, &ZENButton::Click, &b, [add] { add(u"Click"_s); });
}

// "a|b|c" as a list, to keep the expected event logs readable.
QStringList list(const char* items) {
  return QString::fromLatin1(items).split(u'|');
}

bool sameStored(const QVariant& actual, const QVariant& expected) {
  if (expected.metaType() == QMetaType::fromType<QPixmap>())
    return actual.value<QPixmap>().toImage() == expected.value<QPixmap>().toImage();
  return actual == expected;
}

QVariant colour(const QColor& c) {
  return QVariant::fromValue(ColorRef(c));
}
QVariant sysColour(SysColor c) {
  return QVariant::fromValue(ColorRef::system(c));
}

// Every stored key, in the order the property bag holds them, with a value other than the one
// a new button has.
const char* const kStoredKeys =
    "BTYPE|TX|ENAB|FONT|COLTYPE|FOCUSR|BCOL|BCOLO|FCOL|FCOLO|MCOL|MPTR|MICON|PICN|PICH|UMCOL|SOFT|PICPOS|"
    "NGREY|FX|HAND|CHECK|VALUE";
QVariantList storedValues() {
  const auto pic = [](Qt::GlobalColor c) { return QVariant::fromValue(twoHalves(c, Qt::blue)); };
  return QVariantList() << 9 << u"&Save"_s << false << QVariant::fromValue(otherFont()) << 3 << false
                        << colour(QColor(10, 20, 30)) << colour(QColor(40, 50, 60))
                        << colour(QColor(70, 80, 90)) << sysColour(SysColor::Highlight)
                        << colour(QColor(255, 0, 255)) << 11 << pic(Qt::red) << pic(Qt::green)
                        << pic(Qt::yellow) << false << true << 3 << true << 2 << true << true << true;
}

}  // namespace

class TestZenButton : public QObject {
  Q_OBJECT

 private slots:
  void storedPropertiesRoundTrip() {
    const QStringList keys = list(kStoredKeys);
    const QVariantList values = storedValues();
    PropertyBag in;
    for (qsizetype i = 0; i < keys.size(); ++i) in.WriteProperty(keys[i], values[i]);
    auto b = makeButton();
    b->clearPropertyChanged();
    b->ReadProperties(in);
    QVERIFY(!b->isPropertyChanged());
    QCOMPARE(in.readKeys(), keys);
    PropertyBag out;
    b->WriteProperties(out);
    QCOMPARE(out.keys(), keys);
    for (qsizetype i = 0; i < keys.size(); ++i)
      QVERIFY2(sameStored(out.ReadProperty(keys[i]), values[i]), qPrintable(keys[i]));

    // Without their own keys the hover colours follow the colours just read, and the font stays.
    PropertyBag colours;
    colours.WriteProperty(u"BCOL"_s, colour(QColor(1, 1, 1)));
    colours.WriteProperty(u"FCOL"_s, colour(QColor(2, 2, 2)));
    b->ReadProperties(colours);
    PropertyBag reset;
    b->WriteProperties(reset);
    QCOMPARE(reset.ReadProperty(u"BCOLO"_s), colour(QColor(1, 1, 1)));
    QCOMPARE(reset.ReadProperty(u"FCOLO"_s), colour(QColor(2, 2, 2)));
    QCOMPARE(reset.ReadProperty(u"FONT"_s).value<QFont>(), otherFont());
    QCOMPARE(reset.ReadProperty(u"BTYPE"_s), QVariant(2));
  }

  void pointerAfterLoad_data() {
    QTest::addColumn<bool>("hand");
    QTest::addColumn<int>("pointer");
    QTest::addColumn<Qt::CursorShape>("shape");
    QTest::newRow("hand over hourglass") << true << 11 << Qt::PointingHandCursor;
    QTest::newRow("hourglass") << false << 11 << Qt::WaitCursor;
  }
  void pointerAfterLoad() {
    QFETCH(bool, hand);
    QFETCH(int, pointer);
    QFETCH(Qt::CursorShape, shape);
    auto saver = makeButton();
    saver->setHandPointer(hand);
    saver->setMousePointer(pointer);
    PropertyBag bag;
    saver->WriteProperties(bag);
    auto loaded = makeButton();
    loaded->ReadProperties(bag);
    QCOMPARE(loaded->cursor().shape(), shape);
  }

  // face, hover face, light, highlight, shadow, dark shadow, text, hover text, selection, tint, mask
  void colourSet_data() {
    QTest::addColumn<int>("scheme");
    QTest::addColumn<bool>("soft");
    QTest::addColumn<QStringList>("expected");
    const QStringList system = list(
        "212,208,200|212,208,200|230,230,230|255,255,255|128,128,128|64,64,64|1,2,3|1,2,3|0,120,215|"
        "176,213,242|192,192,192");
    const QStringList fixed = list(
        "192,192,192|192,192,192|223,223,223|255,255,255|128,128,128|0,0,0|0,0,0|0,0,0|0,0,128|"
        "173,173,209|192,192,192");
    QTest::newRow("1") << 1 << false << system;
    QTest::newRow("7 is 1") << 7 << false << system;
    QTest::newRow("2 clamps") << 2 << false
                              << list(
                                     "250,10,128|90,90,90|255,41,159|255,57,175|186,0,64|58,0,0|5,6,7|"
                                     "8,9,10|122,0,0|250,10,128|192,192,192");
    QTest::newRow("2 soft halves") << 2 << true
                                   << list(
                                          "250,10,128|90,90,90|255,25,143|255,33,151|218,0,96|154,0,32|"
                                          "5,6,7|8,9,10|186,0,64|250,10,128|192,192,192");
    QTest::newRow("3") << 3 << false << fixed;
    QTest::newRow("4 parent") << 4 << false
                              << list(
                                     "200,190,180|200,190,180|231,221,211|247,237,227|136,126,116|8,0,0|"
                                     "20,30,40|20,30,40|0,120,215|176,213,242|192,192,192");
  }
  void colourSet() {
    QFETCH(int, scheme);
    QFETCH(bool, soft);
    QFETCH(QStringList, expected);
    QWidget parent;
    QPalette surface;
    surface.setColor(QPalette::Window, QColor(200, 190, 180));
    surface.setColor(QPalette::WindowText, QColor(20, 30, 40));
    parent.setPalette(surface);
    auto b = makeButton(2, &parent);
    b->setBackColor(QColor(250, 10, 128));
    b->setBackOver(QColor(90, 90, 90));
    b->setForeColor(QColor(5, 6, 7));
    b->setForeOver(QColor(8, 9, 10));
    b->setSoftBevel(soft);
    b->setColorScheme(scheme);
    const ZenColorSet& c = b->colorSet();
    QStringList actual;
    for (const QColor& x : {c.face, c.hoverFace, c.light, c.highlight, c.shadow, c.darkShadow, c.text,
                            c.hoverText, c.selection, c.selectionTint, c.mask})
      actual.append(u"%1,%2,%3"_s.arg(x.red()).arg(x.green()).arg(x.blue()));
    QCOMPARE(actual, expected);
  }

  void colourSetFollowsChanges() {
    auto b = makeButton();
    b->setColorScheme(2);
    b->setBackColor(QColor(100, 100, 100));
    QCOMPARE(b->colorSet().light, QColor(131, 131, 131));
    b->setSoftBevel(true);
    QCOMPARE(b->colorSet().light, QColor(115, 115, 115));
    b->setBackColor(ColorRef::system(SysColor::Highlight));  // resolved through the palette
    QCOMPARE(b->colorSet().face, QColor(0, 120, 215));
    b->setMaskColor(ColorRef::system(SysColor::ButtonText));
    QCOMPARE(b->colorSet().mask, QColor(1, 2, 3));
    b->setColorScheme(1);
    QPalette p = systemPalette();
    p.setColor(QPalette::Button, QColor(10, 20, 30));
    b->setPalette(p);
    QCOMPARE(b->colorSet().face, QColor(10, 20, 30));
  }

  void mouseEventOrder_data() {
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<Qt::KeyboardModifiers>("mods");
    QTest::addColumn<QPoint>("releaseAt");
    QTest::addColumn<QStringList>("expected");
    const Qt::KeyboardModifiers none;
    const QPoint inside(50, 20);
    QTest::newRow("left") << Qt::LeftButton << none << inside
                          << list("MouseDown 1 0 Normal|MouseUp 1 0 Pressed|Click Normal|end Normal");
    QTest::newRow("left released outside") << Qt::LeftButton << none << QPoint(-5, -5)
                                           << list("MouseDown 1 0 Normal|MouseUp 1 0 Pressed|end Normal");
    QTest::newRow("right") << Qt::RightButton << none << inside
                           << list("MouseDown 2 0 Normal|MouseUp 2 0 Normal|end Normal");
    QTest::newRow("middle, shift+ctrl+alt")
        << Qt::MiddleButton << (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier) << inside
        << list("MouseDown 4 7 Normal|MouseUp 4 7 Pressed|end Normal");
  }
  void mouseEventOrder() {
    QFETCH(Qt::MouseButton, button);
    QFETCH(Qt::KeyboardModifiers, mods);
    QFETCH(QPoint, releaseAt);
    QFETCH(QStringList, expected);
    auto b = makeButton();
    QStringList log;
    logEvents(*b, &log);
    mouse(*b, QEvent::MouseButtonPress, button, button, {50, 20}, mods);
    mouse(*b, QEvent::MouseButtonRelease, button, Qt::NoButton, releaseAt, mods);
    log.append(u"end "_s + lookName(b->look()));
    QCOMPARE(log, expected);
  }

  void keyEventOrder_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("space") << list("+Space|-Space")
                           << list(
                                  "KeyDown 32 0 Normal|KeyPress 32 Pressed|KeyUp 32 0 Pressed|Click Normal|"
                                  "end Normal");
    QTest::newRow("space down, other key up")
        << list("+Space|-A")
        << list("KeyDown 32 0 Normal|KeyPress 32 Pressed|KeyUp 65 0 Pressed|end Pressed");
    QTest::newRow("other key down, space up")
        << list("+A|-Space") << list("KeyDown 65 0 Normal|KeyPress 97 Normal|KeyUp 32 0 Normal|end Normal");
    QTest::newRow("space, other key, space up")
        << list("+Space|+A|-Space")
        << list(
               "KeyDown 32 0 Normal|KeyPress 32 Pressed|KeyDown 65 0 Pressed|KeyPress 97 Pressed|"
               "KeyUp 32 0 Pressed|end Pressed");
  }
  void keyEventOrder() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    auto b = makeButton();
    QStringList log;
    logEvents(*b, &log);
    for (const QString& step : steps) {
      const Qt::Key k = step.mid(1) == u"Space"_s ? Qt::Key_Space : Qt::Key_A;
      key(*b, step.startsWith(u'+') ? QEvent::KeyPress : QEvent::KeyRelease, k);
    }
    log.append(u"end "_s + lookName(b->look()));
    QCOMPARE(log, expected);
  }

  void arrowsMoveFocus_data() {
    QTest::addColumn<Qt::Key>("arrow");
    QTest::addColumn<int>("focused");
    QTest::newRow("left") << Qt::Key_Left << 0;
    QTest::newRow("up") << Qt::Key_Up << 0;
    QTest::newRow("right") << Qt::Key_Right << 2;
    QTest::newRow("down") << Qt::Key_Down << 2;
  }
  void arrowsMoveFocus() {
    QFETCH(Qt::Key, arrow);
    QFETCH(int, focused);
    QWidget window;
    std::vector<std::unique_ptr<ZENButton>> buttons;
    for (int i = 0; i < 3; ++i) {
      buttons.push_back(makeButton(2, &window));
      buttons.back()->move(i * 110, 0);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    buttons[1]->setFocus();
    key(*buttons[1], QEvent::KeyPress, arrow);
    QCOMPARE(window.focusWidget(), buttons[static_cast<size_t>(focused)].get());
  }

  void checkButtonTogglesBeforeClick_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("checkBox");
    QTest::newRow("mouse") << u"mouse"_s << true;
    QTest::newRow("access key") << u"access key"_s << true;
    QTest::newRow("space") << u"space"_s << true;
    QTest::newRow("access key, plain button") << u"access key"_s << false;
  }
  void checkButtonTogglesBeforeClick() {
    QFETCH(QString, how);
    QFETCH(bool, checkBox);
    QWidget window;
    auto b = makeButton(2, &window);
    b->setCheckBoxBehaviour(checkBox);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QList<bool> valueAtClick;
    connect(b.get(), &ZENButton::Click, this, [&] { valueAtClick.append(b->Value()); });
    for (int i = 0; i < 2; ++i) {
      if (how == u"mouse"_s) {
        mouse(*b, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
        mouse(*b, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
      } else if (how == u"space"_s) {
        key(*b, QEvent::KeyPress, Qt::Key_Space);
        key(*b, QEvent::KeyRelease, Qt::Key_Space);
      } else {
        QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
      }
    }
    QCOMPARE(valueAtClick, checkBox ? QList<bool>({true, false}) : QList<bool>({false, false}));
  }

  void hoverOnMove_data() {
    QTest::addColumn<bool>("pressFirst");
    QTest::addColumn<Qt::MouseButtons>("held");
    QTest::addColumn<bool>("over");
    QTest::addColumn<int>("overs");
    QTest::addColumn<Look>("look");
    QTest::newRow("no button, over") << false << Qt::MouseButtons() << true << 1 << Look::Hover;
    QTest::newRow("no button, off") << false << Qt::MouseButtons() << false << 0 << Look::Normal;
    QTest::newRow("left held, over") << true << Qt::MouseButtons(Qt::LeftButton) << true << 0
                                     << Look::Pressed;
    QTest::newRow("left held, off") << true << Qt::MouseButtons(Qt::LeftButton) << false << 0 << Look::Normal;
    QTest::newRow("right held, over")
        << false << Qt::MouseButtons(Qt::RightButton) << true << 0 << Look::Normal;
  }
  void hoverOnMove() {
    QFETCH(bool, pressFirst);
    QFETCH(Qt::MouseButtons, held);
    QFETCH(bool, over);
    QFETCH(int, overs);
    QFETCH(Look, look);
    auto b = makeButton();
    b->setPointerProbe([over](const ZENButton&) { return over; });
    QSignalSpy spy(b.get(), &ZENButton::MouseOver);
    if (pressFirst)
      mouse(*b, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    mouse(*b, QEvent::MouseMove, Qt::NoButton, held);
    mouse(*b, QEvent::MouseMove, Qt::NoButton, held);
    QCOMPARE(spy.count(), overs);
    QCOMPARE(b->isHovered(), overs > 0);
    QCOMPARE(b->overTimer()->isActive(), overs > 0);
    QCOMPARE(b->look(), look);
  }

  void mouseOutWhenPointerLeaves() {
    auto b = makeButton();
    bool over = true;
    b->setPointerProbe([&over](const ZENButton&) { return over; });
    QSignalSpy overs(b.get(), &ZENButton::MouseOver);
    QSignalSpy outs(b.get(), &ZENButton::MouseOut);
    mouse(*b, QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
    b->pollPointer();
    QCOMPARE(outs.count(), 0);
    QVERIFY(b->overTimer()->isActive());
    over = false;
    QTRY_COMPARE(outs.count(), 1);  // raised by OverTimer itself
    QVERIFY(!b->isHovered());
    QVERIFY(!b->overTimer()->isActive());
    QCOMPARE(b->look(), Look::Normal);
    b->pollPointer();
    QCOMPARE(outs.count(), 1);
    over = true;
    mouse(*b, QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
    QCOMPARE(overs.count(), 2);
  }

  void skippedRepaints_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("paints");
    QTest::newRow("press") << list("press") << 1;
    QTest::newRow("press twice") << list("press|press") << 1;
    QTest::newRow("click") << list("press|release") << 2;
    QTest::newRow("release without press") << list("release") << 0;
    QTest::newRow("right press") << list("right") << 0;
    QTest::newRow("moves over") << list("move|move|move") << 1;
    QTest::newRow("caption") << list("caption") << 1;
    QTest::newRow("focus") << list("focus") << 1;
    QTest::newRow("while disabled") << list("disable|press|release|caption|focus|grab") << 0;
    QTest::newRow("refresh after disabled") << list("disable|press|refresh") << 1;
  }
  void skippedRepaints() {
    QFETCH(QStringList, steps);
    QFETCH(int, paints);
    QWidget window;
    window.resize(200, 100);
    auto b = makeButton(2, &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    flush();
    const int before = b->paintCount();
    for (const QString& step : steps) {
      if (step == u"press"_s)
        mouse(*b, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
      else if (step == u"release"_s)
        mouse(*b, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
      else if (step == u"right"_s)
        mouse(*b, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton);
      else if (step == u"move"_s)
        mouse(*b, QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
      else if (step == u"caption"_s)
        b->setCaption(b->Caption() + u'x');
      else if (step == u"focus"_s)
        focusIn(*b);
      else if (step == u"disable"_s)
        b->DisableRefresh();
      else if (step == u"refresh"_s)
        b->Refresh();
      else if (step == u"grab"_s)
        b->grab();
      flush();
    }
    QCOMPARE(b->paintCount() - before, paints);
  }

  // Each style draws each state its own way; styles 7, 8 and 12 share one drawing.
  void stylesAndStatesDiffer() {
    const auto shared = [](int type) { return type == 7 || type == 8 || type == 12; };
    QList<QList<QImage>> shots;  // by style, then Normal, Hover, Pressed, Focused, Disabled
    for (int type = 1; type <= 14; ++type) {
      QList<QImage> s;
      for (Shot how : {Shot::Normal, Shot::Hover, Shot::Pressed, Shot::Focused, Shot::Disabled})
        s.append(shot(type, how));
      const QByteArray at = "style " + QByteArray::number(type);
      QVERIFY2(s[0] != s[1] && s[0] != s[2] && s[1] != s[2], at.constData());
      QVERIFY2(s[3] != s[0] && s[4] != s[0], at.constData());
      shots.append(s);
    }
    for (int i = 0; i < 14; ++i)
      for (int j = i + 1; j < 14; ++j)
        for (int state = 0; state < 3; ++state)
          QVERIFY2((shots[i][state] == shots[j][state]) == (shared(i + 1) && shared(j + 1)),
                   qPrintable(u"styles %1 and %2"_s.arg(i + 1).arg(j + 1)));
  }

  void innerRectAndRegion_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QRect>("small");  // at 100 x 40
    QTest::addColumn<QRect>("large");  // at 120 x 50
    QTest::addColumn<bool>("shaped");
    QTest::newRow("1") << 1 << QRect(0, 0, 100, 40) << QRect(0, 0, 120, 50) << false;
    QTest::newRow("3") << 3 << QRect(0, 0, 100, 40) << QRect(0, 0, 120, 50) << true;
    QTest::newRow("7") << 7 << QRect(3, 3, 94, 34) << QRect(3, 3, 114, 44) << false;
    QTest::newRow("14") << 14 << QRect(10, 10, 82, 22) << QRect(10, 10, 102, 32) << false;
  }
  void innerRectAndRegion() {
    QFETCH(int, type);
    QFETCH(QRect, small);
    QFETCH(QRect, large);
    QFETCH(bool, shaped);
    QWidget window;
    auto b = makeButton(type, &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(b->innerRect(), small);
    b->resize(120, 50);
    QCOMPARE(b->innerRect(), large);
    QCOMPARE(!b->mask().isEmpty(), shaped);
    if (shaped) {
      QVERIFY(!b->mask().contains(QPoint(0, 0)));
      QVERIFY(b->mask().contains(QPoint(60, 25)));
    }
  }

  void pictureTreatment_data() {
    QTest::addColumn<bool>("useMask");
    QTest::addColumn<bool>("grey");
    QTest::addColumn<bool>("hover");
    QTest::addColumn<QColor>("maskPart");
    QTest::addColumn<QColor>("redPart");
    const QColor face(0, 0, 255), overFace(0, 255, 0), red(255, 0, 0);
    QTest::newRow("mask colour clear") << true << false << false << face << red;
    QTest::newRow("mask colour drawn") << false << false << false << QColor(192, 192, 192) << red;
    QTest::newRow("grey until hovered") << true << true << false << face << QColor(87, 87, 87);
    QTest::newRow("colour when hovered") << true << true << true << overFace << red;
  }
  void pictureTreatment() {
    QFETCH(bool, useMask);
    QFETCH(bool, grey);
    QFETCH(bool, hover);
    QFETCH(QColor, maskPart);
    QFETCH(QColor, redPart);
    auto b = makeButton(7);
    b->setCaption(QString());
    b->setColorScheme(2);
    b->setBackColor(QColor(0, 0, 255));
    b->setBackOver(QColor(0, 255, 0));
    b->setPicturePosition(4);
    b->setPictureNormal(twoHalves(QColor(192, 192, 192), Qt::red));
    b->setUseMaskColor(useMask);
    b->setUseGreyscale(grey);
    if (hover)
      mouse(*b, QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
    const QImage image = b->grab().toImage();
    // The 8 x 8 picture is centred on (49, 19): mask-coloured half left, red half right.
    QCOMPARE(image.pixelColor(46, 19), maskPart);
    QCOMPARE(image.pixelColor(51, 19), redPart);
  }

 private:
  enum class Shot { Normal, Hover, Pressed, Focused, Disabled };

  QImage shot(int type, Shot how) {
    auto b = makeButton(type);
    switch (how) {
      case Shot::Hover:
        mouse(*b, QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
        break;
      case Shot::Pressed:
        mouse(*b, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
        break;
      case Shot::Focused:
        focusIn(*b);
        break;
      case Shot::Disabled:
        b->setEnabled(false);
        break;
      case Shot::Normal:
        break;
    }
    return b->grab().toImage();
  }
};

QTEST_MAIN(TestZenButton)
#include "tst_zenbutton.moc"
