// The program as a process, run as children of this test: the real start-up
// (runProgram) with and without the trace, ending with exit code 0; and the
// fatal stop, from out of memory in a handler and from a window that cannot
// be built, ending with 255 and without the exit routine.
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "app/startup.h"
#include "ui/main_window.h"

using namespace quorvane;

namespace {

// What the children are asked to be (the first argument).
enum class Child { None, Program, OutOfMemory, WindowFailure };
Child gChild = Child::None;

// A request no allocator can satisfy.
constexpr std::size_t kHugeRequest = std::size_t{1} << 62;

void say(const QString& line) {
  std::printf("%s\n", line.toUtf8().constData());
  std::fflush(stdout);
}

void spin(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

ui::MainWindow* mainWindow() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* window = dynamic_cast<ui::MainWindow*>(w)) return window;
  }
  return nullptr;
}

// --- the program child: drives the real program from inside once it runs.

void driveProgram() {
  if (gChild != Child::Program) return;
  QTimer::singleShot(100, [] {
    say("version " + QCoreApplication::applicationVersion());
    ui::MainWindow* window = mainWindow();
    if (window == nullptr) {
      say("no window");
      QCoreApplication::exit(3);
      return;
    }
    window->findChild<QPushButton*>(QStringLiteral("按钮7"))->click();
    auto* inches = window->findChild<QLineEdit*>(QStringLiteral("编辑框2"));
    inches->setFocus();
    QTest::keyClick(inches, Qt::Key_1);
    say("display " + window->findChild<QLineEdit*>(QStringLiteral("编辑框1"))->text());
    QTest::keyClick(inches, Qt::Key_Escape);
  });
}
Q_COREAPP_STARTUP_FUNCTION(driveProgram)

// --- the fatal children.

void exitRoutineRan() {
  say("exit routine ran");
}

int gTicks = 0;
void countTick(Host&) {
  ++gTicks;
}
volatile const void* gSink = nullptr;
void allocateTooMuch(Host&) {
  std::vector<char> block;
  block.reserve(kHugeRequest);
  gSink = block.data();
}
void showWindow(Host& host) {
  host.setWindowVisible(host.eventComponent().ref.window, true);
}

// The window with 按钮1 bound to a handler that runs out of memory.
int registerGreedyWindow(EventLayer& layer) {
  const int window = layer.beginCreating(showWindow);
  for (const ui::ControlRecord& record : ui::kControls) {
    ControlBinding binding{.kind = record.kind};
    if (record.name == "按钮1") binding = {record.kind, EventKind::Click, allocateTooMuch};
    if (record.kind == ControlKind::Timer) binding = {record.kind, EventKind::Periodic, countTick};
    layer.addControl(window, binding);
  }
  layer.endCreating();
  return window;
}

int registerNoWindow(EventLayer&) {
  throw std::runtime_error("测试");
}

// Reports what the fatal box shows and whether anything ran meanwhile, then
// presses its OK button.
void answerFatalBox() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (box == nullptr) {
    QTimer::singleShot(5, answerFatalBox);
    return;
  }
  say(QStringLiteral("box-icon %1").arg(int(box->icon())));
  say(QStringLiteral("box-buttons %1").arg(box->buttons().size()));
  say(QStringLiteral("box-ok %1").arg(box->button(QMessageBox::Ok) != nullptr));
  say(QStringLiteral("box-owner %1").arg(box->parentWidget() != nullptr));
  say("box-text " + box->text());
  const int ticks = gTicks;
  spin(100);
  say(QStringLiteral("ticks-while-box %1").arg(gTicks - ticks));
  box->button(QMessageBox::Ok)->click();
}

int runFatalChild(int argc, char** argv, WindowRegistration registerWindow) {
  QApplication app(argc, argv);
  prepareApplication(app);
  registerExitRoutine(exitRoutineRan);
  QTimer::singleShot(0, answerFatalBox);
  EventLayer layer;
  std::unique_ptr<ui::MainWindow> window = loadMainWindow(layer, false, registerWindow);
  QTimer::singleShot(50, [shown = window.get()] {
    say(QStringLiteral("ticks-before %1").arg(gTicks > 0));
    shown->findChild<QPushButton*>(QStringLiteral("按钮1"))->click();
    say("click returned");  // never: the fatal stop ends the process
  });
  return runEventLoop(layer, std::move(window));
}

// --- the parent.

struct Outcome {
  int exitCode = -1;
  QProcess::ExitStatus status = QProcess::CrashExit;
  QStringList out;
  QStringList err;
};

Outcome runChild(const QString& mode, bool trace) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("QUORVANE_TRACE"));
  if (trace) env.insert(QStringLiteral("QUORVANE_TRACE"), QStringLiteral("1"));
  process.setProcessEnvironment(env);
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
  outcome.err = QString::fromUtf8(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
  return outcome;
}

// The lines of the trace: the program's boxes and the closing figures.
QStringList traceLines(const QStringList& err) {
  static const QRegularExpression trace(QStringLiteral("^(编辑框\\d+ |ticks )"));
  QStringList lines;
  for (const QString& line : err) {
    if (trace.match(line).hasMatch()) lines << line;
  }
  return lines;
}

}  // namespace

class ProcessTest : public QObject {
  Q_OBJECT

 private slots:
  void programRunsAndEndsWithZero();
  void traceShowsWritesChangesAndTicks();
  void outOfMemoryInAHandlerIsAFatalStop();
  void aWindowThatCannotBeBuiltIsAFatalStop();
};

void ProcessTest::programRunsAndEndsWithZero() {
  const Outcome run = runChild(QStringLiteral("program"), false);
  QCOMPARE(run.status, QProcess::NormalExit);
  QCOMPARE(run.exitCode, 0);
  QVERIFY2(run.out.contains(QStringLiteral("version " QUORVANE_EXPECTED_VERSION)),
           qPrintable(run.out.join(u'\n')));
  QVERIFY(run.out.contains(QStringLiteral("display 7")));
  // Without the variable there is no trace at all.
  QCOMPARE(traceLines(run.err), QStringList());
}

void ProcessTest::traceShowsWritesChangesAndTicks() {
  const Outcome run = runChild(QStringLiteral("program"), true);
  QCOMPARE(run.status, QProcess::NormalExit);
  QCOMPARE(run.exitCode, 0);
  const QStringList lines = traceLines(run.err);
  QVERIFY2(lines.size() >= 5, qPrintable(run.err.join(u'\n')));
  // The window-created handler clears the display, then 7 is clicked.
  QCOMPARE(lines.at(0), QStringLiteral("编辑框1 "));
  QCOMPARE(lines.at(1), QStringLiteral("编辑框1 7"));
  // Typing into the inch box writes its row's two outputs; the input box
  // itself is not traced.
  QVERIFY(lines.at(2).startsWith(QStringLiteral("编辑框5 ")));
  QVERIFY(lines.at(3).startsWith(QStringLiteral("编辑框8 ")));
  QVERIFY(lines.filter(QStringLiteral("编辑框2 ")).isEmpty());
  static const QRegularExpression figures(QStringLiteral("^ticks (\\d+) seconds (\\d+\\.\\d+)$"));
  const QRegularExpressionMatch match = figures.match(lines.last());
  QVERIFY2(match.hasMatch(), qPrintable(lines.last()));
  QVERIFY(match.captured(1).toULongLong() > 0);
  QVERIFY(match.captured(2).toDouble() > 0.0);
}

void ProcessTest::outOfMemoryInAHandlerIsAFatalStop() {
  const Outcome run = runChild(QStringLiteral("out-of-memory"), false);
  QCOMPARE(run.status, QProcess::NormalExit);
  QCOMPARE(run.exitCode, 255);  // -1
  const QString out = run.out.join(u'\n');
  QVERIFY2(run.out.contains(QStringLiteral("ticks-before 1")), qPrintable(out));
  QVERIFY2(run.out.contains(QStringLiteral("box-text 内存不足：无法分配 %1 字节。")
                                .arg(static_cast<qulonglong>(kHugeRequest))),
           qPrintable(out));
  QVERIFY(run.out.contains(QStringLiteral("box-icon %1").arg(int(QMessageBox::Critical))));
  QVERIFY(run.out.contains(QStringLiteral("box-buttons 1")));
  QVERIFY(run.out.contains(QStringLiteral("box-ok 1")));
  QVERIFY(run.out.contains(QStringLiteral("box-owner 0")));
  // Nothing is dispatched while the box is up, the handler never returns,
  // and the exit routine does not run.
  QVERIFY(run.out.contains(QStringLiteral("ticks-while-box 0")));
  QVERIFY(!run.out.contains(QStringLiteral("click returned")));
  QVERIFY(!run.out.contains(QStringLiteral("exit routine ran")));
}

void ProcessTest::aWindowThatCannotBeBuiltIsAFatalStop() {
  const Outcome run = runChild(QStringLiteral("window-failure"), false);
  QCOMPARE(run.status, QProcess::NormalExit);
  QCOMPARE(run.exitCode, 255);
  QVERIFY2(run.out.contains(QStringLiteral("box-text 无法创建主窗口：测试")),
           qPrintable(run.out.join(u'\n')));
  QVERIFY(run.out.contains(QStringLiteral("box-icon %1").arg(int(QMessageBox::Critical))));
  QVERIFY(!run.out.contains(QStringLiteral("exit routine ran")));
}

int main(int argc, char** argv) {
  const std::string_view mode = argc > 1 ? argv[1] : "";
  if (mode == "--child=program") {
    gChild = Child::Program;
    return runProgram(argc, argv);
  }
  if (mode == "--child=out-of-memory") {
    gChild = Child::OutOfMemory;
    return runFatalChild(argc, argv, registerGreedyWindow);
  }
  if (mode == "--child=window-failure") {
    gChild = Child::WindowFailure;
    return runFatalChild(argc, argv, registerNoWindow);
  }
  QApplication app(argc, argv);
  ProcessTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "process_test.moc"
