// The handler of the main window's window-created event: shows the window,
// sends the nine other digit keys to the handler of 按钮1 and the three other
// operator keys to that of 按钮13, and clears the calculator.
#pragma once

#include "app/host.h"

namespace quorvane {

void mainWindowCreated(Host& host);

}  // namespace quorvane
