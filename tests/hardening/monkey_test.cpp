// A monkey in the real window on Qt's offscreen platform: tens of thousands of
// random clicks, keystrokes, input-method texts, pastes, focus moves and mouse
// presses from one seed, with what must hold checked after every single one.
// In the sanitizer build it runs under AddressSanitizer, UndefinedBehavior-
// Sanitizer and LeakSanitizer, which stop the run at the first report.
//
//   QUORVANE_MONKEY_SEED=<n>     replays a run (the seed is printed first)
//   QUORVANE_MONKEY_ACTIONS=<n>  sets its length (default 20000)
//
// After every action:
// - the window still exists (Esc is blocked while the monkey runs);
// - operatorCode is 0 to 4, and the first operand is not blank while an
//   operator is pending;
// - a key click changed the display, the calculator's state and the notices
//   exactly as the key table says (a model of it, below, from the pre-state);
// - each converter row whose input box changed shows in its two output boxes
//   the rule applied to the input box's GBK text, computed here from the row
//   table; output boxes change only by their row's input or the user's own
//   edit of them; input boxes and the display change only by the user;
// - a paste or an input-method text reached its box whole (nothing lost);
// - Tab and Shift+Tab moved the focus one step along the focus cycle;
// - the clock box holds the time of a tick that just happened.
#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/startup.h"
#include "calc/calculator.h"
#include "clock/clock.h"
#include "text/gbk.h"
#include "text/numbers.h"
#include "text/texts.h"
#include "ui/controls.h"
#include "ui/main_window.h"

using namespace quorvane;

namespace {

constexpr unsigned long long kDefaultSeed = 20240610;
constexpr long kDefaultActions = 20000;
constexpr qsizetype kHugeUnits = qsizetype{1} << 20;  // 1 MiB of text

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
std::string gbkOf(const QString& text) {
  return toGbk(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                   static_cast<std::size_t>(text.size())));
}
QString fromGbkBytes(std::string_view gbk) {
  const std::u16string utf16 = fromGbk(gbk);
  return QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
}
// Short, printable: long texts are cut, control characters shown as \x{..}.
QString shown(const QString& text) {
  QString out;
  for (qsizetype i = 0; i < text.size() && i < 60; ++i) {
    const QChar c = text[i];
    out += c.isPrint() ? QString(c) : QStringLiteral("\\x{%1}").arg(c.unicode(), 0, 16);
  }
  if (text.size() > 60) out += QStringLiteral("...(%1 units)").arg(text.size());
  return out;
}
QString shownGbk(const std::string& gbk) {
  return shown(fromGbkBytes(gbk));
}

unsigned long long envNumber(const char* name, unsigned long long fallback) {
  const QByteArray value = qgetenv(name);
  bool ok = false;
  const unsigned long long n = value.toULongLong(&ok);
  return ok ? n : fallback;
}

// ------------------------------------------------------------ random texts

class Monkey;

// Texts of every sort a user could put into a box.
class TextMaker {
 public:
  explicit TextMaker(std::mt19937_64& rng) : rng_(rng) {}

  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }

  QString any() {
    switch (below(8)) {
      case 0:
      case 1:
        return number();
      case 2:
        return ascii();
      case 3:
        return chinese();
      case 4:
        return fullWidth();
      case 5:
        return outsideGbk();
      case 6:
        return control();
      default: {
        QString mixed;
        for (int n = 1 + below(4); n > 0; --n) mixed += below(2) == 0 ? number() : any();
        return mixed;
      }
    }
  }

  // Text that reads as a number, more or less.
  QString number() {
    static const char* const kPieces[] = {"0", "1", "2", "3", "5", "7", "9", "12", "36", "0.5",
                                          ".", "-", "+", "e", "E", "d", "D", "e+", "e-", "400",
                                          " ", "1e400", "-0", "00", "9999999999999999"};
    QString text;
    for (int n = 1 + below(6); n > 0; --n) text += QLatin1String(kPieces[below(std::size(kPieces))]);
    return text;
  }
  // Printable ASCII, for typing key by key.
  QString ascii() {
    QString text;
    for (int n = 1 + below(10); n > 0; --n) text += QChar(0x20 + below(0x5F));
    return text;
  }
  // Characters of GBK: the GB2312 ideographs and, now and then, GBK's
  // extension area, decoded from random byte pairs.
  QString chinese() {
    std::string gbk;
    for (int n = 1 + below(6); n > 0; --n) {
      if (chance(0.8)) {
        gbk += static_cast<char>(0xB0 + below(0xD7 - 0xB0 + 1));
        gbk += static_cast<char>(0xA1 + below(0xFE - 0xA1 + 1));
      } else {
        gbk += static_cast<char>(0x81 + below(0xA0 - 0x81 + 1));
        int trail = 0x40 + below(0xFE - 0x40);
        if (trail >= 0x7F) ++trail;  // 0x7F is never a trail byte
        gbk += static_cast<char>(trail);
      }
    }
    return fromGbkBytes(gbk);
  }
  // Full-width digits, signs, letters and the ideographic space.
  QString fullWidth() {
    static const char16_t kForms[] = {u'０', u'１', u'２', u'５', u'９', u'．', u'＋', u'－',
                                      u'ｅ', u'Ｅ', u'ｄ', u'　', u'～', u'＊', u'Ａ', u'ｚ'};
    QString text;
    for (int n = 1 + below(8); n > 0; --n) text += QChar(kForms[below(std::size(kForms))]);
    return text;
  }
  // Characters GBK lacks: emoji (surrogate pairs), Hangul, symbols, and
  // surrogates that are not paired.
  QString outsideGbk() {
    QString text;
    for (int n = 1 + below(4); n > 0; --n) {
      switch (below(6)) {
        case 0:
          static const char32_t kEmoji[] = {U'\U0001F600', U'\U0001F9F5', U'\U0001F4CF'};
          text += QString::fromUcs4(&kEmoji[below(3)], 1);
          break;
        case 1:
          text += QChar(0xAC00 + below(0x2000));  // Hangul
          break;
        case 2:
          text += QChar(u'€');
          break;
        case 3:
          text += QChar(0xD800 + below(0x400));  // a lone high surrogate
          break;
        case 4:
          text += QChar(0xDC00 + below(0x400));  // a lone low surrogate
          break;
        default:
          text += QChar(0xFFFD);
      }
    }
    return text;
  }
  // Control and format characters, the zero character among them.
  QString control() {
    static const char16_t kControls[] = {0x0000, 0x0001, 0x0008, 0x0009, 0x000A, 0x000D,
                                         0x001B, 0x001F, 0x007F, 0x0085, 0x200B, 0x200E,
                                         0x202E, 0x2028, 0xFEFF, 0xFFFF};
    QString text;
    for (int n = 1 + below(4); n > 0; --n) {
      text += QChar(kControls[below(std::size(kControls))]);
      if (chance(0.5)) text += number();
    }
    return text;
  }
  // 1 MiB of text: digits (one long number), ideographs (2 MiB of GBK), or a
  // mixture of everything above.
  QString huge() {
    switch (below(3)) {
      case 0: {
        QString text(kHugeUnits, QChar(u'7'));
        text[below(static_cast<int>(kHugeUnits))] = QChar(u'.');
        return text;
      }
      case 1: {
        QString text;
        text.reserve(kHugeUnits);
        while (text.size() < kHugeUnits) text += chinese();
        text.truncate(kHugeUnits);
        return text;
      }
      default: {
        QString text = number();
        text.reserve(kHugeUnits + 64);
        while (text.size() < kHugeUnits) text += any();
        return text;
      }
    }
  }

 private:
  std::mt19937_64& rng_;
};

// ------------------------------------------------- the calculator's model

// The calculator as its key table describes it, over GBK texts.
struct CalcModel {
  std::int32_t operatorCode = 0;
  std::string firstOperandText;
  float resultValue = 0.0f;
  bool decimalPointEntered = false;
  bool negateNext = true;
  bool resultShown = false;
  std::string display;
  std::vector<QString> notices;

  static CalcModel of(const CalculatorState& s, std::string display) {
    return CalcModel{s.operatorCode,  s.firstOperandText, s.resultValue,      s.decimalPointEntered,
                     s.negateNext,    s.resultShown,      std::move(display), {}};
  }

  static bool blank(std::string_view text) { return compareTexts(trimSpaces(text), "") == 0; }

  void resetEntry() {
    resultValue = 0.0f;
    display.clear();
    decimalPointEntered = false;
    negateNext = true;
    resultShown = false;
  }
  void clear() {
    resetEntry();
    operatorCode = 0;
    firstOperandText.clear();
  }

  void click(const QString& caption) {
    static const QString kOperators = QStringLiteral("+-*/");
    if (caption.size() == 1 && caption[0].isDigit()) {
      if (resultShown) clear();
      display = joinTexts({display, caption.toStdString()});
    } else if (caption == QStringLiteral("·")) {
      if (decimalPointEntered) return;
      if (blank(display)) display.assign(1, '0');  // (GCC 12 misreads = "0" here)
      display = joinTexts({display, "."});
      decimalPointEntered = true;
    } else if (caption == QStringLiteral("+/-")) {
      if (blank(display)) return;
      display = negateNext ? joinTexts({"-", display})
                           : numberToText(absoluteValue(textToNumber(display)));
      negateNext = !negateNext;
    } else if (caption.size() == 1 && kOperators.contains(caption[0])) {
      if (blank(display)) return;
      operatorCode = static_cast<std::int32_t>(kOperators.indexOf(caption[0])) + 1;
      firstOperandText = display;
      resetEntry();
    } else if (caption == QStringLiteral("清零")) {
      clear();
    } else if (caption == QStringLiteral("等于")) {
      if (blank(display)) {
        notices.push_back(QStringLiteral("您没有输入数据！"));
        return;
      }
      if (operatorCode == 0) {
        notices.push_back(QStringLiteral("您没有输入运算符！"));
        return;
      }
      const double a = textToNumber(firstOperandText);
      const double b = textToNumber(display);
      const double r = operatorCode == 1   ? a + b
                       : operatorCode == 2 ? a - b
                       : operatorCode == 3 ? a * b
                                           : a / b;
      resultValue = static_cast<float>(r);
      const std::string sign(1, "+-*/"[operatorCode - 1]);
      display = joinTexts({firstOperandText, sign, display, "=", singleToText(resultValue)});
      resultShown = true;
    }
  }
};

// ----------------------------------------------------------- the converter

// The three rows, from the row table: input box, two output boxes and their
// rules, with the metric factors as the singles they are.
constexpr double kMetresPerInch = static_cast<double>(0.0254f);
constexpr double kMetresPerYard = static_cast<double>(0.9144f);
struct Row {
  const char* input;
  const char* first;
  const char* second;
  double (*firstRule)(double);
  double (*secondRule)(double);
};
const Row kRows[] = {
    {"编辑框2", "编辑框5", "编辑框8", [](double x) { return x / 36.0; },
     [](double x) { return x * kMetresPerInch; }},
    {"编辑框3", "编辑框6", "编辑框9", [](double x) { return x * 36.0; },
     [](double x) { return x * kMetresPerYard; }},
    {"编辑框4", "编辑框7", "编辑框10", [](double x) { return x / kMetresPerYard; },
     [](double x) { return x / kMetresPerInch; }},
};

// ------------------------------------------------------------ the monkey

enum class Act {
  ClickKey,
  TypeKeys,
  InputMethod,
  Paste,
  EditKey,
  Tab,
  BackTab,
  Escape,
  Idle,
  ClearBox,
  Mouse,
  Count
};
constexpr std::array<const char*, static_cast<std::size_t>(Act::Count)> kActNames{
    "click-key", "type-keys", "input-method", "paste", "edit-key", "tab",
    "back-tab",  "escape",    "idle",         "clear-box", "mouse"};
// How often each action comes, in parts of the total.
constexpr std::array<int, static_cast<std::size_t>(Act::Count)> kActWeights{28, 12, 12, 8, 12, 6,
                                                                            4,  2,  6,  5, 5};

bool gOpenSucceeds = false;
int gOpens = 0;
bool fakeOpen(const QString&) {
  ++gOpens;
  return gOpenSucceeds;
}

// Swallows plain Esc before the window sees it, while the monkey runs.
class EscapeBlocker : public QObject {
 public:
  int blocked = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      ++blocked;
      return true;
    }
    return QObject::eventFilter(watched, event);
  }
};

void spin(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

class Monkey {
 public:
  Monkey(ui::MainWindow& window, EventLayer& layer, unsigned long long seed)
      : window_(window), layer_(layer), rng_(seed), make_(rng_) {
    for (std::size_t i = 0; i < ui::kControls.size(); ++i) {
      const ui::ControlRecord& record = ui::kControls[i];
      QWidget* widget = window.widgetOf(static_cast<int>(i));
      const QString name = fromUtf8(record.name);
      switch (record.kind) {
        case ControlKind::EditBox: {
          auto* box = qobject_cast<QLineEdit*>(widget);
          boxes_.push_back(box);
          byName_[name] = box;
          connections_.push_back(QObject::connect(box, &QLineEdit::textEdited, box,
                                                  [this, box] { edited_.insert(box); }));
          break;
        }
        case ControlKind::PushButton: {
          auto* key = qobject_cast<QPushButton*>(widget);
          keys_.push_back(key);
          connections_.push_back(QObject::connect(
              key, &QPushButton::clicked, key, [this, key] { clicked_.push_back(key->text()); }));
          break;
        }
        case ControlKind::Label:
        case ControlKind::Hyperlink:
        case ControlKind::MonthCalendar:
          others_.push_back(widget);
          break;
        case ControlKind::Timer:
        case ControlKind::Window:
          break;
      }
    }
    for (const int index : ui::focusOrder()) focusCycle_.push_back(window.widgetOf(index));
    display_ = byName_.at(QStringLiteral("编辑框1"));
    clock_ = byName_.at(QStringLiteral("编辑框11"));
    for (QLineEdit* box : boxes_) shadow_[box] = box->text();
    state_ = CalcModel::of(calculatorState(), gbkOf(display_->text()));

    // Notices are read and closed as they come up; any other modal window,
    // the fatal box above all, is reported at once.
    closer_.setInterval(1);
    QObject::connect(&closer_, &QTimer::timeout, [this] {
      // A menu that pops up (the calendar's month list) is closed unused.
      if (QWidget* popup = QApplication::activePopupWidget()) {
        note("closed the pop-up " + QString::fromLatin1(popup->metaObject()->className()));
        popup->close();
        return;
      }
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr) return;
      auto* box = qobject_cast<QMessageBox*>(modal);
      const QString text = box != nullptr ? box->text() : modal->metaObject()->className();
      if (box == nullptr || box->icon() != QMessageBox::NoIcon) {
        std::fprintf(stderr, "monkey: unexpected modal window at action %ld: %s\n", action_,
                     qPrintable(text));
        printHistory();
      }
      notices_.push_back(text);
      if (box != nullptr && box->button(QMessageBox::Ok) != nullptr) {
        box->button(QMessageBox::Ok)->click();
      } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->done(0);
      }
    });
    closer_.start();
    qApp->installEventFilter(&escape_);
    ui::HyperlinkWidget::setOpener(fakeOpen);
  }
  ~Monkey() {
    for (const QMetaObject::Connection& connection : connections_) QObject::disconnect(connection);
    ui::HyperlinkWidget::setOpener(nullptr);
    qApp->removeEventFilter(&escape_);
  }
  Monkey(const Monkey&) = delete;
  Monkey& operator=(const Monkey&) = delete;

  // Runs the actions; false (with the reason printed) at the first broken rule.
  bool run(long actions) {
    std::discrete_distribution<int> pickAct(kActWeights.begin(), kActWeights.end());
    for (action_ = 0; action_ < actions; ++action_) {
      auto act = static_cast<Act>(pickAct(rng_));
      // A box that got a huge text is worked on for a few actions, then
      // emptied, so that such texts do not pile up (every change of a box
      // holding one lays out the whole line again).
      forcedBox_ = hugeBox_;
      if (hugeBox_ != nullptr && hugeLeft_-- > 0) {
        act = hugeBox_ == display_ ? Act::ClickKey : Act::TypeKeys;
        forcedBox_ = hugeBox_ == display_ ? nullptr : hugeBox_;
      } else if (hugeBox_ != nullptr) {
        act = Act::ClearBox;
        hugeBox_ = nullptr;
      }
      ++counts_[static_cast<std::size_t>(act)];
      edited_.clear();
      clicked_.clear();
      notices_.clear();
      expectInserted_.reset();
      tabbedFrom_.reset();
      perform(act);
      if (!check(act)) {
        printHistory();
        return false;
      }
    }
    return true;
  }

  void printCounts() const {
    std::printf("monkey actions:");
    for (std::size_t i = 0; i < counts_.size(); ++i) std::printf(" %s %ld", kActNames[i], counts_[i]);
    std::printf("; huge texts %d, notices %d, Esc blocked %d, links opened %d\n", hugeTexts_,
                noticesSeen_, escape_.blocked, gOpens);
    std::fflush(stdout);
  }

  long count(Act act) const { return counts_[static_cast<std::size_t>(act)]; }
  int hugeTexts() const { return hugeTexts_; }
  int noticesSeen() const { return noticesSeen_; }
  EscapeBlocker& escape() { return escape_; }
  QString failure() const { return failure_; }

 private:
  template <typename T>
  T* pick(const std::vector<T*>& from) {
    return from[static_cast<std::size_t>(make_.below(static_cast<int>(from.size())))];
  }
  QLineEdit* pickBox() { return forcedBox_ != nullptr ? forcedBox_ : pick(boxes_); }

  void note(const QString& what) {
    history_.push_back(QStringLiteral("#%1 %2").arg(action_).arg(what));
    if (history_.size() > 25) history_.pop_front();
  }
  void printHistory() const {
    std::fprintf(stderr, "monkey: the last actions:\n");
    for (const QString& line : history_) std::fprintf(stderr, "  %s\n", qPrintable(line));
    std::fflush(stderr);
  }

  // Now and then 1 MiB of text, into a box emptied first.
  QString textToEnter(QLineEdit* box) {
    if (forcedBox_ == nullptr && make_.chance(1.0 / 500)) {
      ++hugeTexts_;
      box->selectAll();
      box->del();
      hugeBox_ = box;
      hugeLeft_ = 1 + make_.below(2);
      return make_.huge();
    }
    return make_.any();
  }

  // The box's text after text goes in at the caret (over the selection).
  static QString afterInsert(const QLineEdit* box, const QString& text) {
    QString result = box->text();
    if (box->hasSelectedText()) {
      const qsizetype start = box->selectionStart();
      return result.replace(start, box->selectedText().size(), text);
    }
    return result.insert(box->cursorPosition(), text);
  }

  void selectSomething(QLineEdit* box) {
    const int size = static_cast<int>(box->text().size());
    switch (make_.below(3)) {
      case 0:
        box->setCursorPosition(make_.below(size + 1));
        break;
      case 1: {
        const int start = make_.below(size + 1);
        box->setSelection(start, make_.below(size - start + 1));
        break;
      }
      default:
        box->end(false);
    }
  }

  void perform(Act act) {
    switch (act) {
      case Act::ClickKey: {
        QPushButton* key = pick(keys_);
        note("click " + key->objectName() + " " + key->text());
        QTest::mouseClick(key, Qt::LeftButton);
        break;
      }
      case Act::TypeKeys: {
        QLineEdit* box = pickBox();
        // One key at a time into a box that holds a huge text.
        const QString text = forcedBox_ != nullptr ? make_.ascii().left(1) : make_.ascii();
        box->setFocus();
        selectSomething(box);
        note("type into " + box->objectName() + ": " + shown(text));
        expectInserted_ = {box, afterInsert(box, text)};
        QTest::keyClicks(box, text);
        break;
      }
      case Act::InputMethod:
      case Act::Paste: {
        QLineEdit* box = pickBox();
        box->setFocus();
        const QString text = textToEnter(box);
        selectSomething(box);
        expectInserted_ = {box, afterInsert(box, text)};
        if (act == Act::Paste) {
          note("paste into " + box->objectName() + ": " + shown(text));
          QApplication::clipboard()->setText(text);
          QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        } else {
          note("input method into " + box->objectName() + ": " + shown(text));
          QInputMethodEvent commit;
          commit.setCommitString(text);
          QApplication::sendEvent(box, &commit);
        }
        break;
      }
      case Act::EditKey: {
        struct Key {
          Qt::Key key;
          Qt::KeyboardModifiers modifiers;
          const char* name;
        };
        static const Key kKeys[] = {
            {Qt::Key_Backspace, Qt::NoModifier, "Backspace"},
            {Qt::Key_Delete, Qt::NoModifier, "Delete"},
            {Qt::Key_Left, Qt::NoModifier, "Left"},
            {Qt::Key_Right, Qt::ShiftModifier, "Shift+Right"},
            {Qt::Key_Home, Qt::NoModifier, "Home"},
            {Qt::Key_End, Qt::ShiftModifier, "Shift+End"},
            {Qt::Key_A, Qt::ControlModifier, "Ctrl+A"},
            {Qt::Key_X, Qt::ControlModifier, "Ctrl+X"},
            {Qt::Key_C, Qt::ControlModifier, "Ctrl+C"},
            {Qt::Key_V, Qt::ControlModifier, "Ctrl+V"},
            {Qt::Key_Z, Qt::ControlModifier, "Ctrl+Z"},
            {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, "Ctrl+Shift+Z"},
            {Qt::Key_Return, Qt::NoModifier, "Return"},
            {Qt::Key_Space, Qt::NoModifier, "Space"},
            {Qt::Key_F1, Qt::NoModifier, "F1"},
            {Qt::Key_Up, Qt::NoModifier, "Up"},
        };
        const Key& key = kKeys[make_.below(std::size(kKeys))];
        // Mostly into a box; otherwise to whatever has the focus, where
        // Space clicks a key.
        QWidget* target = window_.focusWidget();
        if (target == nullptr || make_.chance(0.7)) {
          QLineEdit* box = pickBox();
          box->setFocus();
          target = box;
        }
        note(QStringLiteral("%1 on %2").arg(key.name, target->objectName()));
        QTest::keyClick(target, key.key, key.modifiers);
        break;
      }
      case Act::Tab:
      case Act::BackTab: {
        QWidget* from = window_.focusWidget();
        QWidget* target = from != nullptr ? from : &window_;
        tabbedFrom_ = from;
        note(QStringLiteral("%1 from %2")
                 .arg(act == Act::Tab ? "Tab" : "Shift+Tab",
                      from != nullptr ? from->objectName() : QStringLiteral("nothing")));
        if (act == Act::Tab) {
          QTest::keyClick(target, Qt::Key_Tab);
        } else {
          QTest::keyClick(target, Qt::Key_Backtab, Qt::ShiftModifier);
        }
        break;
      }
      case Act::Escape: {
        QWidget* target = window_.focusWidget() != nullptr ? window_.focusWidget() : &window_;
        note("Esc on " + target->objectName());
        QTest::keyClick(target, Qt::Key_Escape);
        break;
      }
      case Act::Idle: {
        const int ms = 2 + make_.below(6);
        note(QStringLiteral("idle %1 ms").arg(ms));
        spin(ms);
        break;
      }
      case Act::ClearBox: {
        QLineEdit* box = pickBox();
        note("clear " + box->objectName());
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        break;
      }
      case Act::Mouse: {
        QWidget* target = make_.chance(0.2) ? static_cast<QWidget*>(&window_) : pick(others_);
        if (auto* calendar = qobject_cast<QCalendarWidget*>(target)) {
          // A day, a month arrow or the title: whatever lies there.
          const QPoint at(make_.below(calendar->width()), make_.below(calendar->height()));
          QWidget* part = calendar->childAt(at);
          note(QStringLiteral("click the calendar at %1,%2").arg(at.x()).arg(at.y()));
          QTest::mouseClick(part != nullptr ? part : calendar, Qt::LeftButton, {},
                            part != nullptr ? part->mapFrom(calendar, at) : at);
          break;
        }
        if (auto* link = dynamic_cast<ui::HyperlinkWidget*>(target)) {
          gOpenSucceeds = make_.chance(0.5);
          note(QStringLiteral("press %1, the desktop %2")
                   .arg(link->objectName(), gOpenSucceeds ? "opens it" : "refuses"));
          QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(10, 10));
          linkPressed_ = link;
          break;
        }
        // A drag on a label or on the background moves the window.
        const QPoint at(make_.below(target->width()), make_.below(target->height()));
        const QPoint by(make_.below(41) - 20, make_.below(41) - 20);
        note(QStringLiteral("drag %1 at %2,%3 by %4,%5")
                 .arg(target->objectName())
                 .arg(at.x())
                 .arg(at.y())
                 .arg(by.x())
                 .arg(by.y()));
        const QPoint global = target->mapToGlobal(at);
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QMouseEvent move(QEvent::MouseMove, at + by, global + by, Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, at + by, global + by, Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
        break;
      }
      case Act::Count:
        break;
    }
  }

  bool fail(const QString& why) {
    failure_ = QStringLiteral("action #%1: %2").arg(action_).arg(why);
    std::fprintf(stderr, "monkey: %s\n", qPrintable(failure_));
    return false;
  }

  bool check(Act act) {
    noticesSeen_ += static_cast<int>(notices_.size());
    if (!layer_.windowExists(window_.windowId()) || !window_.isVisible()) {
      return fail("the window is gone");
    }

    // The calculator's invariants.
    const CalculatorState& s = calculatorState();
    if (s.operatorCode < 0 || s.operatorCode > 4) {
      return fail(QStringLiteral("operatorCode %1").arg(s.operatorCode));
    }
    if (s.operatorCode != 0 && CalcModel::blank(s.firstOperandText)) {
      return fail("an operator is pending with a blank first operand: " +
                  shownGbk(s.firstOperandText));
    }

    // The calculator against its model.
    if (clicked_.size() > 1) return fail(QStringLiteral("%1 clicks").arg(clicked_.size()));
    std::vector<QString> expectedNotices;
    if (clicked_.size() == 1) {
      if (edited_.contains(display_)) return fail("a click and an edit of the display at once");
      CalcModel model = state_;
      model.click(clicked_.front());
      expectedNotices = model.notices;
      model.notices.clear();
      const std::string display = gbkOf(display_->text());
      if (display != model.display) {
        return fail("after " + clicked_.front() + " the display shows " + shownGbk(display) +
                    ", expected " + shownGbk(model.display));
      }
      state_ = std::move(model);
      shadow_[display_] = display_->text();
    } else if (edited_.contains(display_)) {
      shadow_[display_] = display_->text();
      state_.display = gbkOf(display_->text());
    }
    if (s.operatorCode != state_.operatorCode || s.firstOperandText != state_.firstOperandText ||
        std::bit_cast<std::uint32_t>(s.resultValue) !=
            std::bit_cast<std::uint32_t>(state_.resultValue) ||
        s.decimalPointEntered != state_.decimalPointEntered ||
        s.negateNext != state_.negateNext || s.resultShown != state_.resultShown) {
      return fail(QStringLiteral("the calculator's state: operator %1 first %2 result %3 point %4 "
                                 "negate %5 shown %6; expected %7 %8 %9 %10 %11 %12")
                      .arg(s.operatorCode)
                      .arg(shownGbk(s.firstOperandText))
                      .arg(static_cast<double>(s.resultValue))
                      .arg(s.decimalPointEntered)
                      .arg(s.negateNext)
                      .arg(s.resultShown)
                      .arg(state_.operatorCode)
                      .arg(shownGbk(state_.firstOperandText))
                      .arg(static_cast<double>(state_.resultValue))
                      .arg(state_.decimalPointEntered)
                      .arg(state_.negateNext)
                      .arg(state_.resultShown));
    }
    if (notices_ != expectedNotices) {
      return fail(QStringLiteral("notices [%1], expected [%2]")
                      .arg(QStringList(notices_.begin(), notices_.end()).join(u'|'),
                           QStringList(expectedNotices.begin(), expectedNotices.end()).join(u'|')));
    }

    // The converter: a changed input recomputes its row's outputs.
    for (const Row& row : kRows) {
      QLineEdit* input = byName_.at(fromUtf8(row.input));
      QLineEdit* first = byName_.at(fromUtf8(row.first));
      QLineEdit* second = byName_.at(fromUtf8(row.second));
      if (!edited_.contains(input)) continue;
      const double x = textToNumber(gbkOf(input->text()));
      const std::pair<QLineEdit*, std::string> expected[] = {
          {first, numberToText(row.firstRule(x))}, {second, numberToText(row.secondRule(x))}};
      for (const auto& [box, text] : expected) {
        const std::string shownText = gbkOf(box->text());
        if (shownText != text) {
          return fail(QStringLiteral("%1 shows %2 for %3 = %4, expected %5")
                          .arg(box->objectName(), shownGbk(shownText), input->objectName(),
                               shown(input->text()), fromUtf8(text)));
        }
        shadow_[box] = box->text();
      }
    }

    // Every other box changes only by the user's own edit (the clock box by
    // the clock as well).
    for (QLineEdit* box : boxes_) {
      if (box == clock_) continue;
      QString& before = shadow_[box];
      if (edited_.contains(box)) {
        before = box->text();
        continue;
      }
      if (box->text() != before) {
        return fail(QStringLiteral("%1 changed from %2 to %3 without an edit of its own")
                        .arg(box->objectName(), shown(before), shown(box->text())));
      }
    }

    // Nothing the user entered was lost on the way into the box.
    if (expectInserted_ && expectInserted_->first->text() != expectInserted_->second) {
      return fail(QStringLiteral("%1 holds %2 after the entry, expected %3")
                      .arg(expectInserted_->first->objectName(),
                           shown(expectInserted_->first->text()),
                           shown(expectInserted_->second)));
    }

    // Tab and Shift+Tab: one step along the cycle.
    if (act == Act::Tab || act == Act::BackTab) {
      const auto n = static_cast<qsizetype>(focusCycle_.size());
      const qsizetype at = tabbedFrom_ && *tabbedFrom_ != nullptr
                               ? static_cast<qsizetype>(std::find(focusCycle_.begin(),
                                                                  focusCycle_.end(), *tabbedFrom_) -
                                                        focusCycle_.begin())
                               : n;
      QWidget* expected =
          at == n ? focusCycle_.front()
                  : focusCycle_[static_cast<std::size_t>((at + (act == Act::Tab ? 1 : n - 1)) % n)];
      if (window_.focusWidget() != expected) {
        return fail(QStringLiteral("the focus went to %1, expected %2")
                        .arg(window_.focusWidget() != nullptr ? window_.focusWidget()->objectName()
                                                              : QStringLiteral("nothing"),
                             expected->objectName()));
      }
    }

    // A pressed hyperlink is visited exactly when the desktop opened it.
    if (linkPressed_ != nullptr) {
      if (linkPressed_->visited() != gOpenSucceeds) {
        return fail(linkPressed_->objectName() + " visited state after the press");
      }
      linkPressed_ = nullptr;
    }

    // After the loop ran, the clock box shows the time of a tick just now.
    if (act == Act::Idle) {
      const QString clock = clock_->text();
      bool recent = false;
      const double now = currentDateTime();
      for (int back = 0; back <= 3 && !recent; ++back) {
        recent = clock == fromGbkBytes(dateTimeToText(now - back / 86400.0));
      }
      if (!recent) {
        return fail("the clock box shows " + shown(clock) + " at " +
                    fromGbkBytes(dateTimeToText(now)));
      }
    }
    return true;
  }

  ui::MainWindow& window_;
  EventLayer& layer_;
  std::mt19937_64 rng_;
  TextMaker make_;
  std::vector<QLineEdit*> boxes_;
  std::vector<QPushButton*> keys_;
  std::vector<QWidget*> others_;
  std::vector<QWidget*> focusCycle_;
  std::map<QString, QLineEdit*> byName_;
  QLineEdit* display_ = nullptr;
  QLineEdit* clock_ = nullptr;

  // What the last action did, from the widgets' own signals.
  QSet<QLineEdit*> edited_;
  std::vector<QString> clicked_;
  std::vector<QString> notices_;
  std::optional<std::pair<QLineEdit*, QString>> expectInserted_;
  std::optional<QWidget*> tabbedFrom_;
  ui::HyperlinkWidget* linkPressed_ = nullptr;
  QLineEdit* hugeBox_ = nullptr;  // the box that got a huge text
  int hugeLeft_ = 0;              // actions on it before it is emptied
  QLineEdit* forcedBox_ = nullptr;

  // What the boxes and the calculator hold as far as the rules know.
  std::map<QLineEdit*, QString> shadow_;
  CalcModel state_;

  std::vector<QMetaObject::Connection> connections_;
  QTimer closer_;
  EscapeBlocker escape_;
  long action_ = 0;
  std::array<long, static_cast<std::size_t>(Act::Count)> counts_{};
  int hugeTexts_ = 0;
  int noticesSeen_ = 0;
  std::deque<QString> history_;
  QString failure_;
};

}  // namespace

namespace {

// The offscreen platform says so at every drag and every shown box; the
// rest goes to the test's own handler.
QtMessageHandler gTestMessages = nullptr;
void quietPlatform(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.startsWith(QStringLiteral("This plugin does not support"))) {
    return;
  }
  gTestMessages(type, context, message);
}

}  // namespace

class MonkeyTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    prepareApplication(*qApp);
    gTestMessages = qInstallMessageHandler(quietPlatform);
  }
  void randomActionsKeepTheRules();
};

void MonkeyTest::randomActionsKeepTheRules() {
  const unsigned long long seed = envNumber("QUORVANE_MONKEY_SEED", kDefaultSeed);
  const auto actions = static_cast<long>(envNumber("QUORVANE_MONKEY_ACTIONS", kDefaultActions));
  std::printf("monkey seed %llu, %ld actions (QUORVANE_MONKEY_SEED=%llu replays this run)\n", seed,
              actions, seed);
  std::fflush(stdout);

  // As the program starts: exit routine, the real window and its handlers.
  resetFloatingPointEnvironment();
  registerExitRoutine(releaseCalculation);
  EventLayer layer;
  std::unique_ptr<ui::MainWindow> window = loadMainWindow(layer);
  window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(window.get()));

  {
    Monkey monkey(*window, layer, seed);
    const bool kept = monkey.run(actions);
    monkey.printCounts();
    QVERIFY2(kept, qPrintable(monkey.failure()));
    if (actions >= kDefaultActions) {
      // The run reached what it is meant to reach.
      for (std::size_t i = 0; i < static_cast<std::size_t>(Act::Count); ++i) {
        QVERIFY2(monkey.count(static_cast<Act>(i)) > 0, kActNames[i]);
      }
      QVERIFY(monkey.hugeTexts() > 0);
      QVERIFY(monkey.noticesSeen() > 0);
      QVERIFY(monkey.escape().blocked > 0);
    }
  }

  // Esc, no longer blocked, closes the window; shutdown releases everything.
  QWidget* focus = window->focusWidget() != nullptr ? window->focusWidget() : window.get();
  QTest::keyClick(focus, Qt::Key_Escape);
  QVERIFY(!layer.windowExists(window->windowId()));
  QCOMPARE(runEventLoop(layer, std::move(window)), 0);
  QVERIFY(calculatorState().firstOperandText.empty());
  QCOMPARE(calculatorState().firstOperandText.capacity(), std::string().capacity());
}

QTEST_MAIN(MonkeyTest)
#include "monkey_test.moc"
