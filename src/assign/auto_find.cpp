#include "assign/auto_find.h"

namespace kestrel {

namespace {
constexpr int kBackspace = 8;
constexpr int kEnter = 13;
}  // namespace

AutoFindResult AutoFind(const QStringList& entries, const FieldState& field, int keyAscii, bool limitToList) {
  AutoFindResult result;
  if ((keyAscii < 32 || keyAscii > 127) && keyAscii != kBackspace)
    return result;

  if (keyAscii == kBackspace && field.selStart <= 1) {
    result.changed = true;
    if (limitToList)
      result.field = {field.text, 0, int(field.text.size())};
    else
      result.field = {};
    return result;
  }

  QString search;
  if (keyAscii == kBackspace) {
    search = field.selLength > 0 ? field.text.left(field.selStart) : field.text;
    search.chop(1);
  } else {
    search = (field.selLength > 0 ? field.text.left(field.selStart) : field.text) + QChar(char16_t(keyAscii));
  }

  int found = -1;
  for (int i = 0; i < entries.size(); ++i) {
    if (entries[i].startsWith(search, Qt::CaseInsensitive)) {
      found = i;
      break;
    }
  }
  if (found < 0) {
    result.keyAscii = limitToList ? 0 : keyAscii;
    return result;
  }

  const QString& entry = entries[found];
  result.listIndex = found;
  result.changed = true;
  result.field = {entry, int(search.size()), int(entry.size() - search.size())};
  return result;
}

int MobileKeyFilter(int keyAscii) {
  const bool digit = keyAscii >= '0' && keyAscii <= '9';
  return digit || keyAscii == '.' || keyAscii == kBackspace || keyAscii == kEnter ? keyAscii : 0;
}

}  // namespace kestrel
