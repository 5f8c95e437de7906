// The narrow interface through which the handlers see the window: reading and
// writing the texts of controls, the source of the running event, event
// redirection, the window's visibility and the information box.
//
// It has no toolkit in it: the window layer implements it over real widgets,
// and tests implement it over plain strings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

enum class ControlKind : std::uint8_t {
  Window,  // a window's own events (window-created) arise at the window
  Label,
  EditBox,
  PushButton,
  Hyperlink,
  MonthCalendar,
  Timer,
};

// A control of a window. control == kWindowItself names the window.
struct ControlRef {
  static constexpr int kWindowItself = -1;
  int window = 0;
  int control = kWindowItself;
  friend constexpr bool operator==(ControlRef, ControlRef) = default;
};

// Where the event being handled arose.
struct EventSource {
  ControlRef ref;
  ControlKind kind = ControlKind::Window;
};

class Host {
 public:
  virtual ~Host() = default;

  // A fresh copy of the control's text in GBK: the content of an edit box,
  // the caption of a button or label. Empty for no text.
  virtual std::string readText(ControlRef control) = 0;

  // Replaces the whole text. For an edit box this raises its content-changed
  // event exactly once, after the text is in place, also when it is unchanged.
  virtual void writeText(ControlRef control, std::string_view gbk) = 0;

  // The source of the event being handled. Ask before writing anything: a
  // nested event clears it. Never called outside a handler.
  virtual EventSource eventComponent() const = 0;

  // Sends the events of source to the handlers of target (same window, same
  // kind, both existing); false and no change otherwise.
  virtual bool redirectEvents(ControlRef source, ControlRef target) = 0;

  virtual void setWindowVisible(int window, bool visible) = 0;

  // A modal information box, owned by no window, that blocks the program's
  // windows until closed (the clock keeps ticking). Caption "信息：" when none
  // is given. Returns the button that closed it: OK 0, Cancel 1, Abort 2,
  // Retry 3, Ignore 4, Yes 5, No 6; anything else 0.
  virtual int showNotice(std::string_view gbkMessage, int flags,
                         std::optional<std::string_view> gbkCaption) = 0;
};

// Every event handler of the program: no arguments beyond the host, no result.
using Handler = void (*)(Host&);

}  // namespace quorvane
