#pragma once

#include <QDialog>

class QLabel;

namespace kestrel {

class ZENButton;

// The notice shown before the main window: the service terms and two buttons. Continue
// records that the user accepted; Back (or Escape) only closes it.
class FrmNotice : public QDialog {
  Q_OBJECT

 public:
  explicit FrmNotice(QWidget* parent = nullptr);
  ~FrmNotice() override;

  // The default instance, created on first use and cleared when the dialog is unloaded.
  static FrmNotice& Instance();
  static bool Exists();

  QLabel* lblHeading = nullptr;
  QLabel* lblTerms = nullptr;
  ZENButton* CmdCancelNotice = nullptr;
  ZENButton* CmdContinue = nullptr;

  void CmdContinue_Click();
  void CmdCancelNotice_Click();
  // Escape does what Back does; the key goes no further.
  void Form_KeyPress(int& keyAscii);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
};

inline constexpr const char* NoticeCaption = " Bulk Contact Detail Verification @ ITD Portal";
inline constexpr const char* NoticeHeading = "Bulk Contact Detail Verification @ ITD Portal";

// The service terms, in the order they are listed (the second is an empty line).
const QStringList& NoticeTerms();

}  // namespace kestrel
