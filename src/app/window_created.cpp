#include "app/window_created.h"

#include "calc/calculator.h"
#include "ui/window_description.h"

namespace quorvane {

void mainWindowCreated(Host& host) {
  host.setWindowVisible(ui::kMainWindowId, true);

  // The digit keys all run the handler of 按钮1 and the operator keys that of
  // 按钮13; inside them eventComponent() still names the key that was clicked.
  host.redirectEvents(ui::control("按钮2"), ui::control("按钮1"));
  host.redirectEvents(ui::control("按钮3"), ui::control("按钮1"));
  host.redirectEvents(ui::control("按钮4"), ui::control("按钮1"));
  host.redirectEvents(ui::control("按钮5"), ui::control("按钮1"));
  host.redirectEvents(ui::control("按钮6"), ui::control("按钮1"));
  host.redirectEvents(ui::control("按钮7"), ui::control("按钮1"));
  host.redirectEvents(ui::control("按钮8"), ui::control("按钮1"));
  host.redirectEvents(ui::control("按钮9"), ui::control("按钮1"));
  host.redirectEvents(ui::control("按钮10"), ui::control("按钮1"));
  host.redirectEvents(ui::control("按钮14"), ui::control("按钮13"));
  host.redirectEvents(ui::control("按钮15"), ui::control("按钮13"));
  host.redirectEvents(ui::control("按钮16"), ui::control("按钮13"));

  clearCalculation(host);
}

}  // namespace quorvane
