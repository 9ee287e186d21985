#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <utility>

namespace kestrel {

// A form's stored property set: values under text keys, kept in the order they were first
// written. Reading a missing key gives the caller's default. The bag also notes the keys
// read, in order, which lets a loader be checked against the order it must read in.
class PropertyBag {
 public:
  QVariant ReadProperty(const QString& key, const QVariant& defaultValue = {}) const;
  void WriteProperty(const QString& key, const QVariant& value);

  bool contains(const QString& key) const { return indexOf(key) >= 0; }
  QStringList keys() const;
  QStringList readKeys() const { return m_reads; }
  int size() const { return static_cast<int>(m_items.size()); }
  void clear();

 private:
  qsizetype indexOf(const QString& key) const;

  QList<std::pair<QString, QVariant>> m_items;
  mutable QStringList m_reads;
};

}  // namespace kestrel
