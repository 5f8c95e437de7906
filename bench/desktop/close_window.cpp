// Asks the window manager to close a window, the way its close button does.
//
//   close_window WINDOW_ID
//
// Sends _NET_CLOSE_WINDOW for the window to the root window; the window manager passes it on
// to the program as WM_DELETE_WINDOW, so the program ends its session normally (and saves
// whatever settings it keeps), which a signal would not let it do. Returns at once; whether
// the program then ends is for the caller to watch.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: close_window WINDOW_ID\n");
    return 2;
  }
  char* end = nullptr;
  const unsigned long id = std::strtoul(argv[1], &end, 0);
  if (end == argv[1] || *end != '\0' || id == 0 || id > 0xffffffffUL) {
    std::fprintf(stderr, "close_window: not a window id: %s\n", argv[1]);
    return 2;
  }
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    std::fprintf(stderr, "close_window: cannot open the display\n");
    xcb_disconnect(c);
    return 2;
  }
  const char* name = "_NET_CLOSE_WINDOW";
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr),
      &std::free);
  if (!atom) {
    std::fprintf(stderr, "close_window: no atom %s\n", name);
    xcb_disconnect(c);
    return 2;
  }
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = static_cast<xcb_window_t>(id);
  event.type = atom->atom;
  event.data.data32[0] = XCB_CURRENT_TIME;
  event.data.data32[1] = 2;  // source indication: a pager or similar tool
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const xcb_void_cookie_t sent = xcb_send_event_checked(
      c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
      reinterpret_cast<const char*>(&event));
  std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
      xcb_request_check(c, sent), &std::free);
  xcb_disconnect(c);
  if (error) {
    std::fprintf(stderr, "close_window: the server refused the request (error %d)\n",
                 static_cast<int>(error->error_code));
    return 1;
  }
  return 0;
}
