#include "controls/zen_button.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include <memory>

using namespace kestrel;
using namespace Qt::Literals::StringLiterals;

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
  QPainter(&image).fillRect(0, 0, 4, 8, left);
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

// User actions by name, one after the other: "+Space" / "-A" press / release a key, the rest below.
void act(ZENButton& b, const QStringList& steps) {
  using E = QEvent;
  using Mouse = std::tuple<E::Type, Qt::MouseButton, Qt::MouseButtons>;
  static const QHash<QString, Mouse> mouseSteps = {
      {u"press"_s, {E::MouseButtonPress, Qt::LeftButton, Qt::LeftButton}},
      {u"release"_s, {E::MouseButtonRelease, Qt::LeftButton, {}}},
      {u"releaseOff"_s, {E::MouseButtonRelease, Qt::LeftButton, {}}},            // released outside
      {u"middle"_s, {E::MouseButtonPress, Qt::MiddleButton, Qt::MiddleButton}},  // with all shifts
      {u"middleUp"_s, {E::MouseButtonRelease, Qt::MiddleButton, {}}},
      {u"move"_s, {E::MouseMove, Qt::NoButton, {}}},
      {u"drag"_s, {E::MouseMove, Qt::NoButton, Qt::LeftButton}}};
  for (const QString& step : steps) {
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
    } else if (step == u"away"_s) {  // the pointer leaves and stays away a while
      b.setPointerProbe([](const ZENButton&) { return false; });
      QTRY_VERIFY(!b.overTimer()->isActive());
    } else if (step == u"poll"_s) {
      b.pollPointer();
    } else {
      QCOMPARE(step, u"focus"_s);
      QFocusEvent e(E::FocusIn);
      QApplication::sendEvent(&b, &e);
    }
    QCoreApplication::processEvents();
  }
}

// Every event the button raises with its arguments and the look it had at that moment.
void logEvents(ZENButton& b, QStringList* log) {
  const auto on = [&b, log](auto signal, const char* name) {
    QObject::connect(&b, signal, &b, [&b, log, name](auto... args) {
      QStringList parts{QString::fromLatin1(name)};
      (parts.append(QString::number(args)), ...);
      log->append(parts.join(u' ') + u' ' + QVariant::fromValue(b.look()).toString());
    });
  };
  on(&ZENButton::MouseDown, "MouseDown");
  on(&ZENButton::MouseUp, "MouseUp");
  on(&ZENButton::KeyDown, "KeyDown");
  on(&ZENButton::KeyUp, "KeyUp");
  on(&ZENButton::KeyPress, "KeyPress");
  on(&ZENButton::Click, "Click");
  on(&ZENButton::MouseOver, "MouseOver");
  on(&ZENButton::MouseOut, "MouseOut");
}

QVariant colour(const QColor& c) {
  return QVariant::fromValue(ColorRef(c));
}

// The members of a colour set that the schemes compute differently.
struct ColourSet {
  QColor face{}, light{}, highlight{}, shadow{}, darkShadow{}, text{}, selection{}, selectionTint{};
};

}  // namespace

Q_DECLARE_METATYPE(ColourSet)

class TestZenButton : public QObject {
  Q_OBJECT

 private slots:
  // Every stored key, in the order the bag holds them, with a value a new button lacks.
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
      const auto image = [](const QVariant& v) { return v.value<QPixmap>().toImage(); };
      QVERIFY2(values[i].typeId() == QMetaType::QPixmap ? image(out.ReadProperty(keys[i])) == image(values[i])
                                                        : out.ReadProperty(keys[i]) == values[i],
               qPrintable(keys[i]));
    }

    // Without its own key the hover colour follows the colour just read, and the font stays.
    PropertyBag colours, reset;
    colours.WriteProperty(u"BCOL"_s, colour({1, 1, 1}));
    b->ReadProperties(colours);
    b->WriteProperties(reset);
    QCOMPARE(reset.ReadProperty(u"BCOLO"_s), colour({1, 1, 1}));
    QCOMPARE(reset.ReadProperty(u"FONT"_s).value<QFont>(), font);
  }

  void colourSet_data() {
    QTest::addColumn<int>("scheme");
    QTest::addColumn<ColourSet>("expected");
    const QColor systemSelection(0, 120, 215), itsTint(176, 213, 242);
    // clang-format off
    QTest::newRow("7 is 1") << 7 << ColourSet{
        .face = {212, 208, 200}, .light = {230, 230, 230}, .highlight = {255, 255, 255},
        .shadow = {128, 128, 128}, .darkShadow = {64, 64, 64}, .text = {1, 2, 3},
        .selection = systemSelection, .selectionTint = itsTint};
    QTest::newRow("2 clamps") << 2 << ColourSet{
        .face = {250, 10, 128}, .light = {255, 41, 159}, .highlight = {255, 57, 175},
        .shadow = {186, 0, 64}, .darkShadow = {58, 0, 0}, .text = {5, 6, 7},
        .selection = {122, 0, 0}, .selectionTint = {250, 10, 128}};
    QTest::newRow("4 parent") << 4 << ColourSet{
        .face = {200, 190, 180}, .light = {231, 221, 211}, .highlight = {247, 237, 227},
        .shadow = {136, 126, 116}, .darkShadow = {8, 0, 0}, .text = {20, 30, 40},
        .selection = systemSelection, .selectionTint = itsTint};
    // clang-format on
  }
  void colourSet() {
    QFETCH(int, scheme);
    QFETCH(ColourSet, expected);
    QWidget parent;
    parent.setPalette(QPalette(QColor(20, 30, 40), QColor(200, 190, 180), Qt::white, Qt::gray, Qt::gray,
                               Qt::black, Qt::white));  // window text, window, then unused roles
    auto b = makeButton(2, &parent);
    b->setBackColor(QColor(250, 10, 128));
    b->setForeColor(QColor(5, 6, 7));
    b->setColorScheme(scheme);
    const ZenColorSet& c = b->colorSet();
    QCOMPARE(c.face, expected.face);
    QCOMPARE(c.light, expected.light);
    QCOMPARE(c.highlight, expected.highlight);
    QCOMPARE(c.shadow, expected.shadow);
    QCOMPARE(c.darkShadow, expected.darkShadow);
    QCOMPARE(c.text, expected.text);
    QCOMPARE(c.selection, expected.selection);
    QCOMPARE(c.selectionTint, expected.selectionTint);
  }

  void eventOrder_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected");  // events with arguments and look, then the final look
    QTest::newRow("click") << QStringList{u"press"_s, u"release"_s}
                           << QStringList{u"MouseDown 1 0 50 20 Normal"_s, u"MouseUp 1 0 50 20 Pressed"_s,
                                          u"Click Normal"_s, u"Normal"_s};
    QTest::newRow("released off") << QStringList{u"press"_s, u"releaseOff"_s}
                                  << QStringList{u"MouseDown 1 0 50 20 Normal"_s,
                                                 u"MouseUp 1 0 -5 -5 Pressed"_s, u"Normal"_s};
    QTest::newRow("middle, all shifts")
        << QStringList{u"middle"_s, u"middleUp"_s}
        << QStringList{u"MouseDown 4 7 50 20 Normal"_s, u"MouseUp 4 7 50 20 Pressed"_s, u"Normal"_s};
    QTest::newRow("space") << QStringList{u"+Space"_s, u"-Space"_s}
                           << QStringList{u"KeyDown 32 0 Normal"_s, u"KeyPress 32 Pressed"_s,
                                          u"KeyUp 32 0 Pressed"_s, u"Click Normal"_s, u"Normal"_s};
    QTest::newRow("other down, space up") << QStringList{u"+A"_s, u"-Space"_s}
                                          << QStringList{u"KeyDown 65 0 Normal"_s, u"KeyPress 97 Normal"_s,
                                                         u"KeyUp 32 0 Normal"_s, u"Normal"_s};
    QTest::newRow("space, other, space up")
        << QStringList{u"+Space"_s, u"+A"_s, u"-Space"_s}
        << QStringList{u"KeyDown 32 0 Normal"_s, u"KeyPress 32 Pressed"_s, u"KeyDown 65 0 Pressed"_s,
                       u"KeyPress 97 Pressed"_s, u"KeyUp 32 0 Pressed"_s,  u"Pressed"_s};
    QTest::newRow("hover once") << QStringList{u"move"_s, u"move"_s}
                                << QStringList{u"MouseOver Hover"_s, u"Hover"_s};
    QTest::newRow("drag over") << QStringList{u"press"_s, u"drag"_s, u"drag"_s}
                               << QStringList{u"MouseDown 1 0 50 20 Normal"_s, u"Pressed"_s};
    QTest::newRow("drag off") << QStringList{u"press"_s, u"away"_s, u"drag"_s}
                              << QStringList{u"MouseDown 1 0 50 20 Normal"_s, u"Normal"_s};
    QTest::newRow("out by the timer, once")
        << QStringList{u"move"_s, u"poll"_s, u"away"_s, u"poll"_s}
        << QStringList{u"MouseOver Hover"_s, u"MouseOut Normal"_s, u"Normal"_s};
  }
  void eventOrder() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    auto b = makeButton();
    QStringList log;
    logEvents(*b, &log);
    act(*b, steps);
    log.append(QVariant::fromValue(b->look()).toString());
    QCOMPARE(log, expected);
    QCOMPARE(b->overTimer()->isActive(), b->isHovered());
  }

  void checkButtonTogglesBeforeClick_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("checkBox");
    QTest::newRow("mouse") << QStringList{u"press"_s, u"release"_s} << true;
    QTest::newRow("access key") << QStringList{u"alt+S"_s} << true;
    QTest::newRow("access key, plain button") << QStringList{u"alt+S"_s} << false;
  }
  void checkButtonTogglesBeforeClick() {
    QFETCH(QStringList, steps);
    QFETCH(bool, checkBox);
    QWidget window;
    auto b = makeButton(2, &window);
    b->setCheckBoxBehaviour(checkBox);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QList<bool> valueAtClick;
    connect(b.get(), &ZENButton::Click, this, [&] { valueAtClick.append(b->Value()); });
    act(*b, steps + steps);
    QCOMPARE(valueAtClick, QList<bool>({checkBox, false}));
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
          act(*b, {QString::fromLatin1(state)});
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

  void pictureTreatment_data() {
    QTest::addColumn<bool>("maskClear");
    QTest::addColumn<bool>("greyscale");
    QTest::addColumn<bool>("hovered");
    QTest::addColumn<QColor>("maskPart");
    QTest::addColumn<QColor>("redPart");
    const QColor face(0, 0, 255), overFace(0, 255, 0), red(255, 0, 0);
    QTest::newRow("mask colour clear") << true << false << false << face << red;
    QTest::newRow("mask colour drawn") << false << false << false << QColor(192, 192, 192) << red;
    QTest::newRow("grey until hovered") << true << true << false << face << QColor(87, 87, 87);
    QTest::newRow("colour when hovered") << true << true << true << overFace << red;
  }
  void pictureTreatment() {
    QFETCH(bool, maskClear);
    QFETCH(bool, greyscale);
    QFETCH(bool, hovered);
    QFETCH(QColor, maskPart);
    QFETCH(QColor, redPart);
    auto b = makeButton(7);
    b->setCaption(QString());
    b->setColorScheme(2);
    b->setBackColor(QColor(0, 0, 255));
    b->setBackOver(QColor(0, 255, 0));
    b->setPicturePosition(4);
    b->setPictureNormal(twoHalves(QColor(192, 192, 192), Qt::red));
    b->setUseMaskColor(maskClear);
    b->setUseGreyscale(greyscale);
    if (hovered)
      act(*b, {u"move"_s});
    const QImage image = b->grab().toImage();
    // The 8 x 8 picture is centred on (49, 19): mask-coloured half left, red half right.
    QCOMPARE(image.pixelColor(46, 19), maskPart);
    QCOMPARE(image.pixelColor(51, 19), redPart);
  }
};

QTEST_MAIN(TestZenButton)
#include "tst_zenbutton.moc"
