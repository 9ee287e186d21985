#pragma once

#include <QFrame>
#include <QString>

class QLabel;

namespace kestrel {

class ZENButton;

// The progress box a portal run shows in front of the main panel: the progress text, the
// client being processed and a Cancel button. The cancel mark lives on the button as its
// "Tag" property, where the portal login component can see it too.
class ProgressPanel : public QFrame {
  Q_OBJECT

 public:
  explicit ProgressPanel(QWidget* parent = nullptr);

  QFrame* fraProgIn = nullptr;  // inner frame holding the three controls below
  QLabel* lblprog = nullptr;    // progress text, written by the run and the portal component
  QLabel* lblPartyName = nullptr;
  ZENButton* cmdprogC = nullptr;

  // "" while a run goes on, "C" once the user confirmed cancelling.
  QString CancelMark() const;
  void setCancelMark(const QString& mark);

  // Asks once whether to cancel; a run already marked for cancelling asks nothing.
  void cmdprogC_Click();
};

}  // namespace kestrel
