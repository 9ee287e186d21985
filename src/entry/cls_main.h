#pragma once

#include <QString>

namespace kestrel {

// The module's one public class, created by the host. Creating the first one runs the
// module start routine.
class ClsMain {
 public:
  ClsMain();

  QString MyDllVersion() const;
  // Shows the notice modally and, when the user continues, the main window (modeless).
  void OpenForm();
};

inline constexpr const char* ModuleVersion = "2.26.3";

}  // namespace kestrel

// Looked up by name by hosts that load the module at run time.
extern "C" const char* kestrel_module_version();
