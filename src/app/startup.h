// Start-up, the run and shutdown of the program, its exit routine and the
// fatal stop.
//
// Start-up, in this order: the QApplication (names, version, look), the
// floating-point environment, the exit routine, the main window and its
// controls (no event dispatched while they are created), the window-created
// event; then the event loop. After the loop: dispatch stops for good, the
// window goes, the exit routine runs once, and the program returns 0.
#pragma once

#include <cstddef>
#include <exception>
#include <memory>
#include <string_view>

#include "app/event_layer.h"
#include "app/main_window_events.h"

class QApplication;

namespace quorvane {

namespace ui {
class MainWindow;
}

// The one exit routine: registered once at start-up, run once at shutdown,
// forgotten when it has run and when a fatal stop begins. Registering again
// replaces it.
using ExitRoutine = void (*)();
void registerExitRoutine(ExitRoutine routine);
void runExitRoutine();
void forgetExitRoutine();

// Rounding to nearest, every floating-point exception masked (division by
// zero, overflow and invalid operations give infinities and NaNs instead of
// traps), and on x86 the x87 unit holding 64-bit significands.
void resetFloatingPointEnvironment();

// The application's names, version (the project's), desktop file name and
// icon, and the look (ui::applyLook). Right after the QApplication exists.
void prepareApplication(QApplication& app);

// Creates the main window and its controls in the layer and on screen, with
// dispatch suppressed meanwhile, then raises the window-created event. The
// layer is the one a fatal stop silences. A failure to build the window is
// a fatal stop. trace: see ui::MainWindow::setTrace. registerWindow puts the
// window and its event bindings in the layer (tests bind their own).
using WindowRegistration = int (*)(EventLayer& layer);
std::unique_ptr<ui::MainWindow> loadMainWindow(
    EventLayer& layer, bool trace = false, WindowRegistration registerWindow = registerMainWindow);

// Runs the event loop until the window is closed; then stops dispatch,
// releases the window, runs the exit routine and returns 0. With tracing on
// it prints "ticks <N> seconds <S>" to stderr first: the ticks dispatched and
// the time spent in the event loop.
int runEventLoop(EventLayer& layer, std::unique_ptr<ui::MainWindow> window);

// The windowing platform, chosen in main before the QApplication exists.
// A Wayland client cannot keep itself above other windows, so where an X
// server is reachable too (DISPLAY set: XWayland on a Wayland desktop) the
// program runs on X; with Wayland alone it runs there and says once on stderr
// that it cannot stay on top. A user's explicit choice (QT_QPA_PLATFORM, or
// Qt's own -platform argument) stands. An empty value counts as unset, as Qt
// counts it.
struct PlatformEnvironment {
  std::string_view qpaPlatform;       // QT_QPA_PLATFORM
  std::string_view platformArgument;  // the value after -platform / --platform
  std::string_view waylandDisplay;    // WAYLAND_DISPLAY
  std::string_view display;           // DISPLAY
  std::string_view sessionType;       // XDG_SESSION_TYPE
};

// The value for QT_QPA_PLATFORM; empty: leave it as it is. "xcb;wayland" lets
// Qt go on to Wayland when the X server that DISPLAY names does not answer.
std::string_view choosePlatform(const PlatformEnvironment& env);

// True for the platforms (Qt plugin names, as QGuiApplication::platformName
// gives them) whose windows cannot keep themselves above other windows. The
// warning follows the platform actually loaded, not the one asked for: a
// list such as "xcb;wayland" or "wayland;xcb" ends on either.
bool cannotStayOnTop(std::string_view platformName);

// The one line said on stderr when the window cannot stay on top.
inline constexpr std::string_view kNotOnTopWarning =
    "Quorvane: 在 Wayland 上运行，窗口无法保持在其他窗口之上。";

// The value of Qt's -platform (or --platform) argument, empty if none.
std::string_view platformArgument(int argc, const char* const* argv);

// The environment of this process, and its command line, for choosePlatform.
PlatformEnvironment currentPlatformEnvironment(int argc, const char* const* argv);

// Sets QT_QPA_PLATFORM to the platform choosePlatform gives for this process,
// if any. Must run before the QApplication exists; does nothing on systems
// without X11 or Wayland (Windows, macOS).
void choosePlatformForThisProcess(int argc, const char* const* argv);

// The whole program (main). Environment: QUORVANE_TRACE, when set, turns on
// the trace of the main window (for tests and benchmarks from outside).
// Says kNotOnTopWarning once when the platform loaded cannot keep the window
// on top.
int runProgram(int argc, char** argv);

// Stops the program: dispatch ends for good, an error box (no owner, one OK
// button) shows the message (UTF-8) until closed, the exit routine is
// forgotten, and the process ends with exit code -1 (255 to the shell).
[[noreturn]] void reportFatalError(std::string_view message);

// What a handler let escape: out of memory (with the size of the failed
// request where known) or any other failure; reported through
// reportFatalError.
[[noreturn]] void reportHandlerFailure(std::exception_ptr failure);

// The allocator records here the size of a request it could not satisfy,
// just before it throws std::bad_alloc. Never allocates.
void noteFailedAllocation(std::size_t bytes) noexcept;

}  // namespace quorvane
