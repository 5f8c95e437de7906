#include "app/main_window_events.h"

#include "ui/window_description.h"

namespace quorvane {

int registerMainWindow(EventLayer& layer) {
  const int window = layer.beginCreating(ui::kMainWindow.windowCreated);
  for (const ui::ControlRecord& record : ui::kControls) {
    layer.addControl(
        window,
        ControlBinding{.kind = record.kind, .event = record.event, .handler = record.handler});
  }
  layer.endCreating();
  return window;
}

}  // namespace quorvane
