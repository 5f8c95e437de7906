#include "app/startup.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <array>
#include <atomic>
#include <charconv>
#include <cfenv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <utility>

#if defined(__GLIBC__) && (defined(__i386__) || defined(__x86_64__))
#include <fpu_control.h>
#define QUORVANE_X87_CONTROL 1
#endif

#include "app/main_window_events.h"
#include "calc/calculator.h"
#include "ui/look.h"
#include "ui/main_window.h"

#ifndef QUORVANE_VERSION
#error "QUORVANE_VERSION comes from the project's version in CMake"
#endif

namespace quorvane {
namespace {

ExitRoutine gExitRoutine = nullptr;
// The layer whose dispatch a fatal stop ends.
EventLayer* gLayer = nullptr;
std::atomic<std::size_t> gFailedAllocation{0};
std::atomic<bool> gFatalStopBegun{false};

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// An exception that escapes outside any handler (out of memory inside the
// toolkit, say) ends the program the same way as one from a handler.
[[noreturn]] void onTerminate() {
  if (const std::exception_ptr failure = std::current_exception()) reportHandlerFailure(failure);
  std::abort();
}

}  // namespace

void registerExitRoutine(ExitRoutine routine) {
  gExitRoutine = routine;
}

void runExitRoutine() {
  if (const ExitRoutine routine = std::exchange(gExitRoutine, nullptr)) routine();
}

void forgetExitRoutine() {
  gExitRoutine = nullptr;
}

void noteFailedAllocation(std::size_t bytes) noexcept {
  gFailedAllocation.store(bytes, std::memory_order_relaxed);
}

void resetFloatingPointEnvironment() {
  std::fesetround(FE_TONEAREST);
  std::feclearexcept(FE_ALL_EXCEPT);
#if defined(__GLIBC__)
  fedisableexcept(FE_ALL_EXCEPT);  // no trap for any exception (SSE and x87)
#endif
#if defined(QUORVANE_X87_CONTROL)
  // Intermediate results of the x87 unit with a 64-bit significand, every
  // exception masked.
  fpu_control_t word = 0;
  _FPU_GETCW(word);
  word = static_cast<fpu_control_t>((word & ~(_FPU_EXTENDED | _FPU_DOUBLE | _FPU_SINGLE)) |
                                    _FPU_EXTENDED | _FPU_MASK_IM | _FPU_MASK_DM | _FPU_MASK_ZM |
                                    _FPU_MASK_OM | _FPU_MASK_UM | _FPU_MASK_PM);
  _FPU_SETCW(word);
#endif
}

void reportFatalError(std::string_view message) {
  // A second failure while the box is up ends at once.
  if (gFatalStopBegun.exchange(true)) std::_Exit(-1);
  if (gLayer != nullptr) gLayer->stopForGood();

  bool shown = false;
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
    try {
      QMessageBox box(QMessageBox::Critical, QStringLiteral("Quorvane"), fromUtf8(message),
                      QMessageBox::Ok, nullptr);
      box.setWindowFlag(Qt::WindowStaysOnTopHint);
      box.setWindowModality(Qt::ApplicationModal);
      box.exec();
      shown = true;
    } catch (...) {
      // No memory even for the box: the message goes to stderr below.
    }
  }
  if (!shown) {
    std::fprintf(stderr, "Quorvane: %.*s\n", static_cast<int>(message.size()), message.data());
  }
  forgetExitRoutine();
  std::fflush(nullptr);
  // Ends here: no exit routine, no unwinding through the toolkit.
  std::_Exit(-1);
}

void reportHandlerFailure(std::exception_ptr failure) {
  std::string message;
  try {
    std::rethrow_exception(failure);
  } catch (const std::bad_alloc&) {
    const std::size_t bytes = gFailedAllocation.exchange(0, std::memory_order_relaxed);
    message = bytes != 0 ? "内存不足：无法分配 " + std::to_string(bytes) + " 字节。"
                         : std::string("内存不足。");
  } catch (const std::exception& error) {
    message = std::string("程序出错：") + error.what();
  } catch (...) {
    message = "程序出错。";
  }
  reportFatalError(message);
}

void prepareApplication(QApplication& app) {
  QCoreApplication::setOrganizationName(QStringLiteral("Lumeno"));
  QCoreApplication::setOrganizationDomain(QStringLiteral("lumeno.cn"));
  QCoreApplication::setApplicationName(QStringLiteral("Quorvane"));
  QCoreApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
  // Task bars find the desktop entry (and its icon) by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral("cn.lumeno.Quorvane"));
  QGuiApplication::setWindowIcon(ui::applicationIcon());
  ui::applyLook(app);
}

std::unique_ptr<ui::MainWindow> loadMainWindow(EventLayer& layer, bool trace,
                                               WindowRegistration registerWindow) {
  gLayer = &layer;
  std::unique_ptr<ui::MainWindow> window;
  try {
    const int id = registerWindow(layer);
    if (id != ui::kMainWindowId) reportFatalError("无法创建主窗口：找不到主窗口。");
    window = std::make_unique<ui::MainWindow>(layer, id, reportHandlerFailure);
  } catch (const std::bad_alloc&) {
    reportFatalError("无法创建主窗口：内存不足。");
  } catch (const std::exception& error) {
    reportFatalError(std::string("无法创建主窗口：") + error.what());
  }
  window->setTrace(trace);
  window->raiseWindowCreated();
  return window;
}

int runEventLoop(EventLayer& layer, std::unique_ptr<ui::MainWindow> window) {
  const auto started = std::chrono::steady_clock::now();
  // The loop runs only while a window exists (the window-created handler
  // could have closed it); closing the last window ends it.
  if (window != nullptr && layer.windowExists(window->windowId())) QApplication::exec();
  layer.stopForGood();
  if (gLayer == &layer) gLayer = nullptr;
  if (window != nullptr && window->tracing()) {
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
    // The toolkit has set the C locale from the environment: the figures are
    // written without it, so that a decimal comma never reaches the scripts.
    std::array<char, 32> ticks{};
    std::array<char, 32> runTime{};
    std::to_chars(ticks.data(), ticks.data() + ticks.size() - 1, window->ticksDispatched());
    std::to_chars(runTime.data(), runTime.data() + runTime.size() - 1, seconds.count(),
                  std::chars_format::fixed, 3);
    std::fprintf(stderr, "ticks %s seconds %s\n", ticks.data(), runTime.data());
    std::fflush(stderr);
  }
  window.reset();
  runExitRoutine();
  return 0;
}

std::string_view choosePlatform(const PlatformEnvironment& env) {
  // Qt reads the argument before the variable; either is the user's choice.
  if (!env.platformArgument.empty() || !env.qpaPlatform.empty()) return {};
  // Qt's wayland platform connects to the default socket when WAYLAND_DISPLAY
  // is unset, so a Wayland session counts even without it.
  const bool wayland = !env.waylandDisplay.empty() || env.sessionType == "wayland";
  if (!env.display.empty()) return wayland ? "xcb;wayland" : "xcb";
  if (wayland) return "wayland";
  return {};  // neither: Qt's own choice, and its own message if none works
}

bool cannotStayOnTop(std::string_view platformName) {
  return platformName.starts_with("wayland");  // wayland, wayland-egl, ...
}

std::string_view platformArgument(int argc, const char* const* argv) {
  std::string_view value;
  for (int i = 1; i + 1 < argc; ++i) {
    const std::string_view arg = argv[i] != nullptr ? argv[i] : "";
    // Like Qt: the last one counts.
    if ((arg == "-platform" || arg == "--platform") && argv[i + 1] != nullptr) value = argv[++i];
  }
  return value;
}

PlatformEnvironment currentPlatformEnvironment(int argc, const char* const* argv) {
  const auto get = [](const char* name) -> std::string_view {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
  };
  return PlatformEnvironment{.qpaPlatform = get("QT_QPA_PLATFORM"),
                             .platformArgument = platformArgument(argc, argv),
                             .waylandDisplay = get("WAYLAND_DISPLAY"),
                             .display = get("DISPLAY"),
                             .sessionType = get("XDG_SESSION_TYPE")};
}

void choosePlatformForThisProcess([[maybe_unused]] int argc,
                                  [[maybe_unused]] const char* const* argv) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
  const std::string_view platform = choosePlatform(currentPlatformEnvironment(argc, argv));
  if (!platform.empty()) {
    qputenv("QT_QPA_PLATFORM",
            QByteArray(platform.data(), static_cast<qsizetype>(platform.size())));
  }
#endif
}

int runProgram(int argc, char** argv) {
  QApplication app(argc, argv);
  if (cannotStayOnTop(QGuiApplication::platformName().toStdString())) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(kNotOnTopWarning.size()),
                 kNotOnTopWarning.data());
    std::fflush(stderr);
  }
  prepareApplication(app);

  resetFloatingPointEnvironment();
  registerExitRoutine(releaseCalculation);
  std::set_terminate(onTerminate);

  // Read once; without it the program pays one predictable branch per event.
  const bool trace = qEnvironmentVariableIsSet("QUORVANE_TRACE");
  EventLayer layer;
  std::unique_ptr<ui::MainWindow> window = loadMainWindow(layer, trace);
  return runEventLoop(layer, std::move(window));
}

}  // namespace quorvane
