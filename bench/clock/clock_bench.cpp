// The cost of one tick of the clock: the periodic event of 时钟1 dispatched by
// the event layer to the clock handler, which reads the local time, builds the
// text and writes it into 编辑框11, whose content-changed event is dispatched in
// turn. The host keeps the texts in plain strings, as a window's text store
// would, so the figure is the handlers' share of a tick without a toolkit.
#include <benchmark/benchmark.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/event_layer.h"
#include "app/host.h"
#include "app/main_window_events.h"
#include "clock/clock.h"
#include "ui/window_description.h"

namespace quorvane {
namespace {

class TextStoreHost : public Host {
 public:
  TextStoreHost() {
    registerMainWindow(layer);
    layer.raise({ui::kMainWindowId, ControlRef::kWindowItself}, EventKind::WindowCreated, *this);
  }

  std::string readText(ControlRef control) override {
    return texts_.at(static_cast<std::size_t>(control.control));
  }
  void writeText(ControlRef control, std::string_view text) override {
    texts_.at(static_cast<std::size_t>(control.control)).assign(text);
    if (ui::recordOf(control).kind == ControlKind::EditBox) {
      layer.raise(control, EventKind::ContentChanged, *this);
    }
  }
  EventSource eventComponent() const override { return layer.eventComponent(); }
  bool redirectEvents(ControlRef source, ControlRef target) override {
    return layer.redirectEvents(source, target);
  }
  void setWindowVisible(int, bool) override {}
  int showNotice(std::string_view, int, std::optional<std::string_view>) override { return 0; }

  const std::string& text(ControlRef control) const {
    return texts_.at(static_cast<std::size_t>(control.control));
  }

  EventLayer layer;

 private:
  std::array<std::string, ui::kControls.size()> texts_;
};

void BM_Tick(benchmark::State& state) {
  TextStoreHost host;
  constexpr ControlRef timer = ui::control("时钟1");
  constexpr ControlRef box = ui::control("编辑框11");
  for (auto _ : state) {
    host.layer.raise(timer, EventKind::Periodic, host);
    benchmark::DoNotOptimize(host.text(box).data());
  }
  if (host.text(box).empty()) state.SkipWithError("the tick wrote nothing");
}
BENCHMARK(BM_Tick);

void BM_CurrentDateTime(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(currentDateTime());
}
BENCHMARK(BM_CurrentDateTime);

void BM_DateTimeToText(benchmark::State& state) {
  // 2012年8月24日8时45分3秒: every field of the longest form.
  double value = 41145.0 + (8 * 3600 + 45 * 60 + 3) / 86400.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(value);
    std::string text = dateTimeToText(value);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_DateTimeToText);

}  // namespace
}  // namespace quorvane
