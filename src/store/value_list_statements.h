#pragma once

#include <QString>
#include <QStringList>

namespace kestrel {

class BaseComponent;

// Joins value groups ("(...)") after a statement head, separated by ",", into as few statements
// as keep each within maxBytes (counted in UTF-8, as the server receives it). A group too long
// for any statement gets one of its own.
class ValueListStatements {
 public:
  ValueListStatements(QString head, qsizetype maxBytes);

  void add(const QString& group);
  // The statements built so far, the last one included; empty when no group was added.
  QStringList finish();

  static qsizetype utf8Size(QStringView text);

 private:
  QString head_;
  qsizetype headBytes_;
  qsizetype maxBytes_;
  QString current_;
  qsizetype currentBytes_ = 0;
  QStringList done_;
};

// What one statement may hold at most: the server's max_allowed_packet less some room for the
// protocol when the store tells it, else a size every store accepts.
qsizetype StatementSizeLimit(BaseComponent& base);
inline constexpr qsizetype SafeStatementBytes = 1000000;

}  // namespace kestrel
