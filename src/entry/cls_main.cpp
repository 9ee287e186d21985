#include "entry/cls_main.h"

#include "entry/main_window.h"
#include "entry/mod_it_main.h"
#include "entry/notice_dialog.h"

namespace kestrel {

ClsMain::ClsMain() {
  ModuleStart();
}

void ClsMain::OpenForm() {
  ModIT_Main().NoticeAccepted = false;
  NoticeDialog::instance().exec();
  if (!ModIT_Main().NoticeAccepted)
    return;
  MainWindow& window = MainWindow::loadDefault();
  window.show();
  window.raise();
  window.activateWindow();
}

QString ClsMain::MyDllVersion() const {
  return QString::fromLatin1(ModuleVersion);
}

}  // namespace kestrel

extern "C" const char* kestrel_module_version() {
  return kestrel::ModuleVersion;
}
