#pragma once

#include "support/runtime_error.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace kestrel {

// Anything that can be created by programmatic identifier.
class Component {
 public:
  virtual ~Component() = default;
};

// Creates outside components by programmatic identifier ("VelBase.ClsMain",
// "prjPortAct.clsMain"). The host program registers the real components before the module
// starts; tests register their own in their place.
class ObjectRegistry {
 public:
  using Factory = std::function<std::shared_ptr<Component>()>;

  static ObjectRegistry& instance();

  // Replaces any factory already registered under the identifier (case-insensitive).
  void registerFactory(const QString& progId, Factory factory);
  void unregister(const QString& progId);
  bool has(const QString& progId) const;

  // Raises RuntimeError 429 when nothing is registered or the factory gives nothing.
  std::shared_ptr<Component> create(const QString& progId) const;

 private:
  ObjectRegistry() = default;
  struct Entry {
    QString key;
    Factory factory;
  };
  std::vector<Entry> entries_;
};

// CreateObject for a known interface: the object must implement T.
template <class T>
std::shared_ptr<T> CreateObject(const QString& progId) {
  auto obj = std::dynamic_pointer_cast<T>(ObjectRegistry::instance().create(progId));
  if (!obj)
    throw RuntimeError(errnum::TypeMismatch, QStringLiteral("Type mismatch"), progId);
  return obj;
}

}  // namespace kestrel
