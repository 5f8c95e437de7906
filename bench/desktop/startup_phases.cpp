// Where the program's start-up time and memory go: goes through the steps of its start-up
// (those of quorvane::runProgram, in its order) and prints, after each, the wall time and
// the CPU time the step took and the process's resident memory.
//
//   startup_phases        (under an X server; ends by itself once the window has been shown)
//
// Steps that the program does lazily, the first time a widget needs them (the font
// database, the icon theme, the program's fonts), are done here on their own just before the
// main window, so that their cost shows apart instead of inside the window's construction.
// A bare QCalendarWidget is also built once on its own (its first-time costs move out of the
// main window; its own construction is extra). The time from exec to main (loading and
// relocating the libraries, static initialisation) is taken by starting the tool again
// through exec with the time noted in its environment. After the window is up, the picture
// and the icon are decoded once more on their own (warm: their libraries and plug-ins
// loaded) to show what the decoding alone costs.
//
// Prints one line per step: "<step> wall_ms <W> cpu_ms <C> rss_kib <R>" (deltas for wall
// and CPU, the total resident memory after the step). With QUORVANE_PHASES_MAPPINGS set,
// each step is followed by the mappings (libraries, font files, heap) whose resident memory
// grew by 128 KiB or more during it; reading them takes time, so the times are then longer.
#include <unistd.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QStyle>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "app/startup.h"
#include "calc/calculator.h"
#include "ui/background.h"
#include "ui/look.h"
#include "ui/main_window.h"
#include "ui/window_description.h"

namespace {

constexpr const char* kStartVariable = "QUORVANE_PHASES_EXEC_NS";

long long nanoseconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// Resident memory by mapping (file name, or [heap], [stack], [anon]) in KiB.
std::map<std::string, long> residentByMapping() {
  std::map<std::string, long> sizes;
  std::ifstream smaps("/proc/self/smaps");
  std::string line;
  std::string name = "[anon]";
  while (std::getline(smaps, line)) {
    std::istringstream fields(line);
    std::string first;
    fields >> first;
    if (first == "Rss:") {
      long kib = 0;
      fields >> kib;
      sizes[name] += kib;
    } else if (first.find('-') != std::string::npos && first.back() != ':') {
      // An address range: "start-end perms offset dev inode [name]".
      std::string perms, offset, device, inode;
      fields >> perms >> offset >> device >> inode;
      std::getline(fields >> std::ws, name);
      if (name.empty()) name = "[anon]";
    }
  }
  return sizes;
}

long residentKib() {
  std::ifstream statm("/proc/self/statm");
  long size = 0;
  long resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

class Phases {
 public:
  Phases(long long execNs, long long mainNs, long long cpuBeforeExecNs)
      : lastWall_(mainNs), lastCpu_(nanoseconds(CLOCK_PROCESS_CPUTIME_ID)) {
    print("exec_to_main", mainNs - execNs, lastCpu_ - cpuBeforeExecNs);
    if (byMapping_) printMappingGrowth();
    lastCpu_ = nanoseconds(CLOCK_PROCESS_CPUTIME_ID);
  }

  void mark(const char* step) {
    const long long wall = nanoseconds(CLOCK_MONOTONIC);
    const long long cpu = nanoseconds(CLOCK_PROCESS_CPUTIME_ID);
    print(step, wall - lastWall_, cpu - lastCpu_);
    if (byMapping_) printMappingGrowth();
    lastWall_ = wall;
    lastCpu_ = nanoseconds(CLOCK_PROCESS_CPUTIME_ID);  // without the reading of smaps
  }

  // Restarts the clocks without printing (after work that is not part of start-up).
  void restart() {
    lastWall_ = nanoseconds(CLOCK_MONOTONIC);
    lastCpu_ = nanoseconds(CLOCK_PROCESS_CPUTIME_ID);
  }

 private:
  // The mappings whose resident memory grew by 128 KiB or more since the last step.
  void printMappingGrowth() {
    std::map<std::string, long> now = residentByMapping();
    for (const auto& [name, kib] : now) {
      const auto before = mappings_.find(name);
      const long grown = kib - (before == mappings_.end() ? 0 : before->second);
      if (grown >= 128) std::printf("    %+7ld KiB %s\n", grown, name.c_str());
    }
    mappings_ = std::move(now);
  }

  static void print(const char* step, long long wallNs, long long cpuNs) {
    std::printf("%s wall_ms %.3f cpu_ms %.3f rss_kib %ld\n", step, wallNs / 1e6, cpuNs / 1e6,
                residentKib());
    std::fflush(stdout);
  }

  long long lastWall_;
  long long lastCpu_;
  bool byMapping_ = std::getenv("QUORVANE_PHASES_MAPPINGS") != nullptr;
  std::map<std::string, long> mappings_;
};

// Notes when the window has been exposed (Qt paints it while handling the expose).
class ExposeWatch : public QObject {
 public:
  bool exposed = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose) exposed = true;
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

int main(int argc, char** argv) {
  const long long mainNs = nanoseconds(CLOCK_MONOTONIC);
  const char* started = std::getenv(kStartVariable);
  if (started == nullptr) {
    // Once more through exec, with the time noted, so that exec to main can be timed.
    // The CPU clock goes on across exec: what this first start used is taken off.
    const std::string now = std::to_string(nanoseconds(CLOCK_MONOTONIC)) + ' ' +
                            std::to_string(nanoseconds(CLOCK_PROCESS_CPUTIME_ID));
    setenv(kStartVariable, now.c_str(), 1);
    execv("/proc/self/exe", argv);
    std::perror("startup_phases: exec");
    return 2;
  }
  char* rest = nullptr;
  const long long execNs = std::strtoll(started, &rest, 10);
  const long long cpuBeforeExecNs = std::strtoll(rest, nullptr, 10);
  unsetenv(kStartVariable);
  Phases phases(execNs, mainNs, cpuBeforeExecNs);

  QApplication app(argc, argv);
  phases.mark("qapplication");  // platform plug-in, X connection, input context
  quorvane::prepareApplication(app);
  phases.mark("prepare_application");  // names, style, palette, the icon's six PNGs
  quorvane::resetFloatingPointEnvironment();
  quorvane::registerExitRoutine(quorvane::releaseCalculation);

  // Done lazily by the program inside the window's construction.
  (void)QFontDatabase::families();
  phases.mark("font_database");  // fontconfig: configuration and caches
  (void)QApplication::style()->standardIcon(QStyle::SP_ArrowLeft);
  phases.mark("standard_icons");  // the icon theme's index, for the calendar's arrows
  {
    QCalendarWidget calendar;
    phases.mark("first_calendar");  // a bare QCalendarWidget, fonts now loaded
  }
  phases.restart();
  // The program's own faces: each control's text measured in its font (font engines,
  // fontconfig's fallback lists, the glyphs' advances).
  for (const quorvane::ui::ControlRecord& record : quorvane::ui::kControls) {
    if (record.font == quorvane::ui::FontGroup::Platform || record.text.empty()) continue;
    const QString text =
        QString::fromUtf8(record.text.data(), static_cast<qsizetype>(record.text.size()));
    (void)QFontMetrics(quorvane::ui::fontFor(record.font)).horizontalAdvance(text);
  }
  phases.mark("program_fonts");

  quorvane::EventLayer layer;
  std::unique_ptr<quorvane::ui::MainWindow> window = quorvane::loadMainWindow(layer);
  phases.mark("main_window");  // 48 controls, the picture, the window-created handler

  ExposeWatch watch;
  QWindow* handle = window->windowHandle();
  if (handle == nullptr) {
    std::fprintf(stderr, "startup_phases: the window was not shown\n");
    return 1;
  }
  handle->installEventFilter(&watch);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!watch.exposed && std::chrono::steady_clock::now() < deadline) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
  }
  QCoreApplication::processEvents();
  phases.mark(watch.exposed ? "exposed_and_painted" : "not_exposed_within_10_s");

  // Warm: the decoding alone.
  (void)quorvane::ui::backgroundPicture();
  phases.mark("picture_decode_again");
  (void)quorvane::ui::applicationIcon();
  phases.mark("icon_decode_again");

  window.reset();
  quorvane::runExitRoutine();
  return watch.exposed ? 0 : 1;
}
