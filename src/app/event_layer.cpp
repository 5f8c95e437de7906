// Event dispatch: which handler runs for an event, and what eventComponent()
// names while it runs.
#include "app/event_layer.h"

#include <cstddef>
#include <utility>
#include <vector>

namespace quorvane {
namespace {

// Clears the event source when the handler returns, also by an exception.
class SourceScope {
 public:
  SourceScope(std::optional<EventSource>& slot, EventSource source) : slot_(slot) {
    slot_ = source;
  }
  ~SourceScope() { slot_.reset(); }
  SourceScope(const SourceScope&) = delete;
  SourceScope& operator=(const SourceScope&) = delete;

 private:
  std::optional<EventSource>& slot_;
};

}  // namespace

int EventLayer::beginCreating(Handler windowCreated) {
  windows_.push_back(Window{.exists = true, .windowCreated = windowCreated, .controls = {}});
  ++creating_;
  return static_cast<int>(windows_.size()) - 1;
}

int EventLayer::addControl(int window, ControlBinding binding) {
  auto& controls = windows_.at(static_cast<std::size_t>(window)).controls;
  controls.push_back(Control{.binding = binding, .target = std::nullopt});
  return static_cast<int>(controls.size()) - 1;
}

void EventLayer::endCreating() {
  if (creating_ > 0) --creating_;
}

void EventLayer::destroyWindow(int window) {
  if (!windowExists(window)) return;
  Window& w = windows_[static_cast<std::size_t>(window)];
  w.exists = false;
  w.windowCreated = nullptr;
  // The numbers stay taken; the controls and their redirections are gone.
  std::vector<Control>().swap(w.controls);
}

bool EventLayer::windowExists(int window) const {
  return window >= 0 && static_cast<std::size_t>(window) < windows_.size() &&
         windows_[static_cast<std::size_t>(window)].exists;
}

const EventLayer::Control* EventLayer::find(ControlRef ref) const {
  if (ref.control < 0 || !windowExists(ref.window)) return nullptr;
  const auto& controls = windows_[static_cast<std::size_t>(ref.window)].controls;
  if (static_cast<std::size_t>(ref.control) >= controls.size()) return nullptr;
  return &controls[static_cast<std::size_t>(ref.control)];
}

bool EventLayer::redirectEvents(ControlRef source, ControlRef target) {
  const Control* from = find(source);
  const Control* to = find(target);
  if (from == nullptr || to == nullptr || source.window != target.window ||
      from->binding.kind != to->binding.kind) {
    return false;
  }
  windows_[static_cast<std::size_t>(source.window)]
      .controls[static_cast<std::size_t>(source.control)]
      .target = target;
  return true;
}

void EventLayer::raise(ControlRef origin, EventKind event, Host& host) {
  if (!dispatching()) return;

  if (origin.control == ControlRef::kWindowItself) {
    if (!windowExists(origin.window) || event != EventKind::WindowCreated) return;
    const Handler handler = windows_[static_cast<std::size_t>(origin.window)].windowCreated;
    if (handler == nullptr) return;
    SourceScope scope(source_, EventSource{.ref = origin, .kind = ControlKind::Window});
    handler(host);
    return;
  }

  const Control* first = find(origin);
  if (first == nullptr) return;
  const ControlKind kind = first->binding.kind;
  const auto& controls = windows_[static_cast<std::size_t>(origin.window)].controls;

  // The next control of the chain, or null where the chain ends.
  const auto next = [&](const Control* c) -> const Control* {
    if (!c->target) return nullptr;
    const Control* t = find(*c->target);
    return t != nullptr && t->binding.kind == kind ? t : nullptr;
  };

  // A chain without a cycle visits each control at most once, so one that is
  // still going after as many steps as the window has controls has come back
  // on itself. Only then are visits tracked: the walk starts again and stops at
  // the control whose target was already visited.
  const Control* last = first;
  std::size_t steps = 0;
  for (const Control* c = next(last); c != nullptr && steps <= controls.size(); c = next(c)) {
    last = c;
    ++steps;
  }
  if (steps > controls.size()) {
    std::vector<bool> visited(controls.size(), false);
    last = first;
    visited[static_cast<std::size_t>(first - controls.data())] = true;
    for (const Control* c = next(last); c != nullptr; c = next(c)) {
      const auto index = static_cast<std::size_t>(c - controls.data());
      if (visited[index]) break;
      visited[index] = true;
      last = c;
    }
  }

  const ControlBinding& binding = last->binding;
  if (binding.handler == nullptr || binding.event != event) return;
  SourceScope scope(source_, EventSource{.ref = origin, .kind = kind});
  binding.handler(host);
}

EventSource EventLayer::eventComponent() const {
  return source_.value();
}

}  // namespace quorvane
