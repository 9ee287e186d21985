#include "platform/base/statement_shape.h"

namespace kestrel {

namespace {

bool isWordChar(QChar c) {
  return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

class Scanner {
 public:
  Scanner(QStringView text, bool backslashEscapes) : text_(text), backslash_(backslashEscapes) {}

  bool atEnd() const { return i_ >= text_.size(); }
  qsizetype pos() const { return i_; }
  void seek(qsizetype at) { i_ = at; }

  void skipBlanks() {
    while (!atEnd() && text_[i_].isSpace()) ++i_;
  }

  QStringView word() {
    skipBlanks();
    const qsizetype start = i_;
    while (!atEnd() && isWordChar(text_[i_])) ++i_;
    return text_.mid(start, i_ - start);
  }

  bool keyword(QStringView expected) { return word().compare(expected, Qt::CaseInsensitive) == 0; }

  bool take(QChar c) {
    skipBlanks();
    if (atEnd() || text_[i_] != c)
      return false;
    ++i_;
    return true;
  }

  // Past a text quoted by the character at the current position; false when it is not closed.
  // Fills the text it stands for when asked.
  bool skipQuoted(QString* value = nullptr) {
    const QChar quote = text_[i_++];
    while (!atEnd()) {
      const QChar c = text_[i_++];
      if (c == quote) {
        if (atEnd() || text_[i_] != quote)
          return true;
        ++i_;
      } else if (c == u'\\' && backslash_ && quote != u'`' && !atEnd()) {
        const QChar next = text_[i_++];
        if (value)
          *value += unescaped(next);
        continue;
      }
      if (value)
        *value += c;
    }
    return false;
  }

  // The position of the last WHERE outside quoted texts and parentheses; -1 when there is none
  // or the statement cannot be read to its end.
  qsizetype lastTopLevelWhere() {
    qsizetype found = -1;
    int depth = 0;
    while (!atEnd()) {
      const QChar c = text_[i_];
      if (c == u'\'' || c == u'"' || c == u'`') {
        if (!skipQuoted())
          return -1;
      } else if (c == u'(' || c == u')') {
        depth += c == u'(' ? 1 : -1;
        ++i_;
      } else if (isWordChar(c)) {
        const qsizetype start = i_;
        const QStringView w = word();
        if (depth == 0 && w.compare(u"WHERE", Qt::CaseInsensitive) == 0)
          found = start;
      } else {
        ++i_;
      }
    }
    return depth == 0 ? found : -1;
  }

 private:
  static QString unescaped(QChar c) {
    switch (c.unicode()) {
      case u'0':
        return QString(QChar(0));
      case u'n':
        return QStringLiteral("\n");
      case u'r':
        return QStringLiteral("\r");
      case u't':
        return QStringLiteral("\t");
      case u'b':
        return QStringLiteral("\b");
      case u'Z':
        return QString(QChar(0x1a));
      case u'%':
      case u'_':
        return QStringLiteral("\\") + c;
      default:
        return QString(c);
    }
  }

  QStringView text_;
  bool backslash_;
  qsizetype i_ = 0;
};

}  // namespace

std::optional<KeyedChange> FindKeyedChange(QStringView sql, bool backslashEscapes) {
  Scanner s(sql, backslashEscapes);
  KeyedChange change;
  const QStringView verb = s.word();
  if (verb.compare(u"UPDATE", Qt::CaseInsensitive) == 0) {
    change.table = s.word().toString();
    if (!s.keyword(u"SET"))
      return std::nullopt;
  } else if (verb.compare(u"DELETE", Qt::CaseInsensitive) == 0) {
    if (!s.keyword(u"FROM"))
      return std::nullopt;
    change.table = s.word().toString();
  } else {
    return std::nullopt;
  }
  if (change.table.isEmpty())
    return std::nullopt;

  const qsizetype where = s.lastTopLevelWhere();
  if (where < 0)
    return std::nullopt;
  s.seek(where);
  s.word();
  change.column = s.word().toString();
  if (change.column.isEmpty() || !s.take(u'='))
    return std::nullopt;
  s.skipBlanks();
  if (s.atEnd() || sql[s.pos()] != u'\'')
    return std::nullopt;
  const qsizetype open = s.pos();
  if (!s.skipQuoted(&change.value))
    return std::nullopt;
  change.literal = sql.mid(open + 1, s.pos() - open - 2).toString();
  s.take(u';');
  s.skipBlanks();
  if (!s.atEnd())
    return std::nullopt;
  return change;
}

QString CreatedTableName(QStringView sql) {
  Scanner s(sql, false);
  if (!s.keyword(u"CREATE") || !s.keyword(u"TABLE"))
    return {};
  const qsizetype afterTable = s.pos();
  if (!(s.keyword(u"IF") && s.keyword(u"NOT") && s.keyword(u"EXISTS")))
    s.seek(afterTable);
  const QStringView name = s.word();
  return name.isEmpty() || name[0].isDigit() ? QString() : name.toString();
}

}  // namespace kestrel
