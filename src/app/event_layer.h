// Event dispatch: which handler runs for an event, and what eventComponent()
// names while it runs.
//
// - A control may be redirected to another control of the same window and the
//   same kind; dispatch follows the chain of targets that still exist and are
//   of the same kind, and runs the handler that the last control of the chain
//   has for the event (none: nothing runs).
// - The event source is the control where the event arose, not the target.
//   It is set just before the handler runs and cleared when it returns; a
//   nested handler sets and clears it too (the outer one's is not restored).
// - Nothing is dispatched while a window's controls are being created, nor
//   ever again once shutdown or a fatal stop has begun.
//
// No toolkit here; the window layer feeds it events.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "app/host.h"

namespace quorvane {

enum class EventKind : std::uint8_t { Click, ContentChanged, Periodic, WindowCreated };
inline constexpr std::size_t kEventKinds = 4;

struct ControlBinding {
  ControlKind kind = ControlKind::Label;
  EventKind event = EventKind::Click;
  Handler handler = nullptr;  // none bound
};

class EventLayer {
 public:
  // Starts creating a window: dispatch is suppressed until endCreating().
  // Returns the new window's number.
  int beginCreating(Handler windowCreated);
  // Adds the next control of the window being created; returns its number.
  int addControl(int window, ControlBinding binding);
  void endCreating();
  void destroyWindow(int window);
  bool windowExists(int window) const;

  bool redirectEvents(ControlRef source, ControlRef target);

  // Runs the handler for an event that arose at origin, if dispatch is on.
  void raise(ControlRef origin, EventKind event, Host& host);

  bool hasEventSource() const { return source_.has_value(); }
  EventSource eventComponent() const;  // precondition: hasEventSource()

  // From shutdown or a fatal stop on: nothing is dispatched again.
  void stopForGood() { stopped_ = true; }
  bool dispatching() const { return creating_ == 0 && !stopped_; }

 private:
  struct Control {
    ControlBinding binding;
    std::optional<ControlRef> target;
  };
  struct Window {
    bool exists = true;
    Handler windowCreated = nullptr;
    std::vector<Control> controls;
  };
  const Control* find(ControlRef ref) const;

  std::vector<Window> windows_;
  std::optional<EventSource> source_;
  int creating_ = 0;
  bool stopped_ = false;
};

}  // namespace quorvane
