#include "ui/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "text/gbk.h"
#include "ui/background.h"
#include "ui/controls.h"
#include "ui/look.h"
#include "ui/native_frame.h"
#include "ui/notice.h"

namespace quorvane::ui {
namespace {

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString fromGbkText(std::string_view gbk) {
  const std::u16string utf16 = fromGbk(gbk);
  return QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
}

std::string toGbkText(const QString& text) {
  const QStringView view(text);
  return toGbk(std::u16string_view(view.utf16(), static_cast<std::size_t>(view.size())));
}

// Esc without Shift, Ctrl or Alt (the keypad flag does not count).
bool isPlainEscape(const QKeyEvent* key) {
  return key->key() == Qt::Key_Escape && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// The boxes whose changes the trace prints: the display and the six outputs.
constexpr std::array kTracedControls{
    control("编辑框1"), control("编辑框5"), control("编辑框6"),  control("编辑框7"),
    control("编辑框8"), control("编辑框9"), control("编辑框10"),
};

constexpr auto kFocusOrder = focusOrder();

}  // namespace

QPoint startPosition(const QRect& screen, QSize outer) {
  // Integer division drops the fraction (towards zero, also when negative).
  return screen.topLeft() +
         QPoint((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2);
}

QSize clientSizeFor(QSize outer, const QMargins& deviceFrame, qreal ratio) {
  if (!(ratio > 0.0)) ratio = 1.0;
  const auto fit = [ratio](int outerSide, int frameSide) {
    const long target = std::lround(outerSide * ratio) - frameSide;
    // Qt gives a side of n device-independent pixels round(n * ratio) device
    // pixels; the small addition keeps 3 * 1.1 / 1.1 from flooring to 2.
    auto side = static_cast<long>(std::floor(static_cast<double>(target) / ratio + 1e-6));
    while (side > 1 && std::lround(static_cast<double>(side) * ratio) > target) --side;
    return static_cast<int>(std::max(1L, side));
  };
  return QSize(fit(outer.width(), deviceFrame.left() + deviceFrame.right()),
               fit(outer.height(), deviceFrame.top() + deviceFrame.bottom()));
}

MainWindow::MainWindow(EventLayer& layer, int windowId, FailureHook onFailure)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      layer_(layer),
      windowId_(windowId),
      onFailure_(onFailure) {
  setObjectName(QStringLiteral("主窗口"));
  setWindowTitle(fromUtf8(kMainWindow.title));
  setWindowIcon(applicationIcon());
  setAttribute(Qt::WA_OpaquePaintEvent);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, toQColor(kMainWindow.background));
  setPalette(pal);
  // Fixed size: the same minimum and maximum, so nothing can resize or
  // maximize it. The frame is added once the window manager has drawn it.
  setFixedSize(kMainWindow.outerSize.width, kMainWindow.outerSize.height);
  setBackgroundPicture(backgroundPicture());

  for (const ControlRef ref : kTracedControls)
    traced_[static_cast<std::size_t>(ref.control)] = true;

  // The one creation loop: every control from its record, in stacking order.
  for (std::size_t i = 0; i < kCount; ++i) {
    const ControlRecord& record = kControls[i];
    const int index = static_cast<int>(i);
    if (record.kind == ControlKind::Timer) {
      auto* timer = new QTimer(this);
      timer->setObjectName(fromUtf8(record.name));
      timer->setTimerType(Qt::PreciseTimer);
      timer->setInterval(record.periodMs);
      connect(timer, &QTimer::timeout, this, [this, index] { tick(index); });
      timer->start();  // runs from creation; ticks arrive once the loop runs
      timers_[i] = timer;
      continue;
    }
    QWidget* widget = createWidget(record, index);
    const KindSettings kind = kindSettings(record.kind);
    widget->setObjectName(fromUtf8(record.name));
    widget->setAccessibleName(fromUtf8(record.accessibleName));
    widget->setGeometry(record.place.x, record.place.y, record.size.width, record.size.height);
    if (record.font != FontGroup::Platform) widget->setFont(fontFor(record.font));
    widget->setFocusPolicy(kind.tabStop ? Qt::StrongFocus : Qt::NoFocus);
    widget->setVisible(kind.visible);
    widget->installEventFilter(this);
    widgets_[i] = widget;
  }
  // Raised on top in table order: the first record lies on top.
  for (std::size_t i = kCount; i-- > 0;) {
    if (widgets_[i] != nullptr) widgets_[i]->raise();
  }
  // The caret starts in the display.
  widgets_[static_cast<std::size_t>(kFocusOrder.front())]->setFocus(Qt::OtherFocusReason);
  created_ = true;
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::createWidget(const ControlRecord& record, int control) {
  const auto i = static_cast<std::size_t>(control);
  switch (record.kind) {
    case ControlKind::Label:
      return new LabelWidget(record, this);
    case ControlKind::Hyperlink:
      return new HyperlinkWidget(record, this);
    case ControlKind::MonthCalendar:
      return new MonthCalendarWidget(record, this);
    case ControlKind::EditBox: {
      auto* box = new EditBoxWidget(record, this);
      // Typing, deleting, pasting, cutting, undo and redo all come as edits.
      connect(box, &QLineEdit::textEdited, this, [this, control] { contentChanged(control); });
      editBoxes_[i] = box;
      return box;
    }
    case ControlKind::PushButton: {
      auto* button = new QPushButton(fromUtf8(record.text), this);
      button->setAutoDefault(false);
      button->setDefault(false);
      connect(button, &QPushButton::clicked, this,
              [this, control] { dispatch(control, EventKind::Click); });
      return button;
    }
    case ControlKind::Timer:
    case ControlKind::Window:
      break;
  }
  return new QWidget(this);  // not reached: the table holds no other kinds
}

QWidget* MainWindow::widgetOf(int control) const {
  if (control < 0 || static_cast<std::size_t>(control) >= kCount) return nullptr;
  return widgets_[static_cast<std::size_t>(control)];
}

QTimer* MainWindow::timerOf(int control) const {
  if (control < 0 || static_cast<std::size_t>(control) >= kCount) return nullptr;
  return timers_[static_cast<std::size_t>(control)];
}

void MainWindow::setBackgroundPicture(const QImage& picture) {
  background_ = picture.isNull() ? QPixmap() : QPixmap::fromImage(picture);
  update();
}

// ------------------------------------------------------------- dispatching

void MainWindow::raiseWindowCreated() {
  if (!created_) return;
  try {
    layer_.raise(ControlRef{windowId_, ControlRef::kWindowItself}, EventKind::WindowCreated, *this);
  } catch (...) {
    onFailure_(std::current_exception());
  }
}

void MainWindow::dispatch(int control, EventKind event) {
  if (!created_) return;
  // Nothing may leave a handler into the toolkit: whatever does is fatal.
  try {
    layer_.raise(ControlRef{windowId_, control}, event, *this);
  } catch (...) {
    onFailure_(std::current_exception());
  }
}

void MainWindow::contentChanged(int control) {
  if (trace_) [[unlikely]]
    trace(control);
  dispatch(control, EventKind::ContentChanged);
}

void MainWindow::tick(int control) {
  if (trace_) [[unlikely]] {
    if (layer_.dispatching()) ++ticks_;
  }
  dispatch(control, EventKind::Periodic);
}

void MainWindow::trace(int control) const {
  const auto i = static_cast<std::size_t>(control);
  if (!traced_[i] || editBoxes_[i] == nullptr) return;
  const std::string_view name = kControls[i].name;
  std::fprintf(stderr, "%.*s %s\n", static_cast<int>(name.size()), name.data(),
               editBoxes_[i]->text().toUtf8().constData());
  std::fflush(stderr);
}

// -------------------------------------------------------------------- Host

bool MainWindow::owns(ControlRef ref) const {
  return ref.window == windowId_ && ref.control >= 0 &&
         static_cast<std::size_t>(ref.control) < kCount;
}

std::string MainWindow::readText(ControlRef ref) {
  if (!owns(ref)) return {};
  const auto i = static_cast<std::size_t>(ref.control);
  if (QLineEdit* box = editBoxes_[i]) return toGbkText(box->text());
  QWidget* widget = widgets_[i];
  if (auto* button = qobject_cast<QPushButton*>(widget)) return toGbkText(button->text());
  if (auto* label = dynamic_cast<LabelWidget*>(widget)) return toGbkText(label->text());
  if (auto* link = dynamic_cast<HyperlinkWidget*>(widget)) return toGbkText(link->text());
  return {};
}

void MainWindow::writeText(ControlRef ref, std::string_view gbk) {
  if (!owns(ref)) return;
  const auto i = static_cast<std::size_t>(ref.control);
  if (QLineEdit* box = editBoxes_[i]) {
    // The clock writes the same text about 800 times a second. The decoding
    // of the last bytes written is kept (a pure function of them, so never
    // out of date), and only a text that differs from the box's present one
    // reaches the widget and repaints it. The event is raised either way,
    // once, after the text is in place.
    LastWrite& last = lastWrites_[i];
    if (gbk != last.gbk) {
      last.gbk.assign(gbk);
      last.text = fromGbkText(gbk);
    }
    if (box->text() != last.text) {
      box->setText(last.text);
      // Like a freshly set edit box elsewhere: the caret at the start, so a
      // number too long for the box shows its leading digits.
      box->setCursorPosition(0);
    }
    contentChanged(ref.control);
    return;
  }
  const std::u16string utf16 = fromGbk(gbk);
  const QStringView text(utf16.data(), static_cast<qsizetype>(utf16.size()));
  QWidget* widget = widgets_[i];
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    if (button->text() != text) button->setText(text.toString());
  } else if (auto* label = dynamic_cast<LabelWidget*>(widget)) {
    label->setText(text.toString());
  } else if (auto* link = dynamic_cast<HyperlinkWidget*>(widget)) {
    link->setText(text.toString());
  }
}

EventSource MainWindow::eventComponent() const {
  return layer_.eventComponent();
}

bool MainWindow::redirectEvents(ControlRef source, ControlRef target) {
  return layer_.redirectEvents(source, target);
}

void MainWindow::setWindowVisible(int window, bool visible) {
  if (window != windowId_) return;
  if (!visible) {
    hide();
    return;
  }
  fitFrame();
  show();
  raise();
  activateWindow();
}

int MainWindow::showNotice(std::string_view gbkMessage, int flags,
                           std::optional<std::string_view> gbkCaption) {
  std::optional<QString> caption;
  if (gbkCaption) caption = fromGbkText(*gbkCaption);
  return ui::showNotice(fromGbkText(gbkMessage), flags, caption);
}

// ----------------------------------------------------------------- drawing

void MainWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (background_.isNull()) {
    painter.fillRect(rect(), palette().color(QPalette::Window));
  } else {
    // On a high-resolution screen the picture is scaled up smoothly, not
    // doubled into blocks (no effect at a ratio of 1).
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawTiledPixmap(rect(), background_);  // from the top-left corner
  }
}

// ------------------------------------------------------ keys, focus, mouse

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (isPlainEscape(event)) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

bool MainWindow::focusNextPrevChild(bool next) {
  // Tab and Shift+Tab walk exactly the focus order, wrapping around.
  const QWidget* current = focusWidget();
  const int count = static_cast<int>(kFocusOrder.size());
  int at = -1;
  for (int k = 0; k < count; ++k) {
    if (widgets_[static_cast<std::size_t>(kFocusOrder[static_cast<std::size_t>(k)])] == current) {
      at = k;
      break;
    }
  }
  const int to = at < 0 ? 0 : (at + (next ? 1 : count - 1)) % count;
  widgets_[static_cast<std::size_t>(kFocusOrder[static_cast<std::size_t>(to)])]->setFocus(
      next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
  return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
      // Esc closes the window before the focused control sees it.
      if (isPlainEscape(static_cast<QKeyEvent*>(event))) {
        close();
        return true;
      }
      break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      // A label is part of the background for the mouse: a left press on it
      // moves the window, and the label never sees the press.
      if (dynamic_cast<LabelWidget*>(watched) != nullptr) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
          startDrag(mouse->globalPosition().toPoint());
          return true;
        }
      }
      break;
    case QEvent::MouseMove:
      if (dragging_) {
        dragTo(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
      }
      break;
    case QEvent::MouseButtonRelease:
      if (dragging_ && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        endDrag();
        return true;
      }
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    startDrag(event->globalPosition().toPoint());
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) {
    dragTo(event->globalPosition().toPoint());
    return;
  }
  QWidget::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (dragging_ && event->button() == Qt::LeftButton) {
    endDrag();
    return;
  }
  QWidget::mouseReleaseEvent(event);
}

void MainWindow::startDrag(const QPoint& globalPos) {
  // The window manager moves the window as by its caption; where it cannot
  // (no window manager, or a platform without it) the window follows the
  // mouse itself until the button is released.
  if (QWindow* handle = windowHandle(); handle != nullptr && handle->startSystemMove()) return;
  dragging_ = true;
  dragOffset_ = globalPos - frameGeometry().topLeft();
  grabMouse();
}

void MainWindow::dragTo(const QPoint& globalPos) {
  move(globalPos - dragOffset_);
}

void MainWindow::endDrag() {
  dragging_ = false;
  releaseMouse();
}

// ------------------------------------------------------- frame and closing

void MainWindow::fitFrame() {
  const QSize outer(kMainWindow.outerSize.width, kMainWindow.outerSize.height);
  // In device pixels: Qt's own frame margins are rounded to whole
  // device-independent pixels, two device pixels apart at a scale of 2.
  const QMargins frame = deviceFrameMargins(*this);
  const qreal ratio = devicePixelRatioF();
  // Qt places the frame by its own idea of the frame, which may come later
  // than the window manager's: a change of either places the window again.
  QWindow* handle = windowHandle();
  const QMargins qtFrame = handle != nullptr && isVisible() ? handle->frameMargins() : QMargins();
  if (frameKnown_ && frame == frame_ && qtFrame == qtFrame_ && ratio == frameRatio_) return;
  frameKnown_ = true;
  frame_ = frame;
  qtFrame_ = qtFrame;
  frameRatio_ = ratio;
  setFixedSize(clientSizeFor(outer, frame, ratio));
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen != nullptr && !dragging_) move(startPosition(screen->geometry(), outer));
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The frame's extents are known only some time after the window is
  // mapped; look again until the window manager has had its say.
  for (const int delay : {0, 50, 200, 1000}) {
    QTimer::singleShot(delay, this, [this] { fitFrame(); });
  }
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (isVisible()) fitFrame();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The window and its controls are gone for the handlers; the timer stops.
  for (QTimer* timer : timers_) {
    if (timer != nullptr) timer->stop();
  }
  layer_.destroyWindow(windowId_);
  endDrag();
  event->accept();
}

}  // namespace quorvane::ui
