#pragma once

#include <functional>

namespace kestrel {

namespace grid {
class FlexGrid;
}
struct SharingLimits;

// The proceed command: checks the selected rows and the sharing limits, then starts the
// per-client run in update mode (startRun(true)). A refusal is shown to the user and puts the
// register's cursor on its cell; the run does not start.
void StartUpdateRun(grid::FlexGrid& vsCL, const SharingLimits& limits,
                    const std::function<void(bool)>& startRun);

}  // namespace kestrel
