#include "platform/base/velbase.h"

#include "platform/base/sql_recordset.h"
#include "support/owner_only.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace kestrel {

namespace {

const QString& source() {
  static const QString text = QStringLiteral("VelBase");
  return text;
}

// The screen the suite's windows were laid out for: 96 logical dots per inch.
constexpr double DesignDpi = 96.0;

QScreen* primaryScreen() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    return nullptr;
  return QGuiApplication::primaryScreen();
}

bool isAsciiDigit(QChar c) {
  return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// The ten-digit mobile number that a run of digits is, with its trunk or country prefix
// removed; "" when it is none.
QString mobileFrom(const QString& digits) {
  auto isMobileStart = [](QChar c) { return c.unicode() >= u'6' && c.unicode() <= u'9'; };
  if (digits.size() == 10 && isMobileStart(digits[0]))
    return digits;
  if (digits.size() == 11 && digits[0] == u'0' && isMobileStart(digits[1]))
    return digits.mid(1);
  if (digits.size() == 12 && digits.startsWith(u"91") && isMobileStart(digits[2]))
    return digits.mid(2);
  return {};
}

// Without the privilege to create temporary tables the shared table serves, as it always has.
void createPrivateTables(SqlStore& store, const QStringList& statements) {
  static const QRegularExpression createTable(QStringLiteral("^\\s*CREATE\\s+TABLE"),
                                              QRegularExpression::CaseInsensitiveOption);
  for (QString sql : statements) {
    sql.replace(createTable, QStringLiteral("CREATE TEMPORARY TABLE"));
    if (store.databaseCharset() != u"utf8mb4")
      sql += QStringLiteral(" DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci");
    ignoreErrors([&] { store.exec(sql); });
  }
}

QString quotedList(const QStringList& values) {
  return QStringLiteral("'") + values.join(QStringLiteral("', '")) + QStringLiteral("'");
}

}  // namespace

class VelBase::Connection final : public DbConnection {};

VelBase::VelBase(VelBaseOptions options)
    : options_(std::move(options)),
      home_(ResolveSuiteHome(options_.suiteHome)),
      connection_(std::make_unique<Connection>()) {
  MakeOwnerOnlyFolder(home_);
  const QString conn = options_.connectionString.isEmpty()
                           ? QStringLiteral("sqlite:") + home_ + QStringLiteral("/Data/Velmar.db")
                           : options_.connectionString;
  for (const QString& create : options_.privateTables) privateNames_ << CreatedTableName(create);
  store_ = std::make_shared<SqlStore>(
      ParseStoreAddress(conn, options_.storePassword), source(),
      [tables = options_.privateTables](SqlStore& store) { createPrivateTables(store, tables); });
  if (store_->isMariaDb())
    refuseNarrowTables();
}

VelBase::~VelBase() = default;

QString VelBase::ResolveSuiteHome(const QString& configured) {
  QString home = configured;
  if (home.isEmpty())
    home = qEnvironmentVariable("KESTREL_SUITE_HOME");
  if (home.isEmpty())
    home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Velmar");
  return QDir::cleanPath(QDir(home).absolutePath());
}

bool VelBase::CheckDllsVersion(bool) {
  if (!options_.moduleVersion)
    return true;
  return options_.moduleVersion() == options_.suiteVersion;
}

void VelBase::ConQuery(const QString& sql) {
  if (!store_->isMariaDb()) {
    // The suite follows its changes with "Flush Tables" so that other workstations' MySQL
    // table caches see them; SQLite has no such cache and no such statement.
    static const QRegularExpression flushTables(QStringLiteral("^\\s*flush\\s+tables\\s*;?\\s*$"),
                                                QRegularExpression::CaseInsensitiveOption);
    if (!flushTables.match(sql).hasMatch())
      store_->exec(sql);
    return;
  }
  if (const std::optional<KeyedChange> key = FindKeyedChange(sql, !store_->noBackslashEscapes())) {
    changeKeyed(sql, *key);
    return;
  }
  if (store_->databaseCharset() != u"utf8mb4") {
    const QString table = CreatedTableName(sql);
    if (!table.isEmpty() && !privateNames_.contains(table, Qt::CaseInsensitive)) {
      createHoldingAnyText(sql, table);
      return;
    }
  }
  store_->exec(sql);
}

// The rows of other values that the server takes for the key are looked for and locked in the
// same transaction as the change, so none can be added in between.
void VelBase::changeKeyed(const QString& sql, const KeyedChange& key) {
  if (!IsPlainIdentifier(key.table) || !IsPlainIdentifier(key.column)) {
    store_->exec(sql);
    return;
  }
  std::optional<StoreTransaction> transaction;
  if (!store_->inTransaction())
    transaction.emplace(*store_);
  const QString literal = QLatin1Char('\'') + key.literal + QLatin1Char('\'');
  QSqlQuery query = store_->select(QStringLiteral("SELECT ") + key.column + QStringLiteral(" FROM ") +
                                   key.table + QStringLiteral(" WHERE ") + key.column +
                                   QStringLiteral(" = ") + literal + QStringLiteral(" AND HEX(CONVERT(") +
                                   key.column + QStringLiteral(" USING utf8mb4)) <> HEX(") + literal +
                                   QStringLiteral(") LIMIT 20 FOR UPDATE"));
  QStringList others;
  while (query.next())
    if (const QString other = query.value(0).toString(); !others.contains(other))
      others << other;
  query.finish();
  if (!others.isEmpty())
    throw RuntimeError(
        errnum::DatabaseFailure,
        QStringLiteral("Nothing was changed: the database server cannot tell %1 '%2' in %3 from %4 "
                       "(a difference of letter case, accents or trailing blanks only), so the "
                       "change would reach them too. Rename one of them.")
            .arg(key.column, key.value, key.table, quotedList(others)),
        source());
  store_->exec(sql);
  if (transaction)
    transaction->commit();
}

// A table created without a character set takes the database's; on a latin1 database it
// could not hold names in Indian scripts.
void VelBase::createHoldingAnyText(const QString& sql, const QString& table) {
  const bool existed = store_->hasTable(table);
  store_->exec(sql);
  if (!existed && IsPlainIdentifier(table) && store_->hasTable(table))
    store_->exec(QStringLiteral("ALTER TABLE ") + table +
                 QStringLiteral(" CONVERT TO CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci"));
}

QStringList VelBase::narrowTextTables(const QStringList& names) {
  QStringList lowered;
  for (const QString& name : names) lowered << store_->escape(name.toLower());
  QSqlQuery query = store_->select(
      QStringLiteral(
          "SELECT DISTINCT TABLE_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() "
          "AND CHARACTER_SET_NAME IS NOT NULL AND CHARACTER_SET_NAME <> 'utf8mb4' "
          "AND LOWER(TABLE_NAME) IN (") +
      quotedList(lowered) + QStringLiteral(") ORDER BY TABLE_NAME"));
  QStringList narrow;
  while (query.next()) narrow << query.value(0).toString();
  return narrow;
}

void VelBase::refuseNarrowTables() {
  QStringList names;
  for (const QString& name : options_.unicodeTables)
    if (!privateNames_.contains(name, Qt::CaseInsensitive))
      names << name;
  if (names.isEmpty())
    return;
  QStringList narrow;
  const QStringList found = narrowTextTables(names);  // as the server spells them
  for (const QString& name : names)
    if (found.contains(name, Qt::CaseInsensitive))
      narrow << name;
  if (narrow.isEmpty())
    return;
  throw RuntimeError(
      errnum::DatabaseFailure,
      QStringLiteral("The tables %1 of database '%2' keep text in another character set than "
                     "utf8mb4 and cannot hold names in every script. Convert each on the server "
                     "(ALTER TABLE <name> CONVERT TO CHARACTER SET utf8mb4 COLLATE "
                     "utf8mb4_unicode_ci) and start again.")
          .arg(narrow.join(QStringLiteral(", ")), store_->address().database),
      source());
}

bool VelBase::readsPrivateTable(const QString& sql) const {
  for (const QString& name : privateNames_)
    if (sql.contains(name, Qt::CaseInsensitive))
      return true;
  return false;
}

DbConnection* VelBase::DBObj() {
  return connection_.get();
}

void VelBase::RecordsetQuery(std::unique_ptr<Recordset>& rs, const QString& sqlOrTable, DbConnection*, int,
                             int, int options) {
  // Every read is forward-only whatever cursor the caller asks for: the module only ever
  // walks a recordset from its first record to its end. There is one connection, so the
  // connection argument adds nothing.
  const QString text = sqlOrTable.trimmed();
  const bool byTableName = options == ado::adCmdTable ||
                           std::none_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
  QString sql = text;
  if (byTableName) {
    if (!IsPlainIdentifier(text))
      throw RuntimeError(errnum::DatabaseFailure, QStringLiteral("Invalid table name '%1'").arg(text),
                         source());
    sql = QStringLiteral("SELECT * FROM ") + text;
  }
  rs.reset();
  // A new connection's private scratch table is empty: reading it again there would count
  // nothing instead of failing.
  rs = std::make_unique<SqlRecordset>(store_, store_->select(sql, !readsPrivateTable(sql)));
}

QString VelBase::TruncVarSQL(const QVariant& value) const {
  if (value.isNull())
    return {};
  return store_->escape(value.toString());
}

QString VelBase::ExePath() const {
  MakeOwnerOnlyFolder(home_);
  return home_;
}

QString VelBase::vTmpPath() const {
  const QString path = home_ + QStringLiteral("/Temp/");
  MakeOwnerOnlyFolder(path);
  return path;
}

QString VelBase::DocPath() const {
  const QString path = home_ + QStringLiteral("/Documents");
  MakeOwnerOnlyFolder(path);
  return path;
}

QString VelBase::GetSettingINI(const QString& section, const QString& key, const QString& defaultValue,
                               const QString& filePath) {
  if (!QFileInfo::exists(filePath))
    return defaultValue;
  QSettings settings(filePath, QSettings::IniFormat);
  const QVariant value = settings.value(section + QLatin1Char('/') + key);
  if (!value.isValid())
    return defaultValue;
  // An unquoted value with commas written by another program reads as a list.
  if (value.typeId() == QMetaType::QStringList)
    return value.toStringList().join(QStringLiteral(", "));
  return value.toString();
}

void VelBase::SaveSettingINI(const QString& section, const QString& key, const QString& value,
                             const QString& filePath) {
  MakeOwnerOnlyFolder(QFileInfo(filePath).absolutePath(), ExistingFolder::Leave);
  QSettings settings(filePath, QSettings::IniFormat);
  settings.setValue(section + QLatin1Char('/') + key, value);
  settings.sync();
  if (settings.status() != QSettings::NoError)
    throw RuntimeError(errnum::PathFileAccess, QStringLiteral("Path/File access error"), source());
  QFile::setPermissions(filePath, OwnerOnlyFile);
}

QString VelBase::GetPhone4MobNo(const QString& phone4, const QString& kind) const {
  if (kind != u"M")
    return {};
  return FindMobileNumber(phone4);
}

// A Phone4 text holds whatever numbers the practitioner typed ("O:2345678 M:98765 43210",
// "022-2345678, +91-9876543210"). Digits separated by a single blank or hyphen form one run
// of groups; within a run, from each group on, the longest stretch of whole groups that
// makes a mobile number is taken: ten digits starting with 6 to 9, optionally preceded by
// "91" (also written "+91") or the trunk "0". The first such number in the text wins and is
// returned as its ten digits; a text without one gives "".
QString VelBase::FindMobileNumber(QStringView text) {
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (i < n) {
    if (!isAsciiDigit(text[i])) {
      ++i;
      continue;
    }
    QStringList groups;
    QString group;
    while (i < n) {
      if (isAsciiDigit(text[i])) {
        group += text[i++];
      } else if ((text[i] == u' ' || text[i] == u'-') && i + 1 < n && isAsciiDigit(text[i + 1])) {
        groups << group;
        group.clear();
        ++i;
      } else {
        break;
      }
    }
    groups << group;
    for (qsizetype start = 0; start < groups.size(); ++start) {
      QString digits;
      QString found;
      for (qsizetype end = start; end < groups.size(); ++end) {
        digits += groups[end];
        if (digits.size() > 12)
          break;
        if (QString mobile = mobileFrom(digits); !mobile.isEmpty())
          found = mobile;
      }
      if (!found.isEmpty())
        return found;
    }
  }
  return {};
}

double VelBase::vScreenRatX() const {
  const QScreen* screen = primaryScreen();
  return screen ? screen->logicalDotsPerInchX() / DesignDpi : 1.0;
}

double VelBase::vScreenRatY() const {
  const QScreen* screen = primaryScreen();
  return screen ? screen->logicalDotsPerInchY() / DesignDpi : 1.0;
}

double VelBase::vScreenRatFS() const {
  const QScreen* screen = primaryScreen();
  return screen ? screen->logicalDotsPerInch() / DesignDpi : 1.0;
}

// Qt's layouts already place and size the controls for the screen, so only the window's
// font is scaled, by the font factor and once per window; its children inherit it.
void VelBase::Resize_For_Resolution(QWidget* window) {
  if (!window)
    return;
  const double factor = vScreenRatFS();
  if (qFuzzyCompare(factor, 1.0) || window->property("velbaseFontScaled").toBool())
    return;
  QFont font = window->font();
  if (font.pointSizeF() > 0)
    font.setPointSizeF(font.pointSizeF() * factor);
  else if (font.pixelSize() > 0)
    font.setPixelSize(qRound(font.pixelSize() * factor));
  window->setFont(font);
  window->setProperty("velbaseFontScaled", true);
}

void VelBase::RefreshClList() {
  ++refreshes_;
  if (options_.refreshClientList)
    options_.refreshClientList();
}

void registerVelBase(VelBaseOptions options) {
  ObjectRegistry::instance().registerFactory(QString::fromLatin1(BaseComponent::ProgId),
                                             [options] { return std::make_shared<VelBase>(options); });
}

}  // namespace kestrel
