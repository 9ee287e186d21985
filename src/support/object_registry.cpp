#include "support/object_registry.h"

#include <algorithm>

namespace kestrel {

ObjectRegistry& ObjectRegistry::instance() {
  static ObjectRegistry registry;
  return registry;
}

void ObjectRegistry::registerFactory(const QString& progId, Factory factory) {
  const QString key = progId.toLower();
  auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.key == key; });
  if (it != entries_.end())
    it->factory = std::move(factory);
  else
    entries_.push_back({key, std::move(factory)});
}

void ObjectRegistry::unregister(const QString& progId) {
  const QString key = progId.toLower();
  std::erase_if(entries_, [&](const Entry& e) { return e.key == key; });
}

bool ObjectRegistry::has(const QString& progId) const {
  const QString key = progId.toLower();
  return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.key == key; });
}

std::shared_ptr<Component> ObjectRegistry::create(const QString& progId) const {
  const QString key = progId.toLower();
  auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.key == key; });
  std::shared_ptr<Component> obj;
  if (it != entries_.end() && it->factory)
    obj = it->factory();
  if (!obj)
    throw RuntimeError(errnum::CannotCreateObject, QStringLiteral("ActiveX component can't create object"),
                       progId);
  return obj;
}

}  // namespace kestrel
