#pragma once

#include <QPointer>
#include <QWidget>

class QMenuBar;

namespace kestrel {

class DefaultPanel;
class PortalRun;
class PortalSettingsBox;
class ProgressPanel;
class RegisterPanel;
class RunSummaryPanel;
class ReportCommands;
class ReportPanel;
class SetupPanel;
namespace grid {
class FlexGrid;
}

// The main window ("frmKestrel" in the log and as its object name): the client register on the
// main panel, and in front of it at most one of the setup, default-contacts and progress
// panels (the main panel is disabled meanwhile); the report panel takes the main panel's place.
// The menu bar above them holds the Copy and Reports menus.
class MainWindow : public QWidget {
  Q_OBJECT

 public:
  // Caption of the window.
  static constexpr const char* Caption = "Bulk Contact Detail Updation @ITD Portal";
  // Asked before closing a register that holds fetched details, changes or outcomes.
  static constexpr const char* CloseQuestion =
      "Close Kestrel? Fetched portal details and changes not yet submitted will be lost.";

  // The default instance: loadDefault creates it and loads it once; closing clears it.
  static MainWindow& loadDefault();
  static MainWindow* instance();

  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  RegisterPanel* registerPanel = nullptr;
  ReportPanel* reportPanel = nullptr;
  SetupPanel* setupPanel = nullptr;
  DefaultPanel* defaultPanel = nullptr;
  ProgressPanel* progressPanel = nullptr;
  PortalRun* portalRun = nullptr;
  PortalSettingsBox* portalSettings = nullptr;  // on the setup panel
  RunSummaryPanel* runSummaryPanel = nullptr;   // under the register: how the last run went
  grid::FlexGrid* registerGrid = nullptr;       // the register grid of the main panel
  QMenuBar* menuBar = nullptr;                  // "&Copy" and "&Reports"
  ReportCommands* reportCommands = nullptr;

  // The load in its fixed order: tables, portal login component, lists, register, defaults.
  void load();
  // Sizes the main panel to the window and centres the others over it.
  void layoutPanels();
  // The smallest size at which the main panel keeps its controls readable and every panel in
  // front of it fits whole.
  void updateMinimumSize();
  // The window previews every key of its controls; true when the key was swallowed.
  bool previewKey(int keyCode, QObject* target);
  void openHelp();
  void quit();
  void showSetup();
  void showDefaults();
  // Closes the register's in-place editor without storing its text. Every command that reloads
  // or rewrites the register's cells calls it first, so that an editor left open cannot later
  // commit its text over the new values (or onto another client after a reload).
  void cancelOpenEdit();
  // F5: saves the confirmed details still pending, then loads the register again.
  void reloadClients();
  // Saves the confirmed details still pending in the journal and tells the user how it went.
  void saveConfirmedDetails();
  // The portal run in fetch mode over the selected clients.
  void fetchProfiles();
  // The checks of the update run, then the portal run in update mode.
  void proceedWithUpdate();
  // The mail window with the selected clients ("&Mail Setup"); one at a time.
  void openMailSetup();

  // Brings a secondary panel in front and disables the main panel, or hides it and enables
  // the main panel again.
  void showPanel(QWidget* panel);
  void hidePanel(QWidget* panel);
  // The secondary panel in front, if any.
  QWidget* panelInFront() const;

  // The help document: the program folder's HTMLHelp/ITR_Help.pdf.
  static QString helpDocumentPath();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void reportIndistinctCodes();
  void connectPortalRun();
  void showRunSummary(bool runJustEnded);
  // Writes the journal's pending confirmations; the save button shows while some remain.
  void savePendingConfirmations(bool tellUser);
  void showSaveConfirmedButton();
  bool showUnsavedToolTip(QEvent* event);
  void centre(QWidget* panel) const;
  int menuBarHeight() const;
  bool loaded_ = false;
  bool closeAfterRun_ = false;
};

}  // namespace kestrel
