// Quorvane: one fixed, always-on-top window with a calculator, a length
// converter, a clock and a month calendar. No arguments, no files, no
// settings; exit code 0 after the window is closed.
#include "app/startup.h"

int main(int argc, char** argv) {
  // Before the QApplication exists: on a Wayland desktop with XWayland, X
  // keeps the window on top.
  quorvane::choosePlatformForThisProcess(argc, argv);
  return quorvane::runProgram(argc, argv);
}
