#pragma once

#include "portal/portal_rules.h"

#include <QStringList>

namespace kestrel::testing {

// A contact group written field by field in test tables; fields left out are "".
struct Contacts {
  const char* nonResident = "";
  const char* isd = "";
  const char* mobile1 = "";
  const char* mobile1Rel = "";
  const char* email1 = "";
  const char* email1Rel = "";
  const char* mobile2 = "";
  const char* mobile2Rel = "";
  const char* email2 = "";
  const char* email2Rel = "";

  ContactGroup group() const {
    return {QString::fromUtf8(nonResident), QString::fromUtf8(isd),        QString::fromUtf8(mobile1),
            QString::fromUtf8(mobile1Rel),  QString::fromUtf8(email1),     QString::fromUtf8(email1Rel),
            QString::fromUtf8(mobile2),     QString::fromUtf8(mobile2Rel), QString::fromUtf8(email2),
            QString::fromUtf8(email2Rel)};
  }
};

// The nine values of a contact update, by name.
struct Submission {
  const char* isd = "";
  const char* priMobile = "";
  const char* priMobileRel = "";
  const char* priEmail = "";
  const char* priEmailRel = "";
  const char* secMobile = "";
  const char* secMobileRel = "";
  const char* secEmail = "";
  const char* secEmailRel = "";

  QStringList values() const {
    QStringList list;
    for (const char* v : {isd, priMobile, priMobileRel, priEmail, priEmailRel, secMobile, secMobileRel,
                          secEmail, secEmailRel})
      list << QString::fromUtf8(v);
    return list;
  }
};

template <class Cells>
QStringList cellList(const Cells& cells) {
  return QStringList(cells.begin(), cells.end());
}

}  // namespace kestrel::testing
