#pragma once

#include <QDialog>

class QLabel;

namespace kestrel {

class ZENButton;

// The notice ("FrmNotice") shown before the main window: the service terms and two buttons. Continue
// records that the user accepted; Back (or Escape) only closes it.
class NoticeDialog : public QDialog {
  Q_OBJECT

 public:
  explicit NoticeDialog(QWidget* parent = nullptr);
  ~NoticeDialog() override;

  // The default instance, created on first use and cleared when the dialog is unloaded.
  static NoticeDialog& instance();
  static bool exists();

  QLabel* headingLabel = nullptr;
  QLabel* termsLabel = nullptr;
  ZENButton* backButton = nullptr;
  ZENButton* continueButton = nullptr;

  void acceptTerms();
  void goBack();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
};

inline constexpr const char* NoticeCaption = " Bulk Contact Detail Verification @ ITD Portal";
inline constexpr const char* NoticeHeading = "Bulk Contact Detail Verification @ ITD Portal";

// The service terms, in the order they are listed (the second is an empty line).
const QStringList& NoticeTerms();

}  // namespace kestrel
