#include "store/base_component.h"

namespace kestrel {

int Recordset::requireField(QStringView name) const {
  const int index = FieldIndex(name);
  if (index < 0)
    throw RuntimeError(3265,
                       QStringLiteral("Item cannot be found in the collection corresponding to the "
                                      "requested name or ordinal. (") +
                           name.toString() + QLatin1Char(')'),
                       QStringLiteral("Recordset"));
  return index;
}

}  // namespace kestrel
