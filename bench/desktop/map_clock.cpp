// Times a program from its exec to the moment its top-level window becomes viewable.
//
//   map_clock TIMEOUT_MS PROGRAM [ARGS...]
//
// Before starting the program it asks the X server for the structure events of the root
// window. The clock starts just before fork() (fork and exec add well under a millisecond)
// and stops when the event arrives that makes a window of the program (found by its
// _NET_WM_PID) viewable: under a reparenting window manager that is the map of the frame
// holding it, or the map of the client inside an already mapped frame. The resolution is
// that of the steady clock plus the server's event delivery, in practice tens of
// microseconds. At that moment it also adds up the CPU time the program's threads have used
// (the scheduler's nanosecond accounting in /proc/PID/task/*/schedstat), a figure that time
// spent waiting for the processor does not inflate (contention for caches and cores still
// does). Prints "pid <P> mapped_ms <T> cpu_ms <C>" (or "mapped_ms timeout")
// on stdout at once, then stays until the program ends and exits with its status.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
  Reply<xcb_intern_atom_reply_t> r(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr),
      &std::free);
  return r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

bool hasPid(xcb_connection_t* c, xcb_window_t w, xcb_atom_t pidAtom, pid_t pid) {
  Reply<xcb_get_property_reply_t> r(
      xcb_get_property_reply(
          c, xcb_get_property(c, 0, w, pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr),
      &std::free);
  if (!r || xcb_get_property_value_length(r.get()) < 4) return false;
  return *static_cast<const std::uint32_t*>(xcb_get_property_value(r.get())) ==
         static_cast<std::uint32_t>(pid);
}

bool viewable(xcb_connection_t* c, xcb_window_t w) {
  Reply<xcb_get_window_attributes_reply_t> r(
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr), &std::free);
  return r && r->map_state == XCB_MAP_STATE_VIEWABLE;
}

// Searches the tree under w for a window of the program. Asks for the structure events of
// every window on the way, so that a later map inside a mapped frame is seen too.
bool programViewable(xcb_connection_t* c, xcb_window_t w, xcb_atom_t pidAtom, pid_t pid,
                     int depth) {
  if (hasPid(c, w, pidAtom, pid) && viewable(c, w)) return true;
  if (depth > 4) return false;
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &mask);
  Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr),
                                     &std::free);
  if (!tree) return false;
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  const int n = xcb_query_tree_children_length(tree.get());
  for (int i = 0; i < n; ++i) {
    if (programViewable(c, children[i], pidAtom, pid, depth + 1)) return true;
  }
  return false;
}

// CPU time used so far by the live threads of a process, in milliseconds.
double cpuMilliseconds(pid_t pid) {
  std::error_code error;
  const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
  unsigned long long total = 0;
  for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
    std::ifstream in(task.path() / "schedstat");
    unsigned long long ns = 0;
    if (in >> ns) total += ns;
  }
  return static_cast<double>(total) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: map_clock TIMEOUT_MS PROGRAM [ARGS...]\n");
    return 2;
  }
  const auto timeout = std::chrono::milliseconds(std::atol(argv[1]));
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    std::fprintf(stderr, "map_clock: cannot open the display\n");
    return 2;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const xcb_atom_t pidAtom = internAtom(c, "_NET_WM_PID");
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(c);

  const Clock::time_point start = Clock::now();
  const pid_t pid = fork();
  if (pid < 0) return 2;
  if (pid == 0) {
    close(xcb_get_file_descriptor(c));
    execvp(argv[2], argv + 2);
    std::perror("map_clock: exec");
    _exit(127);
  }

  const Clock::time_point deadline = start + timeout;
  bool found = false;
  Clock::time_point mapped;
  double cpuMs = 0;
  while (!found && Clock::now() < deadline) {
    xcb_generic_event_t* raw = xcb_poll_for_event(c);
    if (raw == nullptr) {
      if (xcb_connection_has_error(c)) break;
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
      poll(&p, 1, static_cast<int>(left.count()) + 1);
      continue;
    }
    const Clock::time_point arrived = Clock::now();
    std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(raw, &std::free);
    if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY) continue;
    const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(raw);
    if (map->override_redirect) continue;
    if (programViewable(c, map->window, pidAtom, pid, 0)) {
      found = true;
      mapped = arrived;
      cpuMs = cpuMilliseconds(pid);
    }
    xcb_flush(c);
  }
  if (found) {
    const double ms = std::chrono::duration<double, std::milli>(mapped - start).count();
    std::printf("pid %d mapped_ms %.3f cpu_ms %.3f\n", static_cast<int>(pid), ms, cpuMs);
  } else {
    std::printf("pid %d mapped_ms timeout\n", static_cast<int>(pid));
  }
  std::fflush(stdout);
  xcb_disconnect(c);

  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return 2;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
