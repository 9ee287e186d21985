#include "assign/default_store.h"

#include "entry/error_log.h"
#include "entry/mod_it_main.h"
#include "register/edit_rules.h"

#include <QDir>

#include <cmath>
#include <memory>

namespace kestrel {

namespace {
constexpr char16_t Window[] = u"frmKestrel";

struct UsedValueTable {
  const char* select;
  const char* insertHead;  // the value and "')" follow
};

// Indexed by UsedValueList.
constexpr UsedValueTable UsedValueTables[] = {
    {"SELECT DISTINCT s_eMail FROM TblITR_PriMail Order by s_eMail",
     "INSERT INTO TblITR_PriMail (s_eMail) VALUES('"},
    {"SELECT DISTINCT s_Mobile FROM TblITR_PriMob Order by s_Mobile",
     "INSERT INTO TblITR_PriMob (s_Mobile) VALUES('"},
    {"SELECT DISTINCT s_eMail FROM TblITR_SecMail Order by s_eMail",
     "INSERT INTO TblITR_SecMail (s_eMail) VALUES('"},
    {"SELECT DISTINCT s_Mobile FROM TblITR_SecMob Order by s_Mobile",
     "INSERT INTO TblITR_SecMob (s_Mobile) VALUES('"},
};

const UsedValueTable& tableOf(UsedValueList list) {
  return UsedValueTables[static_cast<int>(list)];
}

QString section() {
  return QStringLiteral("ITRDEFSETUP");
}

struct SettingKey {
  const char* key;
  std::optional<QString> DefaultSettings::*value;
  const char* fallback;  // nullptr: no default, an empty text
};

// In the order they are read.
constexpr SettingKey ReadOrder[] = {
    {"P_MOBILE", &DefaultSettings::primaryMobile, nullptr},
    {"ISCUSTMOB", &DefaultSettings::useClientMobile, "0"},
    {"P_EMAIL", &DefaultSettings::primaryEMail, nullptr},
    {"ISFROMSETUP", &DefaultSettings::fetchAlias, "0"},
    {"MAXEMAIL", &DefaultSettings::maxEMail, nullptr},
    {"MAXEMOB", &DefaultSettings::maxMobile, nullptr},
    {"S_MOBILE", &DefaultSettings::secondaryMobile, nullptr},
    {"S_EMAIL", &DefaultSettings::secondaryEMail, nullptr},
};

// In the order they are written.
constexpr SettingKey WriteOrder[] = {
    {"ISCUSTMOB", &DefaultSettings::useClientMobile, nullptr},
    {"P_MOBILE", &DefaultSettings::primaryMobile, nullptr},
    {"P_EMAIL", &DefaultSettings::primaryEMail, nullptr},
    {"ISFROMSETUP", &DefaultSettings::fetchAlias, nullptr},
    {"MAXEMAIL", &DefaultSettings::maxEMail, nullptr},
    {"MAXEMOB", &DefaultSettings::maxMobile, nullptr},
    {"S_MOBILE", &DefaultSettings::secondaryMobile, nullptr},
    {"S_EMAIL", &DefaultSettings::secondaryEMail, nullptr},
};

void closeIfOpen(ErrorTrap& trap, const std::unique_ptr<Recordset>& rs) {
  trap([&] {
    if (rs && rs->isOpen())
      rs->Close();
  });
}
}  // namespace

UsedValues ReadUsedValues(UsedValueList list) {
  ErrorTrap trap(Window, u"ReadDefaultDetails");
  UsedValues read;
  std::unique_ptr<Recordset> rs;
  read.complete = trap([&] {
    Base().RecordsetQuery(rs, QString::fromLatin1(tableOf(list).select), Base().DBObj(),
                          ado::adOpenForwardOnly, ado::adLockReadOnly);
    for (; !rs->Eof(); rs->MoveNext()) {
      QString value = rs->Text(0);
      if (!value.trimmed().isEmpty())
        read.values << std::move(value);
    }
  });
  closeIfOpen(trap, rs);
  return read;
}

void RememberTypedValue(UsedValueList list, const QString& typed) {
  ErrorTrap trap(Window, u"CmdSecDefault_Click");
  trap([&] {
    Base().ConQuery(QString::fromLatin1(tableOf(list).insertHead) + Base().TruncVarSQL(typed.trimmed()) +
                    QStringLiteral("')"));
  });
  trap([&] { Base().ConQuery(QStringLiteral("Flush Tables")); });
}

std::vector<AliasAddress> ReadAliasAddresses() {
  ErrorTrap trap(Window, u"SETMAILS");
  std::vector<AliasAddress> addresses;
  std::unique_ptr<Recordset> rs;
  const bool opened = trap([&] {
    Base().RecordsetQuery(
        rs,
        QStringLiteral("SELECT F.*, D.sDomain FROM WebMailFwder as F INNER JOIN WebMailDomain as "
                       "D ON D.DomainID = F.DomainID"),
        Base().DBObj(), ado::adOpenForwardOnly, ado::adLockReadOnly);
  });
  if (opened) {
    trap([&] {
      for (; !rs->Eof(); rs->MoveNext())
        addresses.push_back(
            {rs->Text(u"CodeNo"), rs->Text(u"sAlias") + QLatin1Char('@') + rs->Text(u"sDomain")});
    });
  }
  closeIfOpen(trap, rs);
  return addresses;
}

QString DefaultSettingsFile() {
  return Base().DocPath() + QDir::separator() + QStringLiteral("ITRELFdefCongi.ini");
}

DefaultSettings ReadDefaultSettings() {
  ErrorTrap trap(Window, u"ReadITRDefSetting");
  DefaultSettings settings;
  QString file;
  if (!trap([&] { file = DefaultSettingsFile(); }))
    return settings;
  for (const SettingKey& k : ReadOrder) {
    QString value;
    if (!trap([&] {
          value = Base().GetSettingINI(section(), QString::fromLatin1(k.key),
                                       k.fallback ? QString::fromLatin1(k.fallback) : QString(), file);
        }))
      return settings;
    settings.*k.value = value;
  }
  for (std::optional<QString>* limit : {&settings.maxEMail, &settings.maxMobile})
    if (limit->value().trimmed().isEmpty())
      *limit = QStringLiteral("10");
  return settings;
}

void SaveDefaultSettings(const DefaultSettings& settings) {
  ErrorTrap trap(Window, u"SaveITRDefSetting");
  QString file;
  if (!trap([&] { file = DefaultSettingsFile(); }))
    return;
  for (const SettingKey& k : WriteOrder) {
    const std::optional<QString>& value = settings.*k.value;
    if (value && !trap([&] { Base().SaveSettingINI(section(), QString::fromLatin1(k.key), *value, file); }))
      return;
  }
}

QString StoredCheckValue(Qt::CheckState state) {
  switch (state) {
    case Qt::Checked:
      return QStringLiteral("1");
    case Qt::PartiallyChecked:
      return QStringLiteral("2");
    default:
      return QStringLiteral("0");
  }
}

Qt::CheckState CheckStateFromStored(const QString& stored) {
  if (!IsNumeric(stored))
    throw RuntimeError(errnum::TypeMismatch, QStringLiteral("Type mismatch"));
  const double value = std::nearbyint(stored.trimmed().toDouble());
  if (value == 0)
    return Qt::Unchecked;
  if (value == 1)
    return Qt::Checked;
  if (value == 2)
    return Qt::PartiallyChecked;
  throw RuntimeError(380, QStringLiteral("Invalid property value"));
}

}  // namespace kestrel
