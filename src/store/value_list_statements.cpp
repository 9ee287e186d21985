#include "store/value_list_statements.h"

#include "store/base_component.h"
#include "support/runtime_error.h"

#include <memory>
#include <utility>

namespace kestrel {

namespace {
// Room left in a packet for the protocol's own bytes.
constexpr qsizetype PacketHeadroom = 1024;
}  // namespace

ValueListStatements::ValueListStatements(QString head, qsizetype maxBytes)
    : head_(std::move(head)), headBytes_(utf8Size(head_)), maxBytes_(maxBytes) {}

qsizetype ValueListStatements::utf8Size(QStringView text) {
  qsizetype bytes = 0;
  for (const QChar ch : text) {
    const char16_t u = ch.unicode();
    if (u < 0x80)
      bytes += 1;
    else if (u < 0x800 || ch.isSurrogate())
      bytes += 2;  // a surrogate pair makes 4 bytes, 2 for each half
    else
      bytes += 3;
  }
  return bytes;
}

void ValueListStatements::add(const QString& group) {
  const qsizetype bytes = utf8Size(group);
  if (!current_.isEmpty() && currentBytes_ + 1 + bytes > maxBytes_) {
    done_ << current_;
    current_.clear();
  }
  if (current_.isEmpty()) {
    current_ = head_ + group;
    currentBytes_ = headBytes_ + bytes;
  } else {
    current_ += QLatin1Char(',');
    current_ += group;
    currentBytes_ += 1 + bytes;
  }
}

QStringList ValueListStatements::finish() {
  if (!current_.isEmpty())
    done_ << std::exchange(current_, QString());
  currentBytes_ = 0;
  return std::exchange(done_, {});
}

qsizetype StatementSizeLimit(BaseComponent& base) {
  qsizetype limit = SafeStatementBytes;
  // Only MariaDB and MySQL know this variable; any other store keeps the safe size.
  ignoreErrors([&] {
    std::unique_ptr<Recordset> rs;
    base.RecordsetQuery(rs, QStringLiteral("SHOW VARIABLES LIKE 'max_allowed_packet'"), base.DBObj(),
                        ado::adOpenForwardOnly, ado::adLockReadOnly);
    if (!rs->Eof()) {
      bool ok = false;
      const qint64 packet = rs->Text(u"Value").toLongLong(&ok);
      if (ok && packet > 2 * PacketHeadroom)
        limit = packet - PacketHeadroom;
    }
    rs->Close();
  });
  return limit;
}

}  // namespace kestrel
