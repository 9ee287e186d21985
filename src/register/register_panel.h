#pragma once

#include <QFrame>
#include <QTimer>

#include <array>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;

namespace kestrel {

class ZENButton;
class RegisterEditing;
namespace grid {
class FlexGrid;
}

// The main panel `FraMainOuter`: the client register `vsCL` with its search box, the serial
// range boxes and the window's command buttons. The search and range commands are handled here;
// the other buttons are connected by the window.
class RegisterPanel : public QFrame {
  Q_OBJECT

 public:
  explicit RegisterPanel(QWidget* parent = nullptr);

  grid::FlexGrid* vsCL = nullptr;
  RegisterEditing* editing = nullptr;

  QComboBox* CmbSearch = nullptr;  // item data: the register column searched
  QLineEdit* TxtSearch = nullptr;
  ZENButton* CmdSearch = nullptr;
  std::array<QLineEdit*, 2> TxtFromR{};  // 0 "From", 1 "To"
  ZENButton* CmdOKRange = nullptr;

  ZENButton* CmdSetup = nullptr;
  ZENButton* CmdLogin = nullptr;
  ZENButton* CmdKeepSame = nullptr;  // pops up the Copy menu
  ZENButton* CmdSecEmail = nullptr;
  ZENButton* CmdProceed = nullptr;
  // Saves the details the portal confirmed and the store did not take; shown while there are such.
  ZENButton* CmdSaveConfirmed = nullptr;
  ZENButton* CmdReport = nullptr;  // pops up the Reports menu
  ZENButton* CmdMailSetup = nullptr;
  ZENButton* CmdHelp = nullptr;
  ZENButton* CmdQuit = nullptr;
  QLabel* lblCount = nullptr;

  void CmdSearch_Click();
  void CmdOKRange_Click();
  void TxtFromR_LostFocus(int index);
  // Shows how many clients the register holds and how many are ticked.
  void UpdateCount();
  // CmdSaveConfirmed shown or hidden, the count moved to where it fits.
  void showSaveConfirmed(bool shown);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Minimum widths from the font: readable captions, a usable search box, a few rows of clients.
  void fitToFont();
  int buttonsWidth() const;
  // The count beside the buttons when both fit on one line, else on a line above them.
  void placeCount();

  QTimer countTimer_;
  QHBoxLayout* statusRow_ = nullptr;
  QHBoxLayout* buttonRow_ = nullptr;
};

}  // namespace kestrel
