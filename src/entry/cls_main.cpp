#include "entry/cls_main.h"

#include "entry/mod_it_main.h"

namespace kestrel {

ClsMain::ClsMain() {
  ModuleStart();
}

QString ClsMain::MyDllVersion() const {
  return QString::fromLatin1(ModuleVersion);
}

}  // namespace kestrel

extern "C" const char* kestrel_module_version() {
  return kestrel::ModuleVersion;
}
