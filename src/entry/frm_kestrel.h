#pragma once

#include <QPointer>
#include <QWidget>

namespace kestrel {

class DefaultPanel;
class PortalRun;
class ProgressPanel;
class RegisterPanel;
class ReportPanel;
class SetupPanel;
namespace grid {
class FlexGrid;
}

// The main window: the client register on the main panel `FraMainOuter`, and in front of it
// at most one of the setup, default-contacts and progress panels (the main panel is disabled
// meanwhile); the report panel takes the main panel's place.
class frmKestrel : public QWidget {
  Q_OBJECT

 public:
  // Caption of the window.
  static constexpr const char* Caption = "Bulk Contact Detail Updation @ITD Portal";

  // The default instance: Load creates it and runs Form_Load once; unloading clears it.
  static frmKestrel& Load();
  static frmKestrel* Instance();

  explicit frmKestrel(QWidget* parent = nullptr);
  ~frmKestrel() override;

  RegisterPanel* FraMainOuter = nullptr;
  ReportPanel* FraReport = nullptr;
  SetupPanel* FraSetup = nullptr;
  DefaultPanel* FraDefault = nullptr;
  ProgressPanel* FraProgress = nullptr;
  PortalRun* Run = nullptr;
  grid::FlexGrid* vsCL = nullptr;  // the register grid of the main panel

  void Form_Load();
  void Form_Resize();
  // The window previews every key of its controls; true when the key was swallowed.
  bool Form_KeyDown(int keyCode, QObject* target);
  void CmdHelp_Click();
  void CmdQuit_Click();
  void CmdSetup_Click();
  void CmdSecEmail_Click();
  void CmdLogin_Click();
  void CmdProceed_Click();

  // Brings a secondary panel in front and disables the main panel, or hides it and enables
  // the main panel again.
  void ShowPanel(QWidget* panel);
  void HidePanel(QWidget* panel);
  // The secondary panel in front, if any.
  QWidget* PanelInFront() const;

  // The help document: the program folder's HTMLHelp/ITR_Help.pdf.
  static QString HelpDocumentPath();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void centre(QWidget* panel) const;
  bool loaded_ = false;
  bool closeAfterRun_ = false;
};

}  // namespace kestrel
