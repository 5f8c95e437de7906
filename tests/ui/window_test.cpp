// The real window on Qt's offscreen platform: every control against its
// record of the window description, the window's settings, focus, keys,
// clicks through redirection, content-changed events, the GBK boundary,
// notices, hyperlinks, the background picture and dragging.
#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QEnterEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QTextCharFormat>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <memory>
#include <numeric>
#include <vector>

#include "app/startup.h"
#include "ui/assets.h"
#include "ui/background.h"
#include "ui/controls.h"
#include "ui/look.h"
#include "ui/main_window.h"
#include "ui/notice.h"

using namespace quorvane;
using ui::control;

namespace {

QString nameOf(const ui::ControlRecord& record) {
  return QString::fromUtf8(record.name.data(), static_cast<qsizetype>(record.name.size()));
}
QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
QColor qColor(ui::Rgb rgb) {
  return QColor(rgb.r, rgb.g, rgb.b);
}

// The program as start-up builds it: real bindings, window-created handler run.
struct Program {
  EventLayer layer;
  std::unique_ptr<ui::MainWindow> window = loadMainWindow(layer);

  QWidget* widget(ControlRef ref) const { return window->widgetOf(ref); }
  QLineEdit* edit(ControlRef ref) const { return qobject_cast<QLineEdit*>(widget(ref)); }
  QString display() const { return edit(control("编辑框1"))->text(); }
};

// A window whose edit boxes count their content-changed events (and remember
// what eventComponent named), for watching the events themselves.
std::array<int, ui::kControls.size()> gChanges{};
std::vector<EventSource> gSources;
void countChange(Host& host) {
  const EventSource source = host.eventComponent();
  gSources.push_back(source);
  ++gChanges.at(static_cast<std::size_t>(source.ref.control));
}
int registerCountingWindow(EventLayer& layer) {
  const int window = layer.beginCreating(nullptr);
  for (const ui::ControlRecord& record : ui::kControls) {
    const bool box = record.kind == ControlKind::EditBox;
    layer.addControl(window, ControlBinding{.kind = record.kind,
                                            .event = box ? EventKind::ContentChanged : record.event,
                                            .handler = box ? countChange : nullptr});
  }
  layer.endCreating();
  return window;
}
[[noreturn]] void failOnHandlerFailure(std::exception_ptr) {
  qFatal("a handler failed");
}

struct CountingWindow {
  EventLayer layer;
  int id = registerCountingWindow(layer);
  ui::MainWindow window{layer, id, failOnHandlerFailure};
  CountingWindow() {
    gChanges.fill(0);
    gSources.clear();
    window.show();
  }
  int changes(ControlRef ref) const { return gChanges.at(static_cast<std::size_t>(ref.control)); }
  QLineEdit* edit(ControlRef ref) const { return qobject_cast<QLineEdit*>(window.widgetOf(ref)); }
};

// Spins the event loop (QTest::qWait would sleep through the 1 ms timer).
void spin(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// Inspects the next modal message box once it is up, then presses button.
void whenBoxShows(std::function<void(QMessageBox*)> inspect,
                  QMessageBox::StandardButton button = QMessageBox::Ok) {
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [poll, inspect = std::move(inspect), button] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      QTimer::singleShot(5, *poll);
      return;
    }
    inspect(box);
    if (QAbstractButton* b = box->button(button)) {
      b->click();
    } else {
      box->done(-1);
    }
    // The stored poller holds itself; dropping it breaks that cycle (the copy
    // that runs now lives until it returns).
    *poll = nullptr;
  };
  QTimer::singleShot(0, *poll);
}

void typeText(QWidget* target, const QString& text) {
  QInputMethodEvent commit;
  commit.setCommitString(text);
  QApplication::sendEvent(target, &commit);
}

// The fake desktop for hyperlinks.
QStringList gOpened;
bool gOpenerSucceeds = true;
bool fakeOpen(const QString& address) {
  gOpened << address;
  return gOpenerSucceeds;
}

int gExitRoutineRuns = 0;
void countExitRoutine() {
  ++gExitRoutineRuns;
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();

  void controlsMatchTheirRecords();
  void labelsAndCalendarLookAsDescribed();
  void windowSettings();
  void startPositionDropsTheFraction();
  void tabCyclesTheFocusOrder();
  void escapeClosesAndTheLoopEndsOnce();
  void clicksReachTheHandlersThroughRedirection();
  void programWritesRaiseContentChangedOnce();
  void userEditsRaiseContentChanged();
  void textsCrossTheGbkBoundary();
  void noticeBox();
  void noticeButtonsAndResults_data();
  void noticeButtonsAndResults();
  void equalsNoticeKeepsTheClockTicking();
  void hyperlinkOpensOnPress();
  void backgroundPictureAndCorruptData();
  void dragMovesTheWindowByHand();

 private:
  QTimer watchdog_;
  bool expectModal_ = false;
  QString unexpectedModal_;
};

void WindowTest::initTestCase() {
  prepareApplication(*qApp);
  // A modal box that no test asked for is closed and fails the test instead
  // of hanging the run.
  watchdog_.setInterval(200);
  connect(&watchdog_, &QTimer::timeout, this, [this] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || expectModal_) return;
    auto* box = qobject_cast<QMessageBox*>(modal);
    unexpectedModal_ = box != nullptr ? box->text() : modal->objectName();
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->done(0);
  });
}

void WindowTest::init() {
  expectModal_ = false;
  unexpectedModal_.clear();
  watchdog_.start();
}

void WindowTest::cleanup() {
  watchdog_.stop();
  QVERIFY2(unexpectedModal_.isEmpty(), qPrintable("unexpected box: " + unexpectedModal_));
}

void WindowTest::controlsMatchTheirRecords() {
  Program p;
  QVERIFY(QFontDatabase::hasFamily(QString::fromLatin1(ui::kKaiSubstitute)));
  QVERIFY(QFontDatabase::hasFamily(QString::fromLatin1(ui::kSongSubstitute)));

  for (std::size_t i = 0; i < ui::kControls.size(); ++i) {
    const ui::ControlRecord& record = ui::kControls[i];
    const QString name = nameOf(record);
    const int index = static_cast<int>(i);
    if (record.kind == ControlKind::Timer) {
      QVERIFY2(p.window->widgetOf(index) == nullptr, qPrintable(name));
      QTimer* timer = p.window->timerOf(index);
      QVERIFY2(timer != nullptr, qPrintable(name));
      QCOMPARE(timer->interval(), record.periodMs);
      QCOMPARE(timer->timerType(), Qt::PreciseTimer);
      QVERIFY(timer->isActive());
      continue;
    }
    QWidget* w = p.window->widgetOf(index);
    QVERIFY2(w != nullptr, qPrintable(name));
    QCOMPARE(w->objectName(), name);
    QCOMPARE(w->accessibleName(), fromUtf8(record.accessibleName));
    QCOMPARE(w->geometry(),
             QRect(record.place.x, record.place.y, record.size.width, record.size.height));
    QVERIFY2(w->isVisible(), qPrintable(name));
    QCOMPARE(w->focusPolicy(),
             ui::kindSettings(record.kind).tabStop ? Qt::StrongFocus : Qt::NoFocus);

    const ui::FontSpec font = ui::fontOf(record.font);
    if (!font.face.empty()) {
      QCOMPARE(w->font().family(), fromUtf8(font.face));
      QCOMPARE(w->font().pixelSize(), font.pixelHeight);
      QCOMPARE(w->font().bold(), font.bold);
      // What fontconfig really gives: the AR PL stand-ins, at that height.
      const QFontInfo info(w->font());
      QCOMPARE(info.family(), QString::fromLatin1(font.face == ui::kKaiFace ? ui::kKaiSubstitute
                                                                            : ui::kSongSubstitute));
      QCOMPARE(info.pixelSize(), font.pixelHeight);
    }

    const QString text = fromUtf8(record.text);
    switch (record.kind) {
      case ControlKind::EditBox: {
        auto* box = qobject_cast<QLineEdit*>(w);
        QVERIFY2(box != nullptr, qPrintable(name));
        QCOMPARE(box->text(), QString());
        QVERIFY(!box->isReadOnly());
        QCOMPARE(box->palette().color(QPalette::Text), qColor(record.color));
        QCOMPARE(box->palette().color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(box->alignment() & Qt::AlignHorizontal_Mask,
                 record.align == ui::Align::Right ? Qt::AlignRight : Qt::AlignLeft);
        break;
      }
      case ControlKind::PushButton: {
        auto* button = qobject_cast<QPushButton*>(w);
        QVERIFY2(button != nullptr, qPrintable(name));
        QCOMPARE(button->text(), text);
        QVERIFY(!button->autoDefault());
        QVERIFY(!button->isDefault());
        break;
      }
      case ControlKind::Label: {
        auto* label = dynamic_cast<ui::LabelWidget*>(w);
        QVERIFY2(label != nullptr, qPrintable(name));
        QCOMPARE(label->text(), text);
        QCOMPARE(label->palette().color(QPalette::WindowText), qColor(record.color));
        const QColor background = qColor(record.background.value_or(ui::kButtonFace));
        QCOMPARE(label->palette().color(QPalette::Window), background);
        QCOMPARE(label->raised(), record.border == ui::Border::Raised);
        QCOMPARE(label->engraved(), record.engraved);
        // Opaque: below the text, inside any edge, the label's own colour.
        const QImage image = label->grab().toImage();
        QCOMPARE(image.pixelColor(4, image.height() - 3), background);
        break;
      }
      case ControlKind::Hyperlink: {
        auto* link = dynamic_cast<ui::HyperlinkWidget*>(w);
        QVERIFY2(link != nullptr, qPrintable(name));
        QCOMPARE(link->text(), text);
        QCOMPARE(link->address(), fromUtf8(record.address));
        QCOMPARE(link->textColor(), qColor(record.color));
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(link->palette().color(QPalette::Window), qColor(ui::kButtonFace));
        break;
      }
      case ControlKind::MonthCalendar:
        QVERIFY2(qobject_cast<QCalendarWidget*>(w) != nullptr, qPrintable(name));
        // The platform's font: none of the program's faces.
        QCOMPARE(w->font(), QApplication::font());
        break;
      case ControlKind::Timer:
      case ControlKind::Window:
        QFAIL("no such control in the table");
    }
  }
}

void WindowTest::labelsAndCalendarLookAsDescribed() {
  Program p;
  // 标签12 holds line breaks but shows its sentences along one line: red text
  // reaches far beyond the end of its first sentence.
  const QImage notice = p.widget(control("标签12"))->grab().toImage();
  bool redFarRight = false;
  for (int x = 450; x < notice.width() && !redFarRight; ++x) {
    for (int y = 0; y < notice.height(); ++y) {
      const QColor c = notice.pixelColor(x, y);
      if (c.red() > 200 && c.green() < 80 && c.blue() < 80) {
        redFarRight = true;
        break;
      }
    }
  }
  QVERIFY(redFarRight);

  // 标签11 engraved: white text peeking out above and left of its black
  // text, on its own colour (117, 254, 250).
  const QImage clockLabel = p.widget(control("标签11"))->grab().toImage();
  int whitish = 0;
  int black = 0;
  for (int y = 0; y < clockLabel.height(); ++y) {
    for (int x = 0; x < clockLabel.width(); ++x) {
      const QColor c = clockLabel.pixelColor(x, y);
      whitish += c.red() > 200 && c.green() > 240 && c.blue() > 240;
      black += c.red() < 40 && c.green() < 40 && c.blue() < 40;
    }
  }
  QVERIFY(whitish > 10);
  QVERIFY(black > 10);

  auto* calendar = qobject_cast<QCalendarWidget*>(p.widget(control("月历1")));
  QVERIFY(calendar != nullptr);
  QCOMPARE(calendar->firstDayOfWeek(), Qt::Sunday);
  QCOMPARE(calendar->verticalHeaderFormat(), QCalendarWidget::NoVerticalHeader);
  QCOMPARE(calendar->selectionMode(), QCalendarWidget::SingleSelection);
  QCOMPARE(calendar->selectedDate(), QDate::currentDate());
  QCOMPARE(calendar->monthShown(), QDate::currentDate().month());
  for (int day = Qt::Monday; day <= Qt::Sunday; ++day) {
    QCOMPARE(calendar->weekdayTextFormat(static_cast<Qt::DayOfWeek>(day)).foreground().color(),
             QColor(Qt::black));
  }
  auto* view = calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
  QVERIFY(view != nullptr);
  QCOMPARE(view->palette().color(QPalette::Base), QColor(Qt::white));
  QCOMPARE(view->palette().color(QPalette::Disabled, QPalette::Text), QColor(192, 192, 192));
  QCOMPARE(view->frameShape(), QFrame::NoFrame);
  // The title is drawn in blue on button face.
  const QImage shot = calendar->grab().toImage();
  int blue = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      blue += c.blue() > 200 && c.red() < 60 && c.green() < 60;
    }
  }
  QVERIFY2(blue > 5, "no blue title text");
  QCOMPARE(shot.pixelColor(shot.width() / 2, 1), qColor(ui::kButtonFace));
  // Today's line names today; a click on it brings back today's month and
  // selects today, wherever the calendar had been moved to.
  auto* today = static_cast<ui::MonthCalendarWidget*>(calendar)->todayLine();
  QVERIFY(today != nullptr && today->isVisible());
  QVERIFY(today->geometry().bottom() < calendar->height());
  QVERIFY2(qobject_cast<QLabel*>(today)->text().endsWith(
               QDate::currentDate().toString(QStringLiteral("yyyy/M/d"))),
           qPrintable(qobject_cast<QLabel*>(today)->text()));
  calendar->setCurrentPage(2001, 1);
  calendar->setSelectedDate(QDate(2001, 1, 5));
  QTest::mouseClick(today, Qt::LeftButton);
  QCOMPARE(calendar->selectedDate(), QDate::currentDate());
  QCOMPARE(calendar->monthShown(), QDate::currentDate().month());
  QCOMPARE(calendar->yearShown(), QDate::currentDate().year());
  // Never a focus target, nor any of its parts.
  QCOMPARE(calendar->focusPolicy(), Qt::NoFocus);
  for (QWidget* part : calendar->findChildren<QWidget*>()) {
    QVERIFY2(part->focusPolicy() == Qt::NoFocus, qPrintable(part->objectName()));
  }
}

void WindowTest::windowSettings() {
  Program p;
  ui::MainWindow& w = *p.window;
  QVERIFY(w.isVisible());
  QCOMPARE(w.windowTitle(), fromUtf8(ui::kMainWindow.title));
  QVERIFY(w.windowTitle().startsWith(QStringLiteral("Quorvane")));
  const Qt::WindowFlags flags = w.windowFlags();
  QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
  QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
  QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
  // The outer size includes the frame (the offscreen platform draws a thin
  // one): the client area is what is left inside.
  const QSize outer(ui::kMainWindow.outerSize.width, ui::kMainWindow.outerSize.height);
  QTRY_COMPARE(w.frameGeometry().size(), outer);
  const QMargins frame = w.windowHandle()->frameMargins();
  QCOMPARE(w.size(), outer.shrunkBy(frame));
  QCOMPARE(w.minimumSize(), w.maximumSize());
  QTRY_COMPARE(w.frameGeometry().topLeft(),
               ui::startPosition(QGuiApplication::primaryScreen()->geometry(), outer));

  const QList<QSize> sizes = w.windowIcon().availableSizes();
  for (const int side : {16, 32, 48}) QVERIFY2(sizes.contains(QSize(side, side)), "icon size");

  QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral(QUORVANE_EXPECTED_VERSION));
  QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Quorvane"));
  QCOMPARE(QApplication::style()->name(), QStringLiteral("fusion"));
  QCOMPARE(QApplication::palette().color(QPalette::Window), qColor(ui::kButtonFace));
  QCOMPARE(QApplication::palette().color(QPalette::WindowText), QColor(Qt::black));
}

void WindowTest::startPositionDropsTheFraction() {
  const QSize outer(770, 340);
  struct Case {
    QRect screen;
    QPoint expected;
  };
  const Case cases[] = {
      {QRect(0, 0, 1024, 768), QPoint(127, 214)},
      {QRect(0, 0, 1920, 1080), QPoint(575, 370)},
      {QRect(0, 0, 1023, 767), QPoint(126, 213)},
      {QRect(0, 0, 640, 480), QPoint(-65, 70)},         // narrower than the window
      {QRect(0, 0, 639, 339), QPoint(-65, 0)},          // -65.5 and -0.5: fraction dropped
      {QRect(1920, 0, 1280, 1024), QPoint(2175, 342)},  // a second screen
  };
  for (const Case& c : cases) QCOMPARE(ui::startPosition(c.screen, outer), c.expected);
}

void WindowTest::tabCyclesTheFocusOrder() {
  Program p;
  p.window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(p.window.get()));
  // The caret starts in the display.
  QCOMPARE(QApplication::focusWidget(), p.widget(control("编辑框1")));

  const QStringList cycle = {"编辑框1", "按钮1",   "按钮2",   "按钮3",    "按钮4",   "按钮6",
                             "按钮5",   "按钮9",   "按钮8",   "按钮7",    "按钮10",  "按钮11",
                             "按钮12",  "按钮13",  "按钮14",  "按钮15",   "按钮16",  "按钮17",
                             "按钮18",  "编辑框2", "编辑框3", "编辑框4",  "编辑框5", "编辑框6",
                             "编辑框7", "编辑框8", "编辑框9", "编辑框10", "编辑框11"};
  // The table's own focus order is that cycle.
  const auto order = ui::focusOrder();
  QCOMPARE(static_cast<qsizetype>(order.size()), cycle.size());
  for (std::size_t k = 0; k < order.size(); ++k) {
    QCOMPARE(nameOf(ui::kControls.at(static_cast<std::size_t>(order[k]))),
             cycle.at(static_cast<qsizetype>(k)));
  }

  // Tab all the way round and back to the display (编辑框11 -> 编辑框1).
  for (qsizetype k = 1; k <= cycle.size(); ++k) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), cycle.at(k % cycle.size()));
  }
  // Shift+Tab all the way back (编辑框1 -> 编辑框11 first).
  for (qsizetype k = 1; k <= cycle.size(); ++k) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(),
             cycle.at((cycle.size() - k) % cycle.size()));
  }
  // From 按钮4 Tab goes to 按钮6.
  p.widget(control("按钮4"))->setFocus(Qt::MouseFocusReason);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), p.widget(control("按钮6")));
  // Enter moves nothing and clicks nothing.
  const QString before = p.display();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  QCOMPARE(QApplication::focusWidget(), p.widget(control("按钮6")));
  QCOMPARE(p.display(), before);
}

void WindowTest::escapeClosesAndTheLoopEndsOnce() {
  gExitRoutineRuns = 0;
  registerExitRoutine(countExitRoutine);
  EventLayer layer;
  std::unique_ptr<ui::MainWindow> window = loadMainWindow(layer);
  QWidget* inches = window->widgetOf(control("编辑框2"));
  QPointer<ui::MainWindow> shown = window.get();
  bool openAfterShiftEscape = false;
  bool timedOut = false;
  QTimer::singleShot(0, [&] {
    inches->setFocus();
    QTest::keyClick(inches, Qt::Key_1);
    QTest::keyClick(inches, Qt::Key_Escape, Qt::ShiftModifier);  // not a plain Esc
    openAfterShiftEscape = shown->isVisible();
    QTest::keyClick(inches, Qt::Key_Escape);
  });
  QTimer::singleShot(10000, [&] {
    timedOut = true;
    if (shown) shown->close();
  });
  QCOMPARE(runEventLoop(layer, std::move(window)), 0);
  QVERIFY(!timedOut);
  QVERIFY(openAfterShiftEscape);
  QVERIFY(shown.isNull());  // released by the shutdown
  QCOMPARE(gExitRoutineRuns, 1);
  runExitRoutine();  // forgotten once run
  QCOMPARE(gExitRoutineRuns, 1);
}

void WindowTest::clicksReachTheHandlersThroughRedirection() {
  Program p;
  QCOMPARE(p.display(), QString());
  // 按钮7 and 按钮10 have no handler of their own: 按钮1's runs for them.
  QTest::mouseClick(p.widget(control("按钮7")), Qt::LeftButton);
  QCOMPARE(p.display(), QStringLiteral("7"));
  QWidget* zero = p.widget(control("按钮10"));
  zero->setFocus();
  QTest::keyClick(zero, Qt::Key_Space);  // Space clicks the focused key
  QCOMPARE(p.display(), QStringLiteral("70"));
  // 按钮16 is redirected to 按钮13, which sees "/" as the clicked caption.
  QTest::mouseClick(p.widget(control("按钮16")), Qt::LeftButton);
  QCOMPARE(p.display(), QString());
  QTest::mouseClick(p.widget(control("按钮2")), Qt::LeftButton);
  QTest::mouseClick(p.widget(control("按钮18")), Qt::LeftButton);
  QCOMPARE(p.display(), QStringLiteral("70/2=35"));
}

void WindowTest::programWritesRaiseContentChangedOnce() {
  CountingWindow c;
  const ControlRef yards = control("编辑框5");
  c.window.writeText(yards, "12");
  QCOMPARE(c.edit(yards)->text(), QStringLiteral("12"));
  QCOMPARE(c.edit(yards)->cursorPosition(), 0);  // the start of the text in view
  QCOMPARE(c.changes(yards), 1);
  QCOMPARE(gSources.back().ref, yards);
  QCOMPARE(gSources.back().kind, ControlKind::EditBox);

  // The same text again: the event all the same, but the widget is left
  // alone (the caret stays where it was).
  c.edit(yards)->setCursorPosition(1);
  c.window.writeText(yards, "12");
  QCOMPARE(c.changes(yards), 2);
  QCOMPARE(c.edit(yards)->cursorPosition(), 1);
  // Whatever the user did to the box since, the same write puts its text back.
  typeText(c.edit(yards), QStringLiteral("9"));
  QCOMPARE(c.edit(yards)->text(), QStringLiteral("192"));
  QCOMPARE(c.changes(yards), 3);
  c.window.writeText(yards, "12");
  QCOMPARE(c.edit(yards)->text(), QStringLiteral("12"));
  QCOMPARE(c.changes(yards), 4);
  c.window.writeText(yards, "");
  QCOMPARE(c.edit(yards)->text(), QString());
  QCOMPARE(c.changes(yards), 5);

  // Other boxes, buttons and bad references raise nothing.
  QCOMPARE(c.changes(control("编辑框1")), 0);
  c.window.writeText(control("按钮1"), "1");
  c.window.writeText(ControlRef{c.id, 99}, "x");
  c.window.writeText(ControlRef{c.id + 1, 0}, "x");
  QCOMPARE(std::accumulate(gChanges.begin(), gChanges.end(), 0), 5);
  QCOMPARE(c.window.readText(ControlRef{c.id, 99}), std::string());
}

void WindowTest::userEditsRaiseContentChanged() {
  CountingWindow c;
  c.window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&c.window));
  const ControlRef inches = control("编辑框2");
  QLineEdit* box = c.edit(inches);
  box->setFocus();
  struct Step {
    const char* what;
    std::function<void()> act;
    QString text;
  };
  const std::vector<Step> steps = {
      {"type 1", [&] { QTest::keyClick(box, Qt::Key_1); }, "1"},
      {"type 2", [&] { QTest::keyClick(box, Qt::Key_2); }, "12"},
      {"backspace", [&] { QTest::keyClick(box, Qt::Key_Backspace); }, "1"},
      {"undo", [&] { QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier); }, "12"},
      {"redo", [&] { QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); },
       "1"},
      {"cut",
       [&] {
         box->selectAll();
         QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
       },
       ""},
      {"paste", [&] { QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier); }, "1"},
      {"input method", [&] { typeText(box, QStringLiteral("寸")); }, "1寸"},
  };
  int expected = 0;
  for (const Step& step : steps) {
    step.act();
    ++expected;
    QVERIFY2(box->text() == step.text, step.what);
    QVERIFY2(c.changes(inches) == expected, step.what);
  }
  // Moving the caret changes nothing and raises nothing.
  QTest::keyClick(box, Qt::Key_Left);
  QCOMPARE(c.changes(inches), expected);
  QCOMPARE(gSources.back().ref, inches);
}

void WindowTest::textsCrossTheGbkBoundary() {
  CountingWindow c;
  const ControlRef inches = control("编辑框2");
  QLineEdit* box = c.edit(inches);
  struct Case {
    QString typed;
    std::string read;
  };
  const Case cases[] = {
      {QStringLiteral("中文"), "\xD6\xD0\xCE\xC4"},
      {QString::fromUtf8("\xF0\x9F\x98\x80"), "?"},  // an emoji: not in GBK
      {QStringLiteral("12\u3000"), "12\xA1\xA1"},    // the full-width space
  };
  for (const Case& k : cases) {
    box->clear();
    typeText(box, k.typed);
    QCOMPARE(box->text(), k.typed);
    QCOMPARE(c.window.readText(inches), k.read);
  }
  // Captions read as GBK too: the middle dot of 按钮11.
  QCOMPARE(c.window.readText(control("按钮11")), std::string("\xA1\xA4"));
  // Writes decode GBK; malformed bytes never crash and show as U+FFFD.
  c.window.writeText(inches, "\xD6\xD0");
  QCOMPARE(box->text(), QStringLiteral("中"));
  for (const std::string_view bad : {std::string_view("\x81"),
                                     std::string_view("\xFF\xFF"
                                                      "12"),
                                     std::string_view("1\x81\x30")}) {
    c.window.writeText(inches, bad);
    QVERIFY(box->text().contains(QChar(0xFFFD)));
  }
}

void WindowTest::noticeBox() {
  expectModal_ = true;
  CountingWindow c;
  bool inspected = false;
  whenBoxShows([&](QMessageBox* box) {
    inspected = true;
    QCOMPARE(box->windowTitle(), QStringLiteral("信息："));
    QCOMPARE(box->text(), QStringLiteral("您没有输入数据！"));
    QCOMPARE(box->icon(), QMessageBox::NoIcon);
    QCOMPARE(box->buttons().size(), 1);
    QVERIFY(box->button(QMessageBox::Ok) != nullptr);
    QVERIFY(box->parentWidget() == nullptr);
    QCOMPARE(box->windowModality(), Qt::ApplicationModal);
  });
  // GBK in: "您没有输入数据！"
  QCOMPARE(c.window.showNotice("\xC4\xFA\xC3\xBB\xD3\xD0\xCA\xE4\xC8\xEB\xCA\xFD\xBE\xDD\xA3\xA1",
                               0, std::nullopt),
           0);
  QVERIFY(inspected);

  // An absent message gives an empty box; a caption replaces the default.
  inspected = false;
  whenBoxShows([&](QMessageBox* box) {
    inspected = true;
    QCOMPARE(box->text(), QString());
    QCOMPARE(box->windowTitle(), QStringLiteral("注意"));
  });
  QCOMPARE(c.window.showNotice("", 0, std::string_view("\xD7\xA2\xD2\xE2")), 0);
  QVERIFY(inspected);
}

void WindowTest::noticeButtonsAndResults_data() {
  QTest::addColumn<int>("flags");
  QTest::addColumn<int>("press");  // a QMessageBox::StandardButton
  QTest::addColumn<int>("buttons");
  QTest::addColumn<int>("icon");  // a QMessageBox::Icon
  QTest::addColumn<int>("result");
  QTest::newRow("OK") << 0x0 << int(QMessageBox::Ok) << 1 << int(QMessageBox::NoIcon) << 0;
  QTest::newRow("OK/Cancel: Cancel")
      << 0x1 << int(QMessageBox::Cancel) << 2 << int(QMessageBox::NoIcon) << 1;
  QTest::newRow("Abort/Retry/Ignore: Abort")
      << 0x2 << int(QMessageBox::Abort) << 3 << int(QMessageBox::NoIcon) << 2;
  QTest::newRow("Abort/Retry/Ignore: Retry")
      << 0x2 << int(QMessageBox::Retry) << 3 << int(QMessageBox::NoIcon) << 3;
  QTest::newRow("Abort/Retry/Ignore: Ignore")
      << 0x2 << int(QMessageBox::Ignore) << 3 << int(QMessageBox::NoIcon) << 4;
  QTest::newRow("Yes/No/Cancel: Yes, error icon")
      << 0x13 << int(QMessageBox::Yes) << 3 << int(QMessageBox::Critical) << 5;
  QTest::newRow("Yes/No: No, question icon")
      << 0x24 << int(QMessageBox::No) << 2 << int(QMessageBox::Question) << 6;
  QTest::newRow("Retry/Cancel: Retry, warning icon")
      << 0x35 << int(QMessageBox::Retry) << 2 << int(QMessageBox::Warning) << 3;
  QTest::newRow("Cancel/Try again/Continue: Continue")
      << 0x46 << int(QMessageBox::Ignore) << 3 << int(QMessageBox::Information) << 0;
  QTest::newRow("task-modal bit and unknown buttons: OK")
      << 0x2009 << int(QMessageBox::Ok) << 1 << int(QMessageBox::NoIcon) << 0;
}

void WindowTest::noticeButtonsAndResults() {
  QFETCH(int, flags);
  QFETCH(int, press);
  QFETCH(int, buttons);
  QFETCH(int, icon);
  QFETCH(int, result);
  expectModal_ = true;
  bool inspected = false;
  whenBoxShows(
      [&](QMessageBox* box) {
        inspected = true;
        QCOMPARE(box->buttons().size(), buttons);
        QCOMPARE(int(box->icon()), icon);
      },
      static_cast<QMessageBox::StandardButton>(press));
  QCOMPARE(ui::showNotice(QStringLiteral("?"), flags, std::nullopt), result);
  QVERIFY(inspected);
}

void WindowTest::equalsNoticeKeepsTheClockTicking() {
  expectModal_ = true;
  Program p;
  QLineEdit* clock = p.edit(control("编辑框11"));
  bool inspected = false;
  bool ticked = false;
  bool keysBlocked = false;
  whenBoxShows([&](QMessageBox* box) {
    inspected = true;
    QCOMPARE(box->text(), QStringLiteral("您没有输入数据！"));
    // The program's window takes no input while the box is up, but the clock
    // goes on writing the time.
    keysBlocked = !p.window->isEnabled() || QApplication::activeModalWidget() == box;
    clock->setText(QString());
    spin(100);
    ticked = !clock->text().isEmpty();
  });
  // Right after start the display is blank: equals refuses with the notice.
  QTest::mouseClick(p.widget(control("按钮18")), Qt::LeftButton);
  QVERIFY(inspected);
  QVERIFY(keysBlocked);
  QVERIFY(ticked);
  QCOMPARE(p.display(), QString());
}

void WindowTest::hyperlinkOpensOnPress() {
  Program p;
  ui::HyperlinkWidget::setOpener(fakeOpen);
  gOpened.clear();
  gOpenerSucceeds = true;
  auto* shop = dynamic_cast<ui::HyperlinkWidget*>(p.widget(control("超级链接框2")));
  auto* site = dynamic_cast<ui::HyperlinkWidget*>(p.widget(control("超级链接框1")));
  QVERIFY(shop != nullptr && site != nullptr);
  const QColor hover(49, 106, 197);
  const QColor visited(128, 0, 0);

  // Opened on the press, not on the release; a right press opens nothing.
  QTest::mousePress(shop, Qt::RightButton, {}, QPoint(10, 10));
  QCOMPARE(gOpened.size(), 0);
  QTest::mousePress(shop, Qt::LeftButton, {}, QPoint(10, 10));
  QCOMPARE(gOpened, QStringList{shop->address()});
  QTest::mouseRelease(shop, Qt::LeftButton, {}, QPoint(10, 10));
  QCOMPARE(gOpened.size(), 1);
  QVERIFY(shop->visited());
  QCOMPARE(shop->textColor(), visited);

  // Hover wins while the pointer is over it.
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), shop->mapToGlobal(QPointF(5, 5)));
  QApplication::sendEvent(shop, &enter);
  QCOMPARE(shop->textColor(), hover);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(shop, &leave);
  QCOMPARE(shop->textColor(), visited);

  // A refused open leaves the link unvisited, in its own colour.
  gOpenerSucceeds = false;
  QTest::mousePress(site, Qt::LeftButton, {}, QPoint(10, 10));
  QCOMPARE(gOpened.last(), site->address());
  QVERIFY(!site->visited());
  QCOMPARE(site->textColor(), QColor(Qt::black));
  // Not even a pressed hyperlink takes the focus.
  QVERIFY(QApplication::focusWidget() != site);
  ui::HyperlinkWidget::setOpener(nullptr);
}

void WindowTest::backgroundPictureAndCorruptData() {
  const std::span<const unsigned char> jpeg = ui::assets::backgroundJpeg();
  const QImage picture = ui::decodeJpeg(jpeg);
  QCOMPARE(picture.size(), QSize(695, 410));
  // A light-blue sky at the left, green leaves in the upper right.
  const QColor sky = picture.pixelColor(20, 300);
  QVERIFY(sky.blue() > 200 && sky.blue() > sky.red());
  int green = 0;
  for (int y = 0; y < 80; ++y) {
    for (int x = 500; x < 695; ++x) {
      const QColor c = picture.pixelColor(x, y);
      green += c.green() > c.red() + 40 && c.green() > c.blue() + 40;
    }
  }
  QVERIFY(green > 500);

  // Damaged data of every sort gives no picture, and no crash.
  const std::vector<unsigned char> whole(jpeg.begin(), jpeg.end());
  std::vector<std::vector<unsigned char>> damaged;
  damaged.emplace_back(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2));
  damaged.emplace_back(whole.begin(), whole.begin() + 200);
  damaged.push_back(whole);
  std::fill(damaged.back().begin() + 1000, damaged.back().begin() + 4000, 0xFF);
  damaged.push_back(whole);
  for (std::size_t i = 3000; i < damaged.back().size(); i += 7) damaged.back()[i] ^= 0x5A;
  damaged.push_back(whole);
  for (std::size_t i = 0; i + 8 < damaged.back().size(); ++i) {
    if (damaged.back()[i] == 0xFF && damaged.back()[i + 1] == 0xC0) {  // the frame header
      damaged.back()[i + 5] = 0xFF;  // height and width: 65535 x 65535
      damaged.back()[i + 6] = 0xFF;
      damaged.back()[i + 7] = 0xFF;
      damaged.back()[i + 8] = 0xFF;
      break;
    }
  }
  damaged.emplace_back(4096, 0x00);
  const std::span<const unsigned char> png = ui::assets::icon32Png();
  damaged.emplace_back(png.begin(), png.end());
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    QVERIFY2(ui::decodeJpeg(damaged[i]).isNull(), qPrintable(QString::number(i)));
  }
  QVERIFY(ui::decodeJpeg({}).isNull());

  // The window tiles the picture from its top-left corner; without one its
  // background is plain button face.
  Program p;
  const QPoint open(250, 100);  // background, no control there
  QImage shot = p.window->grab().toImage();
  QCOMPARE(shot.pixelColor(open), picture.pixelColor(open));
  QCOMPARE(shot.pixelColor(700, 330), picture.pixelColor(5, 330));  // the second copy
  p.window->setBackgroundPicture(ui::decodeJpeg(damaged[0]));
  shot = p.window->grab().toImage();
  QCOMPARE(shot.pixelColor(open), qColor(ui::kButtonFace));
  QCOMPARE(shot.pixelColor(700, 330), qColor(ui::kButtonFace));
}

void WindowTest::dragMovesTheWindowByHand() {
  Program p;
  ui::MainWindow& w = *p.window;
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  // Offscreen there is no window manager to move it.
  QVERIFY(!w.windowHandle()->startSystemMove());

  const auto drag = [&](QWidget* target, QPoint local, QPoint by) {
    const QPoint global = target->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent move(QEvent::MouseMove, local + by, global + by, Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, local + by, global + by, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
  };

  // A press on a label moves the window like its caption.
  QPoint start = w.frameGeometry().topLeft();
  drag(p.widget(control("标签12")), QPoint(10, 10), QPoint(30, 20));
  QTRY_COMPARE(w.frameGeometry().topLeft(), start + QPoint(30, 20));
  // After the release the mouse moves nothing.
  QMouseEvent stray(QEvent::MouseMove, QPoint(1, 1), w.mapToGlobal(QPoint(1, 1)), Qt::NoButton,
                    Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &stray);
  QCOMPARE(w.frameGeometry().topLeft(), start + QPoint(30, 20));

  // So does a press on the background picture.
  start = w.frameGeometry().topLeft();
  drag(&w, QPoint(250, 100), QPoint(-20, 15));
  QTRY_COMPARE(w.frameGeometry().topLeft(), start + QPoint(-20, 15));

  // A press on an edit box places the caret instead.
  start = w.frameGeometry().topLeft();
  QLineEdit* inches = p.edit(control("编辑框2"));
  inches->setText(QStringLiteral("123456"));
  drag(inches, QPoint(4, 12), QPoint(40, 0));
  spin(20);
  QCOMPARE(w.frameGeometry().topLeft(), start);
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
