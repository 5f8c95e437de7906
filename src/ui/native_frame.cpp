#include "ui/native_frame.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#if defined(QUORVANE_HAVE_XCB)
#include <xcb/xcb.h>
#endif

namespace quorvane::ui {
namespace {

#if defined(QUORVANE_HAVE_XCB)
struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

// _NET_FRAME_EXTENTS of the window: left, right, top, bottom. False when the
// program is not on X11 or the window manager has not set it (yet).
bool x11FrameExtents(const QWidget& window, QMargins* frame) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
  if (connection == nullptr) return false;
  // One connection for the program's life: the atom is looked up once.
  static const xcb_atom_t atom = [connection] {
    static constexpr char kName[] = "_NET_FRAME_EXTENTS";
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(kName), kName), nullptr));
    return reply != nullptr ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  }();
  if (atom == XCB_ATOM_NONE) return false;
  const auto id = static_cast<xcb_window_t>(window.winId());
  const Reply<xcb_get_property_reply_t> property(xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, id, atom, XCB_ATOM_CARDINAL, 0, 4), nullptr));
  if (property == nullptr || property->format != 32 ||
      xcb_get_property_value_length(property.get()) != 4 * 4) {
    return false;
  }
  const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(property.get()));
  // A frame beyond this is not a frame but garbage.
  constexpr std::uint32_t kMax = 4096;
  if (v[0] > kMax || v[1] > kMax || v[2] > kMax || v[3] > kMax) return false;
  *frame = QMargins(static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]),
                    static_cast<int>(v[3]));
  return true;
}
#endif

}  // namespace

QMargins deviceFrameMargins(const QWidget& window) {
  const QWindow* handle = window.windowHandle();
  if (handle == nullptr || !window.isVisible()) return {};
#if defined(QUORVANE_HAVE_XCB)
  if (QMargins frame; x11FrameExtents(window, &frame)) return frame;
#endif
  const QMargins logical = handle->frameMargins();
  const qreal ratio = window.devicePixelRatioF();
  const auto device = [ratio](int value) { return static_cast<int>(std::lround(value * ratio)); };
  return QMargins(device(logical.left()), device(logical.top()), device(logical.right()),
                  device(logical.bottom()));
}

}  // namespace quorvane::ui
