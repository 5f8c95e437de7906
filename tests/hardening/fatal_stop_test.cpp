// Out of memory inside the program's own handlers: the clock's tick, a
// converter row and the digit key each run out of memory once, injected by a
// test-only switch in this binary's allocator, and the program must stop
// through the fatal box: the box shows the size of the failed request, nothing
// is dispatched while it is up, the exit routine does not run, and the process
// ends with -1 (255). The same harness closed with Esc instead runs the exit
// routine and ends with 0, so the absence of the routine's line means what it
// says. (tests/ui/process_test covers a handler of its own and a window that
// cannot be built.)
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>

#include "app/startup.h"
#include "calc/calculator.h"
#include "ui/main_window.h"
#include "ui/window_description.h"

using namespace quorvane;

namespace {

// --- the switch: the next request made while a handler runs fails.

std::atomic<bool> gArmed{false};
std::atomic<std::size_t> gFailedRequest{0};
const EventLayer* gLayer = nullptr;

}  // namespace

// This binary's operator new: the program's (standard behaviour, the size of a
// failed request noted for the fatal box), plus the switch.
void* operator new(std::size_t bytes) {
  if (gArmed.load(std::memory_order_relaxed) && gLayer != nullptr && gLayer->hasEventSource()) {
    gArmed = false;
    gFailedRequest = bytes;
    quorvane::noteFailedAllocation(bytes);
    throw std::bad_alloc();
  }
  const std::size_t request = bytes == 0 ? 1 : bytes;
  for (;;) {
    if (void* block = std::malloc(request)) return block;
    if (std::new_handler handler = std::get_new_handler()) {
      handler();
      continue;
    }
    quorvane::noteFailedAllocation(bytes);
    throw std::bad_alloc();
  }
}
void* operator new[](std::size_t bytes) {
  return operator new(bytes);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}

namespace {

void say(const QString& line) {
  std::printf("%s\n", line.toUtf8().constData());
  std::fflush(stdout);
}

void spin(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// --- the children: the program's start-up with an exit routine that says
// when it runs, then one action.

void releaseAndSay() {
  releaseCalculation();
  say("exit routine ran");
}

QLineEdit* box(ui::MainWindow& window, const char* name) {
  return window.findChild<QLineEdit*>(QString::fromUtf8(name));
}
QPushButton* key(ui::MainWindow& window, const char* name) {
  return window.findChild<QPushButton*>(QString::fromUtf8(name));
}

// Reports the fatal box and whether the clock went on meanwhile, then
// presses OK.
void answerFatalBox(ui::MainWindow* window) {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (box == nullptr) {
    QTimer::singleShot(5, [window] { answerFatalBox(window); });
    return;
  }
  say(QStringLiteral("box-icon %1").arg(int(box->icon())));
  say(QStringLiteral("box-buttons %1").arg(box->buttons().size()));
  say(QStringLiteral("box-owner %1").arg(box->parentWidget() != nullptr));
  say("box-text " + box->text());
  say(QStringLiteral("failed-request %1").arg(gFailedRequest.load()));
  // The clock box is emptied; a tick dispatched meanwhile would fill it.
  QLineEdit* clock = ::box(*window, "编辑框11");
  clock->setText(QString());
  spin(150);
  say(QStringLiteral("ticks-while-box %1").arg(clock->text().isEmpty() ? 0 : 1));
  box->button(QMessageBox::Ok)->click();
}

int runChild(int argc, char** argv, const QString& mode) {
  QApplication app(argc, argv);
  prepareApplication(app);
  resetFloatingPointEnvironment();
  registerExitRoutine(releaseAndSay);
  EventLayer layer;
  gLayer = &layer;
  std::unique_ptr<ui::MainWindow> window = loadMainWindow(layer);
  ui::MainWindow* shown = window.get();

  const std::function<void()> action = [shown, mode] {
    if (mode == "close") {
      key(*shown, "按钮7")->click();
      QTest::keyClick(box(*shown, "编辑框2"), Qt::Key_Escape);
      return;
    }
    QTimer::singleShot(0, [shown] { answerFatalBox(shown); });
    if (mode == "clock") {
      // The next tick's text.
      gArmed = true;
      spin(200);
    } else if (mode == "converter") {
      // A text long enough to need the heap when the row's handler reads it.
      QLineEdit* inches = box(*shown, "编辑框2");
      QApplication::clipboard()->setText(QStringLiteral("1234567890").repeated(4));
      inches->setFocus();
      gArmed = true;
      QTest::keyClick(inches, Qt::Key_V, Qt::ControlModifier);
    } else if (mode == "digit") {
      QLineEdit* display = box(*shown, "编辑框1");
      display->setFocus();
      QTest::keyClicks(display, QStringLiteral("1234567890").repeated(3));
      gArmed = true;
      key(*shown, "按钮5")->click();
    }
    say("handler returned");  // never: the fatal stop ends the process
  };
  QTimer::singleShot(100, action);
  return runEventLoop(layer, std::move(window));
}

// --- the parent.

struct Outcome {
  int exitCode = -1;
  QProcess::ExitStatus status = QProcess::CrashExit;
  QStringList out;
};

Outcome runChildProcess(const QString& mode) {
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start(QCoreApplication::applicationFilePath(), {"--child=" + mode});
  Outcome outcome;
  if (!process.waitForFinished(60000)) {
    process.kill();
    process.waitForFinished();
    return outcome;
  }
  outcome.exitCode = process.exitCode();
  outcome.status = process.exitStatus();
  outcome.out = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
  return outcome;
}

}  // namespace

class FatalStopTest : public QObject {
  Q_OBJECT

 private slots:
  void closingRunsTheExitRoutine();
  void outOfMemoryInAHandler_data();
  void outOfMemoryInAHandler();
};

void FatalStopTest::closingRunsTheExitRoutine() {
  const Outcome run = runChildProcess(QStringLiteral("close"));
  QCOMPARE(run.status, QProcess::NormalExit);
  QCOMPARE(run.exitCode, 0);
  QCOMPARE(run.out, QStringList{QStringLiteral("exit routine ran")});
}

void FatalStopTest::outOfMemoryInAHandler_data() {
  QTest::addColumn<QString>("mode");
  QTest::newRow("clock tick") << QStringLiteral("clock");
  QTest::newRow("converter row") << QStringLiteral("converter");
  QTest::newRow("digit key") << QStringLiteral("digit");
}

void FatalStopTest::outOfMemoryInAHandler() {
  QFETCH(QString, mode);
  const Outcome run = runChildProcess(mode);
  const QString out = run.out.join(u'\n');
  QCOMPARE(run.status, QProcess::NormalExit);
  QVERIFY2(run.exitCode == 255, qPrintable(QStringLiteral("exit code %1\n").arg(run.exitCode) + out));
  // The box: error icon, one button, no owner, and the size that failed.
  QVERIFY2(run.out.contains(QStringLiteral("box-icon %1").arg(int(QMessageBox::Critical))),
           qPrintable(out));
  QVERIFY(run.out.contains(QStringLiteral("box-buttons 1")));
  QVERIFY(run.out.contains(QStringLiteral("box-owner 0")));
  static const QRegularExpression failed(QStringLiteral("^failed-request (\\d+)$"));
  const QStringList requests = run.out.filter(failed);
  QCOMPARE(requests.size(), 1);
  const qulonglong bytes = failed.match(requests.front()).captured(1).toULongLong();
  QVERIFY2(bytes > 0, qPrintable(out));
  QVERIFY2(run.out.contains(QStringLiteral("box-text 内存不足：无法分配 %1 字节。").arg(bytes)),
           qPrintable(out));
  // Nothing dispatched while it is up, the handler never returned, and no
  // exit routine.
  QVERIFY(run.out.contains(QStringLiteral("ticks-while-box 0")));
  QVERIFY(!run.out.contains(QStringLiteral("handler returned")));
  QVERIFY(!run.out.contains(QStringLiteral("exit routine ran")));
}

int main(int argc, char** argv) {
  const QString mode = argc > 1 ? QString::fromUtf8(argv[1]) : QString();
  if (mode.startsWith(QStringLiteral("--child="))) {
    return runChild(argc, argv, mode.mid(8));
  }
  QApplication app(argc, argv);
  FatalStopTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "fatal_stop_test.moc"
