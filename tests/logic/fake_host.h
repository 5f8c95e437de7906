// The main window without a toolkit: the 48 controls' texts as GBK strings, the
// real event layer built by registerMainWindow, and the window-created event
// raised as start-up raises it. Clicks and typing go through the layer as the
// real window sends them.
#pragma once

#include <iconv.h>

#include <array>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/event_layer.h"
#include "app/host.h"
#include "app/main_window_events.h"
#include "ui/window_description.h"

namespace quorvane::testing {

// UTF-8 (as the test sources are written) to GBK, independently of the code
// under test.
inline std::string gbk(std::string_view utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no UTF-8 to GBK");
  std::string out(utf8.size() * 2 + 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* dst = out.data();
  std::size_t outLeft = out.size();
  const std::size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) throw std::runtime_error("not convertible to GBK");
  out.resize(out.size() - outLeft);
  return out;
}

// The control of the main window with this (UTF-8) name.
inline ControlRef controlNamed(std::string_view name) {
  for (std::size_t i = 0; i < ui::kControls.size(); ++i) {
    if (ui::kControls[i].name == name) return {ui::kMainWindowId, static_cast<int>(i)};
  }
  throw std::invalid_argument("no control named " + std::string(name));
}

struct Notice {
  std::string message;  // GBK
  int flags = 0;
  std::optional<std::string> caption;
};

struct Write {
  ControlRef control;
  std::string text;
};

class FakeHost : public Host {
 public:
  FakeHost() {
    for (std::size_t i = 0; i < ui::kControls.size(); ++i) texts_[i] = gbk(ui::kControls[i].text);
    window_ = registerMainWindow(layer_);
    layer_.raise({window_, ControlRef::kWindowItself}, EventKind::WindowCreated, *this);
  }

  // Host
  std::string readText(ControlRef control) override { return slot(control); }
  void writeText(ControlRef control, std::string_view text) override {
    slot(control) = std::string(text);
    writes.push_back({control, std::string(text)});
    if (ui::recordOf(control).kind == ControlKind::EditBox) {
      layer_.raise(control, EventKind::ContentChanged, *this);
    }
  }
  EventSource eventComponent() const override { return layer_.eventComponent(); }
  bool redirectEvents(ControlRef source, ControlRef target) override {
    return layer_.redirectEvents(source, target);
  }
  void setWindowVisible(int window, bool visible) override {
    if (window == window_) visible_ = visible;
  }
  int showNotice(std::string_view message, int flags,
                 std::optional<std::string_view> caption) override {
    notices.push_back({std::string(message), flags,
                       caption ? std::optional<std::string>(*caption) : std::nullopt});
    return 0;
  }

  // What the user does.
  void click(std::string_view name) { layer_.raise(controlNamed(name), EventKind::Click, *this); }
  // Types GBK text at the end of an edit box, one character (one or two
  // bytes) per keystroke, each raising the box's content-changed event.
  void type(std::string_view name, std::string_view gbkText) {
    const ControlRef box = controlNamed(name);
    for (std::size_t i = 0; i < gbkText.size();) {
      const std::size_t n =
          static_cast<unsigned char>(gbkText[i]) >= 0x80 && i + 1 < gbkText.size() ? 2 : 1;
      slot(box).append(gbkText.substr(i, n));
      i += n;
      layer_.raise(box, EventKind::ContentChanged, *this);
    }
  }
  // Deletes the last character of an edit box (Backspace at its end).
  void backspace(std::string_view name) {
    const ControlRef box = controlNamed(name);
    std::string& t = slot(box);
    if (t.empty()) return;
    std::size_t last = 0;  // where the last character starts
    for (std::size_t i = 0; i < t.size();) {
      last = i;
      i += static_cast<unsigned char>(t[i]) >= 0x80 ? 2 : 1;
    }
    t.resize(last);
    layer_.raise(box, EventKind::ContentChanged, *this);
  }
  void tick() { layer_.raise(controlNamed("时钟1"), EventKind::Periodic, *this); }

  std::string text(std::string_view name) { return slot(controlNamed(name)); }
  bool visible() const { return visible_; }
  int window() const { return window_; }
  EventLayer& layer() { return layer_; }

  std::vector<Notice> notices;
  std::vector<Write> writes;

 private:
  std::string& slot(ControlRef control) {
    if (control.window != window_) throw std::invalid_argument("not a control of the window");
    return texts_.at(static_cast<std::size_t>(control.control));
  }

  EventLayer layer_;
  std::array<std::string, ui::kControls.size()> texts_;
  int window_ = -1;
  bool visible_ = false;
};

}  // namespace quorvane::testing
