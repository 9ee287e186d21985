#pragma once

// Reads a written workbook back with an independent reader: openpyxl, through
// tests/common/xlsx_dump.py. Test targets define KESTREL_SYSTEM_PYTHON (the system's python3,
// which has python3-openpyxl) and KESTREL_XLSX_DUMP (the script).
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>

namespace kestrel::testing {

// The workbook as openpyxl sees it; an empty object, with the reason in *error, when it could
// not be read.
inline QJsonObject readWorkbook(const QString& path, QString* error = nullptr) {
  QProcess reader;
  reader.start(QStringLiteral(KESTREL_SYSTEM_PYTHON), {QStringLiteral(KESTREL_XLSX_DUMP), path});
  const bool done = reader.waitForFinished(120000);
  const QByteArray out = reader.readAllStandardOutput();
  QJsonParseError parse{};
  const QJsonDocument doc = QJsonDocument::fromJson(out, &parse);
  if (!done || reader.exitCode() != 0 || !doc.isObject()) {
    if (error)
      *error = QString::fromUtf8(reader.readAllStandardError()) + reader.errorString();
    return {};
  }
  return doc.object();
}

// One cell of a read-back workbook ("A1"); empty when the cell holds nothing and no format.
inline QJsonObject cellOf(const QJsonObject& workbook, const QString& ref) {
  return workbook.value(QStringLiteral("cells")).toObject().value(ref).toObject();
}

}  // namespace kestrel::testing
