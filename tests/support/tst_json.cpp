#include "support/json.h"

#include <QTest>

using namespace kestrel;
using namespace Qt::Literals::StringLiterals;

namespace {

// A compact picture of a tree: maps as {key:value,...}, lists as [...], texts in double
// quotes, numbers and Booleans as toText() gives them, null as null and nothing as <>.
QString dump(const JsonValue& v) {
  QString out;
  switch (v.type()) {
    case JsonValue::Type::Empty:
      return QStringLiteral("<>");
    case JsonValue::Type::Null:
      return QStringLiteral("null");
    case JsonValue::Type::Boolean:
    case JsonValue::Type::Number:
      return v.toText();
    case JsonValue::Type::Text:
      return QLatin1Char('"') + v.toText() + QLatin1Char('"');
    case JsonValue::Type::List:
      out = u'[';
      for (qsizetype i = 0; i < v.size(); ++i) out += (i ? QStringLiteral(",") : QString()) + dump(v.at(i));
      return out + u']';
    case JsonValue::Type::Map:
      out = u'{';
      for (qsizetype i = 0; i < v.size(); ++i)
        out += (i ? QStringLiteral(",") : QString()) + v.keyAt(i) + u':' + dump(v.at(i));
      return out + u'}';
  }
  return out;
}

int depthOf(const JsonValue& v) {
  int deepest = 0;
  for (qsizetype i = 0; i < v.size(); ++i) deepest = std::max(deepest, depthOf(v.at(i)));
  return v.isList() || v.isMap() ? deepest + 1 : 0;
}

const char* const kDuplicate = "This key is already associated with an element of this collection";

}  // namespace

class TestJson : public QObject {
  Q_OBJECT

 private slots:
  void parse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QString>("errors");
    const QString dup = QString::fromUtf8(kDuplicate);
    const auto row = [](const char* name, const char* text, const char* tree, const QString& errors = {}) {
      QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(tree) << errors;
    };

    // What counts as a document
    row("empty text", "", "<>", u"Invalid JSON"_s);
    row("blanks only", " \t\r\n ( ) ", "<>", u"Invalid JSON"_s);
    row("empty object", "{}", "{}");
    row("empty array", "[ ]", "[]");
    row("text after the value is ignored", "{\"a\":1} trailing ] garbage", "{a:1}");

    // Values
    row("scalars", "{\"s\":\"x\",\"n\":-1.50e1,\"t\":true,\"f\":false,\"z\":null}",
        "{s:\"x\",n:-15,t:True,f:False,z:null}");
    row("nested", "{\"a\":{\"b\":[1,{\"c\":\"d\"}]},\"e\":[]}", "{a:{b:[1,{c:\"d\"}]},e:[]}");
    row("large number kept exactly", "{\"n\":79228162514264337593543950335}",
        "{n:79228162514264337593543950335}");

    // Separators
    row("members without commas", "{\"a\":1 \"b\":2}", "{a:1,b:2}");
    row("comma before the end of an object", "{\"a\":1,}", "{a:1}", u"Type mismatch: }\r\n"_s);
    row("comma before the end of an array", "[1,]", "[1]", u"Type mismatch: ]\r\n"_s);

    // Cut-off texts
    row("object cut off", "{\"name\":\"Asha Rao\",\"pan\":\"ABCPR1234K\"",
        "{name:\"Asha Rao\",pan:\"ABCPR1234K\"}", u"Missing '}': \",\"pan\":\"ABCPR1234K\"\r\n"_s);
    row("array cut off", "[1,2", "[1,2]", u"Missing ']': [1,2\r\n"_s);
    row("cut off after a colon", "{\"a\":", "{}", u"Type mismatch: a\r\n"_s);
    row("cut off after a quoted key", "{\"a\"", "{}",
        u"Invalid Key at position 5 : a\r\nType mismatch: a\r\n"_s);

    // Failing members end their object or array
    row("repeated key", "{\"a\":1,\"a\":2,\"b\":3}", "{a:1}", dup + u": a\r\n"_s);
    row("number that cannot be read", "{\"a\":1,\"n\":1.2.3,\"b\":2}", "{a:1}", u"Type mismatch: n\r\n"_s);
    row("number too large", "{\"n\":79228162514264337593543950336}", "{}", u"Overflow: n\r\n"_s);
    row("True is not a Boolean", "{\"a\":True}", "{}", u"Type mismatch: a\r\n"_s);
    row("bad value in an array", "[1,x,3]", "[1]", u"Type mismatch: x,3]\r\n"_s);
    row("array excerpt is the next 20 characters", "[1.2.3, \"abcdefghijklmnopqrstuvwxyz\"]", "[]",
        u"Type mismatch: , \"abcdefghijklmnopq\r\n"_s);

    // Keys
    row("unquoted key with a blank", "{my key:1}", "{mykey:1}");
    row("single quotes", "{'a':'x y'}", "{a:\"x y\"}");
    row("blanks inside a quoted key", "{\" a\tb\r\n\":1}", "{ab:1}");
    row("empty keys", "{\"\":1, :2}", "{:1}", dup + u": \r\n"_s);
    row("quoted key not followed by a colon", "{\"a\" 1}", "{a:1}", u"Invalid Key at position 6 : a\r\n"_s);
    row("backslash in a key is an ordinary character", "{\"a\\\"b\":1}", "{}",
        u"Invalid Key at position 6 : a\\\r\nType mismatch: a\\\r\n"_s);
    row("quote of the other kind inside a key", "{\"it's\":1}", "{}", u"Type mismatch: its:1}\r\n"_s);

    // Booleans and null that fail stay where they are
    row("true cut short in an object", "{\"a\":tru,\"b\":2}", "{a:False,tru,b:2}",
        u"Invalid Boolean at position 6 : tru,\"b\":2}\r\n"_s);
    row("null cut short in an object", "{\"a\":nul}", "{a:<>}",
        u"Invalid null value at position 6 : nul}\r\nType mismatch: nul}\r\n"_s);
    row("true cut short in an array", "[tru, 1]", "[False]",
        u"Invalid Boolean at position 2 : tru, 1]\r\n"_s);

    // Blanks and comments
    row("round brackets are blanks", "({\"a\":(1)})", "{a:1}");
    row("line comments", "// profile\r\n{\"a\"://x\n1}", "{a:1}");
    row("block comments", "/* head\n { */{/**/\"a\":/* ** */1}", "{a:1}");
    // A star while one is pending starts a block comment again instead of ending it.
    row("two stars apart do not close a block comment", "[/* * */1]", "[]", u"Missing ']': [/* * */1]\r\n"_s);
    row("slash and star apart still open a comment", "/ * {}", "<>", u"Invalid JSON"_s);

    // Strings
    row("escapes", "[\"\\\"\\\\\\/\\'\\b\\f\\n\\r\\t\"]", "[\"\"\\/'\b\f\n\r\t\"]");
    row("unicode escape", "[\"\\u0041b\"]", "[\"Ab\"]");
    row("unicode escape stops at a non-hex character", "[\"\\u41zz\"]", "[\"A\"]");
    row("unicode escape takes four characters, quote included", "[\"\\u41\"]", "[\"A\"]",
        u"Missing ']': [\"\\u41\"]\r\n"_s);
    row("single-quoted strings", "['it\\'s', 'a\"b']", "[\"it's\",\"a\"b\"]");
    row("unclosed string", "[\"abc", "[\"abc\"]", u"Missing ']': [\"abc\r\n"_s);
    row("backslash at the very end", "[\"ab\\", "[\"ab\"]", u"Missing ']': [\"ab\\\r\n"_s);
  }
  void parse() {
    QFETCH(QString, text);
    QFETCH(QString, tree);
    QFETCH(QString, errors);
    QCOMPARE(dump(ParseJson(text)), tree);
    QCOMPARE(JsonParseErrors(), errors);
  }

  void unicodeEscapeWithoutDigitsGivesCodeUnitZero() {
    const JsonValue v = ParseJson(u"[\"\\uzzzzb\"]");
    QCOMPARE(v.at(0).toText(), QString(QChar(0)) + u'b');
  }

  void longEscapedStrings() {
    // Longer than one growth step of the shared builder, and followed by a short one that
    // must not carry any of it.
    QString raw, expected;
    for (int i = 0; i < 5000; ++i) {
      raw += QStringLiteral("ab\\\"\\u0043");
      expected += QStringLiteral("ab\"C");
    }
    const JsonValue v = ParseJson(QStringLiteral("[\"") + raw + QStringLiteral("\",\"x\\ty\"]"));
    QCOMPARE(JsonParseErrors(), QString());
    QCOMPARE(v.at(0).toText(), expected);
    QCOMPARE(v.at(1).toText(), QStringLiteral("x\ty"));
  }

  void valuesOutliveTheText() {
    JsonValue v;
    {
      QString text = QStringLiteral("{\"name\":\"Asha\",\"alt\":\"R\\u0061o\"}");
      v = ParseJson(text);
      text.fill(u'#');
    }
    QCOMPARE(v.value(u"name").toText(), QStringLiteral("Asha"));
    QCOMPARE(v.value(u"alt").toText(), QStringLiteral("Rao"));
  }

  void deepNestingIsRefused_data() {
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("close");
    QTest::newRow("arrays") << "["
                            << "]";
    QTest::newRow("objects") << "{\"a\":"
                             << "}";
  }
  void deepNestingIsRefused() {
    QFETCH(QString, open);
    QFETCH(QString, close);
    const JsonValue v = ParseJson(open.repeated(20000) + close.repeated(20000));
    QCOMPARE(depthOf(v), 512);
    QVERIFY(JsonParseErrors().startsWith(QStringLiteral("Out of stack space: ")));
  }

  void largeMaps() {
    QString text = QStringLiteral("{");
    for (int i = 0; i < 100; ++i) text += QStringLiteral("\"k%1\":%1,").arg(i);
    text += QStringLiteral("\"k60\":0,\"after\":1}");
    const JsonValue v = ParseJson(text);
    QCOMPARE(JsonParseErrors(), QString::fromUtf8(kDuplicate) + QStringLiteral(": k60\r\n"));
    QCOMPARE(v.size(), 100);
    for (int i = 0; i < 100; ++i) {
      const QString key = QStringLiteral("k%1").arg(i);
      QCOMPARE(v.keyAt(i), key);
      QCOMPARE(v.value(key).toText(), QString::number(i));
    }
    QVERIFY(!v.contains(u"after"));
    QVERIFY(v.value(u"K1").isEmpty());

    // A copy keeps its own working index.
    JsonMap copy = v.map();
    QVERIFY(!copy.insert(QStringLiteral("k99"), JsonValue(true)));
    QVERIFY(copy.insert(QStringLiteral("k100"), JsonValue(true)));
    QVERIFY(copy.find(u"k100")->toBool());
    QVERIFY(copy.find(u"k5"));
    QCOMPARE(v.size(), 100);
  }

  void readingApi() {
    const JsonValue v =
        ParseJson(u"{\"t\":\"x\",\"n\":12.50,\"b\":true,\"f\":false,\"z\":null,\"l\":[1,2],\"m\":{\"a\":1}}");
    QCOMPARE(v.keys(), QStringLiteral("t,n,b,f,z,l,m").split(u','));
    QCOMPARE(v[u"n"].toText(), QStringLiteral("12.5"));
    QCOMPARE(v[u"n"].toDecimal(), Decimal::parse(u"12.5"));
    QCOMPARE(v[u"b"].toText(), QStringLiteral("True"));
    QCOMPARE(v[u"f"].toText(), QStringLiteral("False"));
    QVERIFY(v[u"b"].toBool());
    QVERIFY(v[u"z"].isNull());
    QCOMPARE(v[u"z"].toText(), QString());
    QCOMPARE(v[u"l"].toText(), QString());
    QCOMPARE(v[u"l"].at(1).toText(), QStringLiteral("2"));
    QVERIFY(v[u"l"].at(2).isEmpty());
    QVERIFY(v[u"l"].at(-1).isEmpty());
    QVERIFY(v[u"l"].value(u"a").isEmpty());
    QCOMPARE(v[u"m"][u"a"].toText(), QStringLiteral("1"));
    QCOMPARE(v.at(0).toText(), QStringLiteral("x"));
    QCOMPARE(v.keyAt(7), QString());
    QVERIFY(v[u"missing"][u"deeper"].isEmpty());
    QCOMPARE(v[u"t"].size(), 0);

    const JsonValue copy = v;  // shares the tree
    QCOMPARE(&copy.map(), &v.map());
  }
};

QTEST_GUILESS_MAIN(TestJson)
#include "tst_json.moc"
