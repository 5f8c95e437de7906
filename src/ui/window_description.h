// The main window, described once: its settings and its 48 controls in
// stacking order (the first lies on top). Start-up builds the window from this
// table in one loop; handlers find their controls here by name. Nothing about
// a control's place, text or look is written anywhere else.
//
// Places are the left and top of the control in the client area, sizes in
// pixels, fonts by group, colours as (red, green, blue). Texts are UTF-8 here
// and GBK once a handler reads them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "app/event_layer.h"
#include "app/host.h"
#include "app/window_created.h"
#include "calc/calculator.h"
#include "clock/clock.h"
#include "convert/converter.h"

// Records name only the fields that matter for them; the rest keep their
// defaults. GCC 12 warns about that in designated initializers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace quorvane::ui {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend constexpr bool operator==(Rgb, Rgb) = default;
};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kViolet{128, 0, 255};
inline constexpr Rgb kWhite{255, 255, 255};
// Button face: fixed, so the window looks the same on every desktop theme.
inline constexpr Rgb kButtonFace{240, 240, 240};

enum class FontGroup : std::uint8_t { Platform, K14, K16, K19, K21, S16, S16B, S19 };

struct FontSpec {
  std::string_view face;  // empty: the platform's user-interface font
  int pixelHeight = 0;    // glyph height without internal leading
  bool bold = false;
};

inline constexpr std::string_view kKaiFace = "楷体_GB2312";
inline constexpr std::string_view kSongFace = "宋体";

constexpr FontSpec fontOf(FontGroup group) {
  switch (group) {
    case FontGroup::K14: return {kKaiFace, 14};
    case FontGroup::K16: return {kKaiFace, 16};
    case FontGroup::K19: return {kKaiFace, 19};
    case FontGroup::K21: return {kKaiFace, 21};
    case FontGroup::S16: return {kSongFace, 16};
    case FontGroup::S16B: return {kSongFace, 16, true};
    case FontGroup::S19: return {kSongFace, 19};
    case FontGroup::Platform: break;
  }
  return {};
}

enum class Border : std::uint8_t { None, Sunken, Raised };
enum class Align : std::uint8_t { Left, Right, Center };

struct Point {
  int x = 0, y = 0;
};
struct Size {
  int width = 0, height = 0;
};

// What every control of a kind shares in this window.
struct KindSettings {
  bool visible = true;
  bool tabStop = false;
  Border border = Border::None;
  Rgb background = kButtonFace;
  Align align = Align::Left;
};

constexpr KindSettings kindSettings(ControlKind kind) {
  switch (kind) {
    case ControlKind::EditBox: return {.tabStop = true, .border = Border::Sunken, .background = kWhite};
    case ControlKind::PushButton: return {.tabStop = true, .align = Align::Center};
    case ControlKind::Hyperlink: return {.border = Border::Raised, .align = Align::Center};
    case ControlKind::Timer: return {.visible = false};
    case ControlKind::Label:
    case ControlKind::MonthCalendar:
    case ControlKind::Window: break;
  }
  return {};
}

struct ControlRecord {
  std::string_view name;
  ControlKind kind = ControlKind::Label;
  Point place;
  Size size;
  std::string_view text;  // initial text or caption
  FontGroup font = FontGroup::Platform;
  Rgb color = kBlack;
  std::string_view accessibleName;  // for screen readers and tests
  EventKind event = EventKind::Click;
  Handler handler = nullptr;  // bound to event; none when null
  // Settings that differ from the kind's.
  std::optional<Border> border = std::nullopt;
  std::optional<Rgb> background = std::nullopt;
  std::optional<Align> align = std::nullopt;
  bool engraved = false;         // drawn in white, then in its colour 1 px right and down
  std::string_view address;      // hyperlinks: the web address opened
  int periodMs = 0;              // timers
};

using enum ControlKind;
using enum FontGroup;

// clang-format off
inline constexpr std::array<ControlRecord, 48> kControls{{
  {.name = "标签15", .kind = Label, .place = {471, 189}, .size = {257, 24}, .text = "(米转到码/0.914)(米数转到英寸/0.0254)", .font = K14, .color = kRed, .accessibleName = "米转换系数"},
  {.name = "标签14", .kind = Label, .place = {472, 160}, .size = {256, 24}, .text = "(码数转到英寸*36)(码数转到米*0.914)", .font = K14, .color = kBlue, .accessibleName = "码转换系数"},
  {.name = "标签13", .kind = Label, .place = {473, 128}, .size = {255, 24}, .text = "(英寸转到码/36)(英寸转到米*0.0254)", .font = K14, .color = kBlack, .accessibleName = "英寸转换系数"},
  {.name = "标签12", .kind = Label, .place = {8, 280}, .size = {632, 24}, .text = "注意:在未输入计算要数值时,\r\n禁止点击等于,\r\n此计算器只能用鼠标点击输入,\r\n单位换算可用键盘输入!", .font = K14, .color = kRed, .accessibleName = "注意"},
  {.name = "超级链接框1", .kind = Hyperlink, .place = {8, 216}, .size = {152, 24}, .text = "Lumeno服装工作室网站", .font = K16, .color = kBlack, .accessibleName = "Lumeno服装工作室网站", .address = "www.lumeno-studio.example"},
  {.name = "超级链接框2", .kind = Hyperlink, .place = {8, 248}, .size = {152, 24}, .text = "Lumeno服装CAD淘宝店", .font = K16, .color = kBlue, .accessibleName = "Lumeno服装CAD淘宝店", .address = "https://shop.lumeno-studio.example/"},
  {.name = "月历1", .kind = MonthCalendar, .place = {194, 129}, .size = {272, 144}, .accessibleName = "月历"},
  {.name = "编辑框11", .kind = EditBox, .place = {469, 240}, .size = {283, 32}, .font = K21, .color = kRed, .accessibleName = "现在时间", .event = EventKind::ContentChanged, .handler = editBox11Changed},
  {.name = "时钟1", .kind = Timer, .place = {680, 275}, .size = {40, 24}, .accessibleName = "时钟", .event = EventKind::Periodic, .handler = timer1Ticked, .periodMs = 1},
  {.name = "标签11", .kind = Label, .place = {472, 214}, .size = {96, 24}, .text = "现在时间:", .font = S19, .color = kBlack, .accessibleName = "现在时间标签", .background = Rgb{117, 254, 250}, .engraved = true},
  {.name = "编辑框10", .kind = EditBox, .place = {634, 100}, .size = {70, 24}, .font = K19, .color = kBlack, .accessibleName = "第3行 英寸"},
  {.name = "编辑框9", .kind = EditBox, .place = {634, 68}, .size = {70, 24}, .font = K19, .color = kRed, .accessibleName = "第2行 米数"},
  {.name = "标签10", .kind = Label, .place = {580, 100}, .size = {40, 25}, .text = "英寸:", .font = S16, .color = kBlack, .accessibleName = "英寸:", .border = Border::Raised},
  {.name = "标签9", .kind = Label, .place = {580, 68}, .size = {40, 25}, .text = "米数:", .font = S16, .color = kRed, .accessibleName = "米数:", .border = Border::Raised},
  {.name = "编辑框8", .kind = EditBox, .place = {634, 36}, .size = {70, 24}, .font = K19, .color = kRed, .accessibleName = "第1行 米数"},
  {.name = "编辑框7", .kind = EditBox, .place = {503, 100}, .size = {70, 24}, .font = K19, .color = kBlue, .accessibleName = "第3行 码数"},
  {.name = "编辑框6", .kind = EditBox, .place = {503, 68}, .size = {70, 24}, .font = K19, .color = kBlack, .accessibleName = "第2行 英寸"},
  {.name = "编辑框5", .kind = EditBox, .place = {503, 36}, .size = {70, 24}, .font = K19, .color = kBlue, .accessibleName = "第1行 码数"},
  {.name = "标签8", .kind = Label, .place = {580, 36}, .size = {40, 25}, .text = "米数:", .font = S16, .color = kRed, .accessibleName = "米数:", .border = Border::Raised},
  {.name = "标签7", .kind = Label, .place = {452, 100}, .size = {40, 25}, .text = "码数:", .font = S16, .color = kBlue, .accessibleName = "码数:", .border = Border::Raised},
  {.name = "标签6", .kind = Label, .place = {452, 68}, .size = {40, 25}, .text = "英寸:", .font = S16, .color = kBlack, .accessibleName = "英寸:", .border = Border::Raised},
  {.name = "编辑框4", .kind = EditBox, .place = {363, 100}, .size = {70, 24}, .font = K19, .color = kRed, .accessibleName = "第3行 米数输入", .event = EventKind::ContentChanged, .handler = editBox4Changed},
  {.name = "编辑框3", .kind = EditBox, .place = {363, 68}, .size = {70, 24}, .font = K19, .color = kBlue, .accessibleName = "第2行 码数输入", .event = EventKind::ContentChanged, .handler = editBox3Changed},
  {.name = "标签5", .kind = Label, .place = {452, 36}, .size = {40, 25}, .text = "码数:", .font = S16, .color = kBlue, .accessibleName = "码数:", .border = Border::Raised},
  {.name = "标签4", .kind = Label, .place = {304, 100}, .size = {40, 25}, .text = "米数:", .font = S16, .color = kRed, .accessibleName = "米数:", .border = Border::Raised},
  {.name = "标签3", .kind = Label, .place = {304, 68}, .size = {40, 25}, .text = "码数:", .font = S16, .color = kBlue, .accessibleName = "码数:", .border = Border::Raised},
  {.name = "编辑框2", .kind = EditBox, .place = {363, 36}, .size = {70, 24}, .font = K19, .color = kBlack, .accessibleName = "第1行 英寸输入", .event = EventKind::ContentChanged, .handler = editBox2Changed},
  {.name = "标签2", .kind = Label, .place = {304, 36}, .size = {40, 25}, .text = "英寸:", .font = S16, .color = kBlack, .accessibleName = "英寸:", .border = Border::Raised},
  {.name = "标签1", .kind = Label, .place = {376, 8}, .size = {184, 24}, .text = "服装单位之间常用换算", .font = S16B, .color = kViolet, .accessibleName = "服装单位之间常用换算", .border = Border::Raised},
  {.name = "按钮18", .kind = PushButton, .place = {208, 11}, .size = {80, 24}, .text = "等于", .font = K19, .accessibleName = "等于", .handler = button18Clicked},
  {.name = "按钮17", .kind = PushButton, .place = {208, 48}, .size = {80, 24}, .text = "清零", .font = K19, .accessibleName = "清零", .handler = button17Clicked},
  {.name = "按钮16", .kind = PushButton, .place = {152, 160}, .size = {40, 32}, .text = "/", .font = K19, .accessibleName = "/"},
  {.name = "按钮15", .kind = PushButton, .place = {152, 120}, .size = {40, 32}, .text = "*", .font = K19, .accessibleName = "*"},
  {.name = "按钮14", .kind = PushButton, .place = {152, 80}, .size = {40, 32}, .text = "-", .font = K19, .accessibleName = "-"},
  {.name = "按钮13", .kind = PushButton, .place = {152, 40}, .size = {40, 32}, .text = "+", .font = K19, .accessibleName = "+", .handler = button13Clicked},
  {.name = "按钮12", .kind = PushButton, .place = {56, 160}, .size = {40, 32}, .text = "+/-", .font = K19, .accessibleName = "+/-", .handler = button12Clicked},
  {.name = "按钮11", .kind = PushButton, .place = {104, 160}, .size = {40, 32}, .text = "·", .font = K19, .accessibleName = "·", .handler = button11Clicked},
  {.name = "按钮10", .kind = PushButton, .place = {8, 160}, .size = {40, 32}, .text = "0", .font = K19, .accessibleName = "0"},
  {.name = "按钮7", .kind = PushButton, .place = {8, 120}, .size = {40, 32}, .text = "7", .font = K19, .accessibleName = "7"},
  {.name = "按钮8", .kind = PushButton, .place = {56, 120}, .size = {40, 32}, .text = "8", .font = K19, .accessibleName = "8"},
  {.name = "按钮9", .kind = PushButton, .place = {104, 120}, .size = {40, 32}, .text = "9", .font = K19, .accessibleName = "9"},
  {.name = "按钮5", .kind = PushButton, .place = {56, 80}, .size = {40, 32}, .text = "5", .font = K19, .accessibleName = "5"},
  {.name = "按钮6", .kind = PushButton, .place = {104, 80}, .size = {40, 32}, .text = "6", .font = K19, .accessibleName = "6"},
  {.name = "按钮4", .kind = PushButton, .place = {8, 80}, .size = {40, 32}, .text = "4", .font = K19, .accessibleName = "4"},
  {.name = "按钮3", .kind = PushButton, .place = {104, 40}, .size = {40, 32}, .text = "3", .font = K19, .accessibleName = "3"},
  {.name = "按钮2", .kind = PushButton, .place = {56, 40}, .size = {40, 32}, .text = "2", .font = K19, .accessibleName = "2"},
  {.name = "按钮1", .kind = PushButton, .place = {8, 40}, .size = {40, 32}, .text = "1", .font = K19, .accessibleName = "1", .handler = button1Clicked},
  {.name = "编辑框1", .kind = EditBox, .place = {8, 8}, .size = {184, 24}, .font = S16, .color = kBlack, .accessibleName = "计算器显示", .align = Align::Right},
}};
// clang-format on

struct WindowSettings {
  std::string_view title;
  Size outerSize;  // including the frame the window manager draws
  bool alwaysOnTop = true;
  bool dragAnywhere = true;
  bool escCloses = true;
  bool showInTaskBar = true;
  Size backgroundTile;  // the picture, tiled from the top-left corner
  Rgb background = kButtonFace;
  Handler windowCreated = nullptr;
};

inline constexpr WindowSettings kMainWindow{
    .title = "Quorvane-苏明制作-电话13800000000-恒泰服装厂-本厂打版部专用",
    .outerSize = {770, 340},
    .backgroundTile = {695, 410},
    .windowCreated = mainWindowCreated,
};

// The main window is window 0 of the event layer; its controls are numbered
// by their place in kControls.
inline constexpr int kMainWindowId = 0;

// The control with this name. A name that is not in the table does not compile.
consteval ControlRef control(std::string_view name) {
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    if (kControls[i].name == name) return {kMainWindowId, static_cast<int>(i)};
  }
  throw "no control of that name";
}

constexpr const ControlRecord& recordOf(ControlRef ref) { return kControls.at(ref.control); }

// Controls that Tab reaches, in Tab order: the table read from the bottom up.
constexpr auto focusOrder() {
  std::array<int, 29> order{};
  std::size_t n = 0;
  for (int i = static_cast<int>(kControls.size()) - 1; i >= 0; --i) {
    if (kindSettings(kControls[i].kind).tabStop) order.at(n++) = i;
  }
  return order;
}

}  // namespace quorvane::ui

#pragma GCC diagnostic pop
