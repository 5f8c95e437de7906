// The main window in the event layer: its window-created handler and one
// control for each record of the window description, with the kind, event and
// handler the record names.
#pragma once

#include "app/event_layer.h"

namespace quorvane {

// Creates the main window and its 48 controls in the layer and returns the
// window's number, which is ui::kMainWindowId when the layer held no window
// before. Dispatch is suppressed while the controls are created and on again
// when this returns; raising the window-created event is the caller's step.
int registerMainWindow(EventLayer& layer);

}  // namespace quorvane
