// The main window, built from the window description in one loop, and the
// Host through which the handlers reach its widgets.
//
// Texts cross the toolkit boundary here: widgets hold Unicode, handlers read
// and write GBK. Every event of a widget (a click, a user's edit, a timer
// tick) goes through the event layer, which decides which handler runs.
#pragma once

#include <QImage>
#include <QMargins>
#include <QPixmap>
#include <QWidget>
#include <array>
#include <cstdint>
#include <exception>
#include <string>

#include "app/event_layer.h"
#include "app/host.h"
#include "ui/window_description.h"

class QLineEdit;
class QTimer;

namespace quorvane::ui {

// Where the frame's top-left corner goes: the outer size centred on the
// screen, each half with the fraction dropped (negative on a narrow screen).
QPoint startPosition(const QRect& screen, QSize outer);

// The client size (device-independent pixels) that makes client and frame
// together the outer size at a device pixel ratio: the largest whose device
// pixels, with the frame's (deviceFrame, as the window manager drew it), do
// not pass the outer size in device pixels. At a ratio of 2 a frame of an odd
// number of device pixels leaves the whole one device pixel short, as a
// client can only have an even number of them.
QSize clientSizeFor(QSize outer, const QMargins& deviceFrame, qreal ratio);

class MainWindow final : public QWidget, public Host {
 public:
  // Called with an exception that a handler let out (out of memory, above
  // all). It is expected not to return.
  using FailureHook = void (*)(std::exception_ptr);

  // The layer must already hold the window's controls, numbered as in
  // kControls (registerMainWindow). Nothing is dispatched until the
  // constructor has created every control.
  MainWindow(EventLayer& layer, int windowId, FailureHook onFailure);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Raises the window-created event (its handler shows the window).
  void raiseWindowCreated();

  // Host
  std::string readText(ControlRef control) override;
  void writeText(ControlRef control, std::string_view gbk) override;
  EventSource eventComponent() const override;
  bool redirectEvents(ControlRef source, ControlRef target) override;
  void setWindowVisible(int window, bool visible) override;
  int showNotice(std::string_view gbkMessage, int flags,
                 std::optional<std::string_view> gbkCaption) override;

  int windowId() const { return windowId_; }
  QWidget* widgetOf(int control) const;  // null for the timer
  QTimer* timerOf(int control) const;    // null for all but the timer
  QWidget* widgetOf(ControlRef ref) const { return widgetOf(ref.control); }

  // A damaged picture gives the plain button-face background.
  void setBackgroundPicture(const QImage& picture);

  // With tracing on, each content change of 编辑框1 and of the six output
  // boxes prints "<name> <text>" to stderr, and ticks are counted.
  void setTrace(bool on) { trace_ = on; }
  bool tracing() const { return trace_; }
  std::uint64_t ticksDispatched() const { return ticks_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static constexpr std::size_t kCount = kControls.size();

  QWidget* createWidget(const ControlRecord& record, int control);
  bool owns(ControlRef ref) const;
  void dispatch(int control, EventKind event);
  void contentChanged(int control);
  void tick(int control);
  void trace(int control) const;

  void startDrag(const QPoint& globalPos);
  void dragTo(const QPoint& globalPos);
  void endDrag();
  // Sizes the client area so that the outer size, frame included, is the
  // described one in device pixels (see clientSizeFor), and puts the frame at
  // the start position.
  void fitFrame();

  EventLayer& layer_;
  const int windowId_;
  const FailureHook onFailure_;
  std::array<QWidget*, kCount> widgets_{};
  std::array<QLineEdit*, kCount> editBoxes_{};
  std::array<QTimer*, kCount> timers_{};
  std::array<bool, kCount> traced_{};
  // Per edit box: the GBK bytes last written and their decoding.
  struct LastWrite {
    std::string gbk;
    QString text;
  };
  std::array<LastWrite, kCount> lastWrites_{};
  QPixmap background_;
  bool created_ = false;
  bool trace_ = false;
  std::uint64_t ticks_ = 0;
  bool dragging_ = false;
  QPoint dragOffset_;
  bool frameKnown_ = false;
  QMargins frame_;    // device pixels
  QMargins qtFrame_;  // as Qt has it: device-independent pixels, rounded
  qreal frameRatio_ = 1.0;
};

}  // namespace quorvane::ui
