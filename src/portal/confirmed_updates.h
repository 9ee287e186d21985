#pragma once

#include "portal/portal_rules.h"

#include <QString>

#include <vector>

namespace kestrel {

// One client's details that the portal confirmed, as the write-back stores them.
struct ConfirmedUpdate {
  QString id;    // the record's key in the journal, given when it is added
  QString code;  // Code_No of the client
  QString name;  // the client's name, to tell the user
  RegistrationValues values;
};

// The journal of confirmed updates: a file in the suite home that keeps each client's confirmed
// details from the moment the portal confirmed them until the store holds them, so that a store
// failing in between loses nothing the portal already took.
//
// One JSON object per line, each line on disk before the call returns:
//   {"confirmed": id, "code": ..., "name": ..., "EmailID": ..., "MobNo": ..., "EmailId1": ...,
//    "MobNo1": ...}                 when the portal confirmed
//   {"saved": id}                   once the UPDATE and "Flush Tables" went through
// A client's latest confirmation is the one that counts: it is pending until it is saved. A
// line cut off by a crash is skipped when read. The file is created for its owner alone.
// Failures to write raise RuntimeError.
class ConfirmedUpdateJournal {
 public:
  explicit ConfirmedUpdateJournal(QString path);

  // "<suite home>/Data/confirmed-updates.journal".
  static QString pathIn(const QString& suiteHome);
  // The journal of the suite home the base component uses.
  static ConfirmedUpdateJournal ofSuite();

  const QString& path() const { return path_; }

  // Records a confirmation and gives it its id.
  void addConfirmed(ConfirmedUpdate& update);
  // Records that the store holds the confirmation with this id.
  void markSaved(const QString& id);
  // The confirmations the store does not hold yet, one per client (its latest), in the order
  // they were confirmed.
  std::vector<ConfirmedUpdate> pending() const;
  // Rewrites the file with the pending confirmations alone, or removes it when there are none.
  void compact();

 private:
  void append(const QByteArray& line);

  QString path_;
};

// Writes one confirmed update with the write-back's statement and "Flush Tables" (failures
// logged under "UpdateITRDetails") and, when both went through, marks it saved in the journal.
// True when the store holds it.
bool SaveConfirmedUpdate(ConfirmedUpdateJournal& journal, const ConfirmedUpdate& update);

// Saves every pending confirmation of the journal and compacts it.
struct PendingSaveResult {
  std::vector<ConfirmedUpdate> saved;
  std::vector<ConfirmedUpdate> unsaved;
};
PendingSaveResult SavePendingConfirmations(ConfirmedUpdateJournal& journal);

// What the user is told about clients the portal confirmed but the store does not hold.
QString UnsavedConfirmationsMessage(const std::vector<ConfirmedUpdate>& unsaved);

}  // namespace kestrel
