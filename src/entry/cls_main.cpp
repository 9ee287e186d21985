#include "entry/cls_main.h"

#include "entry/frm_kestrel.h"
#include "entry/frm_notice.h"
#include "entry/mod_it_main.h"

namespace kestrel {

ClsMain::ClsMain() {
  ModuleStart();
}

void ClsMain::OpenForm() {
  ModIT_Main().NoticeAccepted = false;
  FrmNotice::Instance().exec();
  if (!ModIT_Main().NoticeAccepted)
    return;
  frmKestrel& window = frmKestrel::Load();
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
