// A 1 MiB text in the real window: pasted into the converter's input boxes and
// into the display, then typed at, clicked on and undone. For each step it
// prints the time spent in the program's handlers (each call timed on its own),
// the time the step's input event took from delivery to return, and the time
// the event loop then needed to settle (layout, painting); and for the whole
// run the longest pause of the 1 ms clock, which is how long the window did
// not respond. Goal: every handler call within 50 ms.
//
//   build/release/bench/hardening/quorvane_large_input [-platform offscreen|xcb]
//
// Without a display it runs on Qt's offscreen platform; bench/large_input.sh
// runs it under a private Xvfb with the real X11 platform.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/startup.h"
#include "ui/main_window.h"
#include "ui/window_description.h"

using namespace quorvane;
using Clock = std::chrono::steady_clock;

namespace {

constexpr qsizetype kUnits = qsizetype{1} << 20;
constexpr double kHandlerGoalMs = 50.0;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Every handler call, timed: the control whose handler ran and how long.
struct Call {
  int control;
  double ms;
};
std::vector<Call> gCalls;
Clock::time_point gLastTick;
double gLongestTickGap = 0.0;
bool gWatchTicks = false;

template <std::size_t I>
void timedHandler(Host& host) {
  const Clock::time_point start = Clock::now();
  ui::kControls[I].handler(host);
  const double ms = msSince(start);
  if constexpr (ui::kControls[I].kind == ControlKind::Timer) {
    if (gWatchTicks) gLongestTickGap = std::max(gLongestTickGap, msSince(gLastTick));
    gLastTick = Clock::now();
    return;  // the clock's own ticks are not the steps being measured
  }
  gCalls.push_back({static_cast<int>(I), ms});
}

template <std::size_t... I>
constexpr std::array<Handler, sizeof...(I)> timedHandlers(std::index_sequence<I...>) {
  return {(ui::kControls[I].handler != nullptr ? &timedHandler<I> : nullptr)...};
}
constexpr auto kTimedHandlers = timedHandlers(std::make_index_sequence<ui::kControls.size()>());

// The main window as start-up registers it, each handler behind its timer.
int registerTimedWindow(EventLayer& layer) {
  const int window = layer.beginCreating(ui::kMainWindow.windowCreated);
  for (std::size_t i = 0; i < ui::kControls.size(); ++i) {
    const ui::ControlRecord& record = ui::kControls[i];
    layer.addControl(window, ControlBinding{.kind = record.kind,
                                            .event = record.event,
                                            .handler = kTimedHandlers[i]});
  }
  layer.endCreating();
  return window;
}

QString digits() {
  QString text(kUnits, QChar(u'7'));
  text[kUnits / 2] = QChar(u'.');
  return text;
}
QString ideographs() {
  // Common ideographs of GB2312, all different within a run of 3,000.
  QString text;
  text.reserve(kUnits);
  for (qsizetype i = 0; i < kUnits; ++i) text += QChar(char16_t(0x4E00 + (i * 7919) % 3000));
  return text;
}
QString mixture() {
  // Digits, ideographs, full-width forms and characters GBK lacks (emoji,
  // Hangul), interleaved.
  const QString piece = QString::fromUtf8("12.5中文１２．５😀한글abc ");
  QString text;
  text.reserve(kUnits + piece.size());
  while (text.size() < kUnits) text += piece;
  return text;
}

class Bench {
 public:
  Bench() : window_(loadMainWindow(layer_, false, registerTimedWindow)) {
    window_->activateWindow();
    if (!QTest::qWaitForWindowExposed(window_.get())) std::fprintf(stderr, "window not exposed\n");
    settle();
    std::printf("%-46s %10s %10s %10s\n", "step", "handlers", "event", "settle");
    std::printf("%-46s %10s %10s %10s\n", "", "max ms", "ms", "ms");
  }
  ~Bench() {
    window_->close();
    runEventLoop(layer_, std::move(window_));
  }
  Bench(const Bench&) = delete;
  Bench& operator=(const Bench&) = delete;

  QLineEdit* box(const char* name) const {
    return window_->findChild<QLineEdit*>(QString::fromUtf8(name));
  }
  QPushButton* key(const char* name) const {
    return window_->findChild<QPushButton*>(QString::fromUtf8(name));
  }

  // Runs one step and prints its figures.
  void step(const QString& what, const std::function<void()>& act) {
    gCalls.clear();
    const Clock::time_point start = Clock::now();
    act();
    const double event = msSince(start);
    const Clock::time_point settling = Clock::now();
    settle();
    const double settled = msSince(settling);
    double longest = 0.0;
    for (const Call& call : gCalls) longest = std::max(longest, call.ms);
    worstHandler_ = std::max(worstHandler_, longest);
    std::printf("%-46s %10s %10.1f %10.1f\n", qPrintable(what),
                gCalls.empty() ? "-" : qPrintable(QString::number(longest, 'f', 1)), event,
                settled);
    std::fflush(stdout);
  }

  void paste(QLineEdit* into, const QString& text) {
    QApplication::clipboard()->setText(text);
    into->setFocus();
    into->end(false);
    QTest::keyClick(into, Qt::Key_V, Qt::ControlModifier);
  }
  void click(const char* name) { QTest::mouseClick(key(name), Qt::LeftButton); }

  // Lets the event loop do what is pending (layout, painting, ticks).
  static void settle() {
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
  }

  double worstHandler() const { return worstHandler_; }

 private:
  EventLayer layer_;
  std::unique_ptr<ui::MainWindow> window_;
  double worstHandler_ = 0.0;
};

// What the toolkit alone needs for the text: an edit box without a handler
// given it (Qt lays out the whole line) and emptied again.
void layoutAlone(Bench& bench, const QString& label, const QString& text) {
  QLineEdit* output = bench.box("编辑框5");
  bench.step("Qt alone: " + label + " set into 编辑框5", [&] { output->setText(text); });
  bench.step("  emptied", [&] { output->clear(); });
}

void inputBox(Bench& bench, const char* name, const QString& label, const QString& text) {
  QLineEdit* input = bench.box(name);
  const QString where = QString::fromUtf8(name);
  layoutAlone(bench, label, text);
  bench.step("paste " + label + " into " + where, [&] { bench.paste(input, text); });
  bench.step("  type 1 at its end", [&] {
    input->end(false);
    QTest::keyClick(input, Qt::Key_1);
  });
  bench.step("  type 2 at its start", [&] {
    input->home(false);
    QTest::keyClick(input, Qt::Key_2);
  });
  bench.step("  Backspace", [&] { QTest::keyClick(input, Qt::Key_Backspace); });
  bench.step("  focus to another box and back", [&] {
    bench.box("编辑框11")->setFocus();
    input->setFocus();
  });
  bench.step("  select all, Delete", [&] {
    QTest::keyClick(input, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(input, Qt::Key_Delete);
  });
  bench.step("  undo (Ctrl+Z): the text again", [&] {
    QTest::keyClick(input, Qt::Key_Z, Qt::ControlModifier);
  });
  bench.step("  select all, Delete", [&] {
    QTest::keyClick(input, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(input, Qt::Key_Delete);
  });
  bench.step("paste it again", [&] { bench.paste(input, text); });
  bench.step("  undo (Ctrl+Z): the paste undone", [&] {
    QTest::keyClick(input, Qt::Key_Z, Qt::ControlModifier);
  });
}

void display(Bench& bench, const QString& label, const QString& text) {
  QLineEdit* shown = bench.box("编辑框1");
  bench.step("clear (清零)", [&] { bench.click("按钮17"); });
  bench.step("paste " + label + " into 编辑框1", [&] { bench.paste(shown, text); });
  bench.step("  click 5 (read, join, write)", [&] { bench.click("按钮5"); });
  bench.step("  click · (point)", [&] { bench.click("按钮11"); });
  bench.step("  click + (a 1 MiB first operand)", [&] { bench.click("按钮13"); });
  bench.step("  click 3", [&] { bench.click("按钮3"); });
  bench.step("  click 等于 (a 1 MiB equation)", [&] { bench.click("按钮18"); });
  bench.step("  click 等于 again (2 MiB)", [&] { bench.click("按钮18"); });
  bench.step("  click +/- twice", [&] {
    bench.click("按钮12");
    bench.click("按钮12");
  });
  bench.step("  click 4 (a new calculation)", [&] { bench.click("按钮4"); });
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  prepareApplication(app);
  resetFloatingPointEnvironment();
  std::printf("platform %s; texts of %lld UTF-16 units (1 MiB)\n",
              qPrintable(QGuiApplication::platformName()), static_cast<long long>(kUnits));

  double worst = 0.0;
  double longestPause = 0.0;
  {
    Bench bench;
    gWatchTicks = true;
    gLastTick = Clock::now();
    inputBox(bench, "编辑框2", "digits", digits());
    inputBox(bench, "编辑框3", "ideographs", ideographs());
    inputBox(bench, "编辑框4", "a mixture", mixture());
    display(bench, "digits", digits());
    display(bench, "ideographs", ideographs());
    display(bench, "a mixture", mixture());
    gWatchTicks = false;
    worst = bench.worstHandler();
    longestPause = gLongestTickGap;
  }
  std::printf("longest handler call: %.1f ms (goal at most %.0f ms: %s)\n", worst, kHandlerGoalMs,
              worst <= kHandlerGoalMs ? "met" : "MISSED");
  std::printf("longest pause of the clock (the window not responding): %.1f ms\n", longestPause);
  return 0;
}
