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
  const std::pair<QPalette::ColorRole, QColor> roles[] = {
      {QPalette::Button, {212, 208, 200}}, {QPalette::Midlight, {230, 230, 230}},
      {QPalette::Light, Qt::white},        {QPalette::Dark, {128, 128, 128}},
      {QPalette::Shadow, {64, 64, 64}},    {QPalette::ButtonText, {1, 2, 3}},
      {QPalette::Highlight, {0, 120, 215}}};
  for (const auto& [role, colour] : roles) p.setColor(role, colour);
  return p;
}

QPixmap twoHalves(const QColor& left, const QColor& right) {
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(right);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 4; ++x) image.setPixelColor(x, y, left);
  return QPixmap::fromImage(image);
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

// User actions by name, "|"-separated: "+Space" / "-A" press / release a key, the rest below.
void act(ZENButton& b, const QString& steps) {
  using E = QEvent;
  using Mouse = std::tuple<E::Type, Qt::MouseButton, Qt::MouseButtons>;
  static const QHash<QString, Mouse> mouseSteps = {
      {u"press"_s, {E::MouseButtonPress, Qt::LeftButton, Qt::LeftButton}},
      {u"release"_s, {E::MouseButtonRelease, Qt::LeftButton, {}}},
      {u"releaseOff"_s, {E::MouseButtonRelease, Qt::LeftButton, {}}},  // released outside
      {u"right"_s, {E::MouseButtonPress, Qt::RightButton, Qt::RightButton}},
      {u"rightUp"_s, {E::MouseButtonRelease, Qt::RightButton, {}}},
      {u"middle"_s, {E::MouseButtonPress, Qt::MiddleButton, Qt::MiddleButton}},  // with all shifts
      {u"middleUp"_s, {E::MouseButtonRelease, Qt::MiddleButton, {}}},
      {u"move"_s, {E::MouseMove, Qt::NoButton, {}}},
      {u"drag"_s, {E::MouseMove, Qt::NoButton, Qt::LeftButton}},
      {u"rightDrag"_s, {E::MouseMove, Qt::NoButton, Qt::RightButton}}};
  for (const QString& step : steps.split(u'|')) {
    if (mouseSteps.contains(step)) {
      const auto [type, button, held] = mouseSteps.value(step);
      const auto mods = button == Qt::MiddleButton ? Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier
                                                   : Qt::KeyboardModifiers();
      const QPointF at = step.endsWith(u"Off"_s) ? QPointF(-5, -5) : QPointF(50, 20);
      QMouseEvent e(type, at, b.mapToGlobal(at), button, held, mods);
      QApplication::sendEvent(&b, &e);
    } else if (step.startsWith(u'+') || step.startsWith(u'-')) {
      const bool a = step.endsWith(u'A');
      QKeyEvent e(step[0] == u'+' ? E::KeyPress : E::KeyRelease, a ? Qt::Key_A : Qt::Key_Space,
                  Qt::NoModifier, a ? u"a"_s : u" "_s);
      QApplication::sendEvent(&b, &e);
    } else if (step == u"off"_s) {
      b.setEnabled(false);
    } else if (step == u"alt+S"_s) {
      QTest::keyClick(b.window(), Qt::Key_S, Qt::AltModifier);
    } else if (step == u"away"_s) {
      b.setPointerProbe([](const ZENButton&) { return false; });
    } else if (step == u"focus"_s) {
      QFocusEvent e(E::FocusIn);
      QApplication::sendEvent(&b, &e);
    } else if (step == u"caption"_s) {
      b.setCaption(b.Caption() + u'x');
    } else if (step == u"disable"_s) {
      b.DisableRefresh();
    } else if (step == u"refresh"_s) {
      b.Refresh();
    } else {
      QCOMPARE(step, u"grab"_s);
      b.grab();
    }
    QCoreApplication::processEvents();
  }
}

QString lookName(Look look) {
  return QString::fromLatin1(QMetaEnum::fromType<Look>().valueToKey(static_cast<int>(look)));
}

// Every event the button raises with its arguments and the look it had at that moment.
void logEvents(ZENButton& b, QStringList* log) {
  const auto entry = [&b, log](const char* name) {
    return [&b, log, name](auto... args) {
      QStringList parts{QString::fromLatin1(name)};
      (parts.append(QString::number(args)), ...);
      log->append(parts.join(u' ') + u' ' + lookName(b.look()));
    };
  };
  QObject::connect(&b, &ZENButton::MouseDown, &b, entry("MouseDown"));
  QObject::connect(&b, &ZENButton::MouseUp, &b, entry("MouseUp"));
  QObject::connect(&b, &ZENButton::KeyDown, &b, entry("KeyDown"));
  QObject::connect(&b, &ZENButton::KeyUp, &b, entry("KeyUp"));
  QObject::connect(&b, &ZENButton::KeyPress, &b, entry("KeyPress"));
  QObject::connect(&b, &ZENButton::Click, &b, entry("Click"));
  QObject::connect(&b, &ZENButton::MouseOver, &b, entry("MouseOver"));
}

QVariant colour(const QColor& c) {
  return QVariant::fromValue(ColorRef(c));
}

}  // namespace

class TestZenButton : public QObject {
  Q_OBJECT

 private slots:
  // Every stored key, in the order the property bag holds them, with a value other than the
  // one a new button has.
  void storedPropertiesRoundTrip() {
    QFont font(u"Serif"_s, 13);
    font.setBold(true);
    const auto pic = [](Qt::GlobalColor c) { return QVariant::fromValue(twoHalves(c, Qt::blue)); };
    const QStringList keys =
        u"BTYPE|TX|ENAB|FONT|COLTYPE|FOCUSR|BCOL|BCOLO|FCOL|FCOLO|MCOL|MPTR|MICON|PICN|"
        "PICH|UMCOL|SOFT|PICPOS|NGREY|FX|HAND|CHECK|VALUE"_s.split(u'|');
    QVariantList values;
    values << 9 << u"&Save"_s << false << QVariant::fromValue(font) << 3 << false << colour({10, 20, 30})
           << colour({40, 50, 60}) << colour({70, 80, 90})
           << QVariant::fromValue(ColorRef::system(SysColor::Highlight)) << colour({255, 0, 255}) << 11
           << pic(Qt::red) << pic(Qt::green) << pic(Qt::yellow) << false << true << 3 << true << 2 << true
           << true << true;
    PropertyBag in;
    for (qsizetype i = 0; i < keys.size(); ++i) in.WriteProperty(keys[i], values[i]);
    auto b = makeButton();
    b->clearPropertyChanged();
    b->ReadProperties(in);
    QVERIFY(!b->isPropertyChanged());
    QCOMPARE(in.readKeys(), keys);
    QCOMPARE(b->cursor().shape(), Qt::PointingHandCursor);  // the hand wins over pointer 11
    PropertyBag out;
    b->WriteProperties(out);
    QCOMPARE(out.keys(), keys);
    for (qsizetype i = 0; i < keys.size(); ++i) {
      const QVariant actual = out.ReadProperty(keys[i]);
      const bool same = values[i].metaType() == QMetaType::fromType<QPixmap>()
                            ? actual.value<QPixmap>().toImage() == values[i].value<QPixmap>().toImage()
                            : actual == values[i];
      QVERIFY2(same, qPrintable(keys[i]));
    }

    // Without their own keys the hover colours follow the colours just read, and the font stays.
    PropertyBag colours;
    colours.WriteProperty(u"BCOL"_s, colour({1, 1, 1}));
    colours.WriteProperty(u"FCOL"_s, colour({2, 2, 2}));
    b->ReadProperties(colours);
    PropertyBag reset;
    b->WriteProperties(reset);
    QCOMPARE(reset.ReadProperty(u"BCOLO"_s), colour({1, 1, 1}));
    QCOMPARE(reset.ReadProperty(u"FCOLO"_s), colour({2, 2, 2}));
    QCOMPARE(reset.ReadProperty(u"FONT"_s).value<QFont>(), font);
    QCOMPARE(reset.ReadProperty(u"BTYPE"_s), QVariant(2));
  }

  // face, light, highlight, shadow, dark shadow, text, selection, selection tint
  void colourSet_data() {
    QTest::addColumn<int>("scheme");
    QTest::addColumn<bool>("soft");
    QTest::addColumn<QString>("expected");
    QTest::newRow("7 is 1")
        << 7 << false
        << u"212,208,200|230,230,230|255,255,255|128,128,128|64,64,64|1,2,3|0,120,215|176,213,242"_s;
    QTest::newRow("2 clamps")
        << 2 << false << u"250,10,128|255,41,159|255,57,175|186,0,64|58,0,0|5,6,7|122,0,0|250,10,128"_s;
    QTest::newRow("2 soft halves")
        << 2 << true << u"250,10,128|255,25,143|255,33,151|218,0,96|154,0,32|5,6,7|186,0,64|250,10,128"_s;
    QTest::newRow("4 parent")
        << 4 << false
        << u"200,190,180|231,221,211|247,237,227|136,126,116|8,0,0|20,30,40|0,120,215|176,213,242"_s;
  }
  void colourSet() {
    QFETCH(int, scheme);
    QFETCH(bool, soft);
    QFETCH(QString, expected);
    QWidget parent;
    QPalette surface;
    surface.setColor(QPalette::Window, QColor(200, 190, 180));
    surface.setColor(QPalette::WindowText, QColor(20, 30, 40));
    parent.setPalette(surface);
    auto b = makeButton(2, &parent);
    b->setBackColor(QColor(250, 10, 128));
    b->setForeColor(QColor(5, 6, 7));
    b->setSoftBevel(soft);
    b->setColorScheme(scheme);
    const ZenColorSet& c = b->colorSet();
    QStringList actual;
    for (const QColor& x :
         {c.face, c.light, c.highlight, c.shadow, c.darkShadow, c.text, c.selection, c.selectionTint})
      actual.append(u"%1,%2,%3"_s.arg(x.red()).arg(x.green()).arg(x.blue()));
    QCOMPARE(actual.join(u'|'), expected);
  }

  void colourSetFollowsChanges() {
    auto b = makeButton();
    b->setColorScheme(2);
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

  void eventOrder_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("expected");  // events with arguments and look, then the final look
    QTest::newRow("click") << u"press|release"_s
                           << u"MouseDown 1 0 50 20 Normal|MouseUp 1 0 50 20 Pressed|Click Normal|Normal"_s;
    QTest::newRow("released off") << u"press|releaseOff"_s
                                  << u"MouseDown 1 0 50 20 Normal|MouseUp 1 0 -5 -5 Pressed|Normal"_s;
    QTest::newRow("right") << u"right|rightUp"_s
                           << u"MouseDown 2 0 50 20 Normal|MouseUp 2 0 50 20 Normal|Normal"_s;
    QTest::newRow("middle, all shifts")
        << u"middle|middleUp"_s << u"MouseDown 4 7 50 20 Normal|MouseUp 4 7 50 20 Pressed|Normal"_s;
    QTest::newRow("space")
        << u"+Space|-Space"_s
        << u"KeyDown 32 0 Normal|KeyPress 32 Pressed|KeyUp 32 0 Pressed|Click Normal|Normal"_s;
    QTest::newRow("other down, space up")
        << u"+A|-Space"_s << u"KeyDown 65 0 Normal|KeyPress 97 Normal|KeyUp 32 0 Normal|Normal"_s;
    QTest::newRow("space, other, space up")
        << u"+Space|+A|-Space"_s
        << u"KeyDown 32 0 Normal|KeyPress 32 Pressed|KeyDown 65 0 Pressed|KeyPress 97 Pressed|KeyUp 32 0 Pressed|Pressed"_s;
    QTest::newRow("hover once") << u"move|move"_s << u"MouseOver Hover|Hover"_s;
    QTest::newRow("move, not over") << u"away|move"_s << u"Normal"_s;
    QTest::newRow("drag over") << u"press|drag|drag"_s << u"MouseDown 1 0 50 20 Normal|Pressed"_s;
    QTest::newRow("drag off") << u"press|away|drag"_s << u"MouseDown 1 0 50 20 Normal|Normal"_s;
    QTest::newRow("right drag") << u"rightDrag"_s << u"Normal"_s;
  }
  void eventOrder() {
    QFETCH(QString, steps);
    QFETCH(QString, expected);
    auto b = makeButton();
    QStringList log;
    logEvents(*b, &log);
    act(*b, steps);
    log.append(lookName(b->look()));
    QCOMPARE(log.join(u'|'), expected);
    QCOMPARE(b->overTimer()->isActive(), b->isHovered());
  }

  void arrowsMoveFocus() {
    QWidget window;
    std::vector<std::unique_ptr<ZENButton>> buttons;
    for (int i = 0; i < 3; ++i) buttons.push_back(makeButton(2, &window));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    buttons[1]->setFocus();
    QTest::keyClick(buttons[1].get(), Qt::Key_Up);
    QCOMPARE(window.focusWidget(), buttons[0].get());
    QTest::keyClick(buttons[0].get(), Qt::Key_Right);
    QCOMPARE(window.focusWidget(), buttons[1].get());
    QTest::keyClick(buttons[1].get(), Qt::Key_Down);
    QCOMPARE(window.focusWidget(), buttons[2].get());
  }

  void checkButtonTogglesBeforeClick_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("checkBox");
    QTest::newRow("mouse") << u"press|release"_s << true;
    QTest::newRow("space") << u"+Space|-Space"_s << true;
    QTest::newRow("access key") << u"alt+S"_s << true;
    QTest::newRow("access key, plain button") << u"alt+S"_s << false;
  }
  void checkButtonTogglesBeforeClick() {
    QFETCH(QString, steps);
    QFETCH(bool, checkBox);
    QWidget window;
    auto b = makeButton(2, &window);
    b->setCheckBoxBehaviour(checkBox);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QList<bool> valueAtClick;
    connect(b.get(), &ZENButton::Click, this, [&] { valueAtClick.append(b->Value()); });
    act(*b, steps + u'|' + steps);
    QCOMPARE(valueAtClick, QList<bool>({checkBox, false}));
  }

  void mouseOutWhenPointerLeaves() {
    auto b = makeButton();
    bool over = true;
    b->setPointerProbe([&over](const ZENButton&) { return over; });
    QSignalSpy overs(b.get(), &ZENButton::MouseOver);
    QSignalSpy outs(b.get(), &ZENButton::MouseOut);
    act(*b, u"move"_s);
    b->pollPointer();
    QCOMPARE(outs.count(), 0);
    over = false;
    QTRY_COMPARE(outs.count(), 1);  // raised by OverTimer itself
    QVERIFY(!b->isHovered());
    QVERIFY(!b->overTimer()->isActive());
    QCOMPARE(b->look(), Look::Normal);
    b->pollPointer();
    QCOMPARE(outs.count(), 1);
    over = true;
    act(*b, u"move"_s);
    QCOMPARE(overs.count(), 2);
  }

  void skippedRepaints_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("paints");
    QTest::newRow("press twice") << u"press|press"_s << 1;
    QTest::newRow("click") << u"press|release"_s << 2;
    QTest::newRow("release without press") << u"release"_s << 0;
    QTest::newRow("moves over") << u"move|move|move"_s << 1;
    QTest::newRow("caption") << u"caption"_s << 1;
    QTest::newRow("while disabled") << u"disable|press|release|caption|focus|grab"_s << 0;
    QTest::newRow("refresh after disabled") << u"disable|press|refresh"_s << 1;
  }
  void skippedRepaints() {
    QFETCH(QString, steps);
    QFETCH(int, paints);
    QWidget window;
    window.resize(200, 100);
    auto b = makeButton(2, &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    const int before = b->paintCount();
    act(*b, steps);
    QCOMPARE(b->paintCount() - before, paints);
  }

  // Each style draws each state its own way; styles 7, 8 and 12 share one drawing.
  void stylesAndStatesDiffer() {
    const auto shared = [](int type) { return type == 7 || type == 8 || type == 12; };
    QList<QList<QImage>> shots;  // by style, then Normal, Hover, Pressed, Focused, Disabled
    for (int type = 1; type <= 14; ++type) {
      QList<QImage> s;
      for (const char* state : {"", "move", "press", "focus", "off"}) {
        auto b = makeButton(type);
        if (*state)
          act(*b, QString::fromLatin1(state));
        s.append(b->grab().toImage());
      }
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
    window.show();  // resizes reach a hidden button only once it is shown
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(b->innerRect(), small);
    b->resize(120, 50);
    QCOMPARE(b->innerRect(), large);
    QCOMPARE(!b->mask().isEmpty(), shaped);
    QCOMPARE(b->mask().contains(QPoint(0, 0)), false);
    QCOMPARE(b->mask().contains(QPoint(60, 25)), shaped);
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
      act(*b, u"move"_s);
    const QImage image = b->grab().toImage();
    // The 8 x 8 picture is centred on (49, 19): mask-coloured half left, red half right.
    QCOMPARE(image.pixelColor(46, 19), maskPart);
    QCOMPARE(image.pixelColor(51, 19), redPart);
  }
};

QTEST_MAIN(TestZenButton)
#include "tst_zenbutton.moc"
