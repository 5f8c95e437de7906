// Dispatch rules of the event layer, on a small window of its own, and the
// main window's wiring through the real description.
#include "app/event_layer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "calc/calculator.h"
#include "fake_host.h"

namespace quorvane {
namespace {

// Handlers are plain functions; they report to the host they are given.
class RecordingHost : public Host {
 public:
  struct Run {
    int handler;
    std::optional<EventSource> source;
  };

  std::string readText(ControlRef) override { return {}; }
  void writeText(ControlRef, std::string_view) override {}
  EventSource eventComponent() const override { return layer.eventComponent(); }
  bool redirectEvents(ControlRef source, ControlRef target) override {
    return layer.redirectEvents(source, target);
  }
  void setWindowVisible(int, bool) override {}
  int showNotice(std::string_view, int, std::optional<std::string_view>) override { return 0; }

  void record(int handler) {
    runs.push_back({handler, layer.hasEventSource()
                                 ? std::optional<EventSource>(layer.eventComponent())
                                 : std::nullopt});
  }

  EventLayer layer;
  std::vector<Run> runs;
  ControlRef nestedTarget;  // where nestingHandler raises its inner event
};

template <int N>
void recordRun(Host& host) {
  static_cast<RecordingHost&>(host).record(N);
}

// Raises a content change inside a click, as a handler writing a box does,
// then notes whether an event source is still there (it is not).
void nestingHandler(Host& host) {
  auto& h = static_cast<RecordingHost&>(host);
  h.record(100);
  h.layer.raise(h.nestedTarget, EventKind::ContentChanged, host);
  h.record(101);
}

using enum ControlKind;

// Window 0: push buttons A, B, C (no handler), D, N (nesting); edit boxes E
// and F (F bound to clicks, which edit boxes never get); window 1: button X.
class EventLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EventLayer& l = host.layer;
    w0 = l.beginCreating(recordRun<50>);
    a = {w0, l.addControl(w0, {PushButton, EventKind::Click, recordRun<0>})};
    b = {w0, l.addControl(w0, {PushButton, EventKind::Click, recordRun<1>})};
    c = {w0, l.addControl(w0, {PushButton, EventKind::Click, nullptr})};
    d = {w0, l.addControl(w0, {PushButton, EventKind::Click, recordRun<3>})};
    n = {w0, l.addControl(w0, {PushButton, EventKind::Click, nestingHandler})};
    e = {w0, l.addControl(w0, {EditBox, EventKind::ContentChanged, recordRun<4>})};
    f = {w0, l.addControl(w0, {EditBox, EventKind::Click, recordRun<5>})};
    l.endCreating();
    w1 = l.beginCreating(nullptr);
    x = {w1, l.addControl(w1, {PushButton, EventKind::Click, recordRun<10>})};
    l.endCreating();
  }

  void click(ControlRef ref) { host.layer.raise(ref, EventKind::Click, host); }

  // The handlers that ran, in order.
  std::vector<int> ran() const {
    std::vector<int> ids;
    for (const auto& run : host.runs) ids.push_back(run.handler);
    return ids;
  }

  RecordingHost host;
  int w0 = -1, w1 = -1;
  ControlRef a, b, c, d, n, e, f, x;
};

TEST_F(EventLayerTest, OwnHandlerRunsWithTheControlAsSource) {
  EXPECT_FALSE(host.layer.hasEventSource());
  click(a);
  ASSERT_EQ(host.runs.size(), 1u);
  EXPECT_EQ(host.runs[0].handler, 0);
  ASSERT_TRUE(host.runs[0].source.has_value());
  EXPECT_EQ(host.runs[0].source->ref, a);
  EXPECT_EQ(host.runs[0].source->kind, PushButton);
  EXPECT_FALSE(host.layer.hasEventSource());
}

TEST_F(EventLayerTest, OnlyTheHandlerBoundToThatEventRuns) {
  host.layer.raise(a, EventKind::ContentChanged, host);  // a is bound to clicks
  host.layer.raise(e, EventKind::Click, host);           // e is bound to changes
  click(c);                                              // no handler at all
  EXPECT_TRUE(host.runs.empty());
  host.layer.raise(e, EventKind::ContentChanged, host);
  EXPECT_EQ(ran(), std::vector<int>{4});
}

TEST_F(EventLayerTest, UnknownControlsAndWindowsRunNothing) {
  click({w0, 99});
  click({7, 0});
  click({-3, 0});
  host.layer.raise({w0, -5}, EventKind::Click, host);
  EXPECT_TRUE(host.runs.empty());
}

TEST_F(EventLayerTest, RefusedRedirectionsChangeNothing) {
  struct Case {
    const char* what;
    ControlRef source, target;
  };
  const Case cases[] = {
      {"another kind", a, e},
      {"another window", a, x},
      {"from another window", x, a},
      {"missing target", a, {w0, 99}},
      {"missing source", {w0, 99}, a},
      {"missing window", a, {5, 0}},
      {"the window itself as target", a, {w0, ControlRef::kWindowItself}},
      {"the window itself as source", {w0, ControlRef::kWindowItself}, a},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    EXPECT_FALSE(host.layer.redirectEvents(k.source, k.target));
  }
  click(a);
  click(x);
  EXPECT_EQ(ran(), (std::vector<int>{0, 10}));
}

TEST_F(EventLayerTest, RedirectionRunsTheTargetsHandlerAndNamesTheOrigin) {
  ASSERT_TRUE(host.layer.redirectEvents(a, b));
  click(a);
  ASSERT_EQ(ran(), std::vector<int>{1});
  EXPECT_EQ(host.runs[0].source->ref, a);
  EXPECT_EQ(host.runs[0].source->kind, PushButton);

  // A later redirection replaces the earlier one.
  ASSERT_TRUE(host.layer.redirectEvents(a, d));
  click(a);
  EXPECT_EQ(ran(), (std::vector<int>{1, 3}));
}

TEST_F(EventLayerTest, ChainsAreFollowedToTheirLastControl) {
  ASSERT_TRUE(host.layer.redirectEvents(a, b));
  ASSERT_TRUE(host.layer.redirectEvents(b, d));
  click(a);
  click(b);
  EXPECT_EQ(ran(), (std::vector<int>{3, 3}));
  EXPECT_EQ(host.runs[0].source->ref, a);
  EXPECT_EQ(host.runs[1].source->ref, b);
}

TEST_F(EventLayerTest, AChainEndingWithoutHandlerRunsNothing) {
  // The redirected control's own handler is not a fallback.
  ASSERT_TRUE(host.layer.redirectEvents(a, c));
  click(a);
  EXPECT_TRUE(host.runs.empty());
}

TEST_F(EventLayerTest, CyclesStopAtTheControlBeforeTheRepeat) {
  struct Case {
    const char* what;
    std::vector<std::pair<ControlRef, ControlRef>> redirections;
    ControlRef clicked;
    int expected;
  };
  const std::vector<Case> cases = {
      {"to itself", {{a, a}}, a, 0},
      {"pair, from a", {{a, b}, {b, a}}, a, 1},
      {"pair, from b", {{a, b}, {b, a}}, b, 0},
      {"into a loop", {{a, b}, {b, d}, {d, b}}, a, 3},
      {"three round", {{a, b}, {b, d}, {d, a}}, b, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    // The same controls as the fixture's window, without redirections yet.
    RecordingHost h;
    const int w = h.layer.beginCreating(nullptr);
    const Handler handlers[] = {recordRun<0>, recordRun<1>, nullptr, recordRun<3>};
    for (Handler handler : handlers) {
      h.layer.addControl(w, {PushButton, EventKind::Click, handler});
    }
    h.layer.endCreating();
    for (const auto& [from, to] : k.redirections) ASSERT_TRUE(h.layer.redirectEvents(from, to));
    h.layer.raise(k.clicked, EventKind::Click, h);
    ASSERT_EQ(h.runs.size(), 1u);
    EXPECT_EQ(h.runs[0].handler, k.expected);
    EXPECT_EQ(h.runs[0].source->ref, k.clicked);
  }
}

TEST_F(EventLayerTest, NestedHandlerClearsTheSourceOfTheOuterOne) {
  host.nestedTarget = e;
  click(n);
  ASSERT_EQ(ran(), (std::vector<int>{100, 4, 101}));
  EXPECT_EQ(host.runs[0].source->ref, n);
  EXPECT_EQ(host.runs[1].source->ref, e);
  EXPECT_EQ(host.runs[1].source->kind, EditBox);
  EXPECT_FALSE(host.runs[2].source.has_value());
  EXPECT_FALSE(host.layer.hasEventSource());
}

TEST_F(EventLayerTest, NothingIsDispatchedWhileAWindowIsBeingCreated) {
  EventLayer& l = host.layer;
  const int w2 = l.beginCreating(recordRun<60>);
  const ControlRef y{w2, l.addControl(w2, {PushButton, EventKind::Click, recordRun<20>})};
  EXPECT_FALSE(l.dispatching());
  click(y);
  click(a);  // other windows are held too
  l.raise({w2, ControlRef::kWindowItself}, EventKind::WindowCreated, host);
  EXPECT_TRUE(host.runs.empty());

  l.endCreating();
  EXPECT_TRUE(l.dispatching());
  l.raise({w2, ControlRef::kWindowItself}, EventKind::WindowCreated, host);
  click(y);
  EXPECT_EQ(ran(), (std::vector<int>{60, 20}));
}

TEST_F(EventLayerTest, NothingIsDispatchedAfterStoppingForGood) {
  host.layer.stopForGood();
  EXPECT_FALSE(host.layer.dispatching());
  click(a);
  host.layer.raise(e, EventKind::ContentChanged, host);
  host.layer.raise({w0, ControlRef::kWindowItself}, EventKind::WindowCreated, host);
  EXPECT_TRUE(host.runs.empty());
  // Ending a creation does not bring dispatch back.
  host.layer.beginCreating(nullptr);
  host.layer.endCreating();
  click(a);
  EXPECT_TRUE(host.runs.empty());
}

TEST_F(EventLayerTest, WindowCreatedRunsAtTheWindowItself) {
  host.layer.raise({w0, ControlRef::kWindowItself}, EventKind::WindowCreated, host);
  host.layer.raise({w1, ControlRef::kWindowItself}, EventKind::WindowCreated, host);  // none
  host.layer.raise({w0, ControlRef::kWindowItself}, EventKind::Click, host);
  host.layer.raise(a, EventKind::WindowCreated, host);
  ASSERT_EQ(ran(), std::vector<int>{50});
  EXPECT_EQ(host.runs[0].source->ref, (ControlRef{w0, ControlRef::kWindowItself}));
  EXPECT_EQ(host.runs[0].source->kind, Window);
}

TEST_F(EventLayerTest, DestroyedWindowsGetNoEvents) {
  ASSERT_TRUE(host.layer.windowExists(w1));
  host.layer.destroyWindow(w1);
  EXPECT_FALSE(host.layer.windowExists(w1));
  EXPECT_TRUE(host.layer.windowExists(w0));
  click(x);
  EXPECT_FALSE(host.layer.redirectEvents(x, x));
  host.layer.destroyWindow(w0);
  host.layer.raise({w0, ControlRef::kWindowItself}, EventKind::WindowCreated, host);
  click(a);
  EXPECT_TRUE(host.runs.empty());
}

// The main window as registered from the description.

using testing::FakeHost;
using testing::gbk;

TEST(MainWindowEvents, StartUpShowsTheWindowAndClearsTheCalculator) {
  calculatorState() = {.operatorCode = 3, .firstOperandText = "9", .resultShown = true};
  FakeHost host;
  EXPECT_EQ(host.window(), ui::kMainWindowId);
  EXPECT_TRUE(host.visible());
  EXPECT_TRUE(host.layer().dispatching());
  EXPECT_EQ(host.text("编辑框1"), "");
  const CalculatorState& s = calculatorState();
  EXPECT_EQ(s.operatorCode, 0);
  EXPECT_EQ(s.firstOperandText, "");
  EXPECT_TRUE(s.negateNext);
  EXPECT_FALSE(s.resultShown);
  EXPECT_FALSE(host.layer().hasEventSource());
}

TEST(MainWindowEvents, EveryDigitKeyRunsTheHandlerOfButton1WithItsOwnCaption) {
  FakeHost host;
  for (const char* key : {"按钮1", "按钮2", "按钮3", "按钮4", "按钮5", "按钮6", "按钮7", "按钮8",
                          "按钮9", "按钮10"}) {
    host.click(key);
  }
  EXPECT_EQ(host.text("编辑框1"), "1234567890");
}

TEST(MainWindowEvents, EveryOperatorKeyRunsTheHandlerOfButton13WithItsOwnCaption) {
  const std::pair<const char*, int> cases[] = {
      {"按钮13", 1}, {"按钮14", 2}, {"按钮15", 3}, {"按钮16", 4}};
  for (const auto& [key, code] : cases) {
    SCOPED_TRACE(key);
    FakeHost host;
    host.click("按钮5");
    host.click(key);
    EXPECT_EQ(calculatorState().operatorCode, code);
    EXPECT_EQ(calculatorState().firstOperandText, "5");
  }
}

TEST(MainWindowEvents, RedirectionsKeepToKeysOfTheSameKind) {
  FakeHost host;
  EXPECT_FALSE(
      host.redirectEvents(testing::controlNamed("按钮1"), testing::controlNamed("编辑框1")));
  host.click("按钮1");
  EXPECT_EQ(host.text("编辑框1"), "1");
}

}  // namespace
}  // namespace quorvane
