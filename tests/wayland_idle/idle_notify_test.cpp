#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-server.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "ext-idle-notify-v1-server-protocol.h"
#include "kde-idle-server-protocol.h"
#include "platform/wayland/idle_notify.h"

namespace {
// A compositor offering a seat and the idle protocols asked for, in a thread of its own:
// it notes what the watcher asks for, and says idle ('i'), input ('r') or hangs up ('q')
// when the test writes that letter to it.
class Compositor {
 public:
  Compositor(bool ext, bool kde) {
    char dir[] = "/tmp/qm-wayland-XXXXXX";
    runtime_ = mkdtemp(dir);
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    setenv("WAYLAND_DISPLAY", "wayland-idle-test", 1);
    display_ = wl_display_create();
    wl_display_add_socket(display_, "wayland-idle-test");
    wl_global_create(display_, &wl_seat_interface, 1, this, bindSeat);
    if (ext) wl_global_create(display_, &ext_idle_notifier_v1_interface, 1, this, bindExt);
    if (kde) wl_global_create(display_, &org_kde_kwin_idle_interface, 1, this, bindKde);
    if (pipe(commands_) != 0) std::abort();
    source_ = wl_event_loop_add_fd(wl_display_get_event_loop(display_), commands_[0], WL_EVENT_READABLE, onCommand, this);
    thread_ = std::thread([this] {
      while (!stop_) {
        wl_event_loop_dispatch(wl_display_get_event_loop(display_), 100);
        wl_display_flush_clients(display_);
      }
    });
  }
  ~Compositor() {
    stop_ = true;
    Send('x');
    thread_.join();
    wl_event_source_remove(source_);
    wl_display_destroy_clients(display_);
    wl_display_destroy(display_);
    close(commands_[0]);
    close(commands_[1]);
    std::system(("rm -rf " + runtime_).c_str());
  }
  void Send(char c) { ASSERT_EQ(write(commands_[1], &c, 1), 1); }

  std::atomic<unsigned> timeout{0};
  std::atomic<bool> seatGiven{false};

 private:
  static void bindSeat(wl_client* client, void*, uint32_t version, uint32_t id) {
    wl_resource_create(client, &wl_seat_interface, static_cast<int>(version), id);
  }
  static void destroy(wl_client*, wl_resource* resource) { wl_resource_destroy(resource); }
  static void forget(wl_resource* resource) { static_cast<Compositor*>(wl_resource_get_user_data(resource))->notice_ = nullptr; }
  void noted(wl_client* client, const wl_interface* kind, const void* impl, uint32_t id, wl_resource* seat, uint32_t ms) {
    notice_ = wl_resource_create(client, kind, 1, id);
    wl_resource_set_implementation(notice_, impl, this, forget);
    ext_ = kind == &ext_idle_notification_v1_interface;
    seatGiven = seat != nullptr;
    timeout = ms;
  }
  static void bindExt(wl_client* client, void* data, uint32_t, uint32_t id) {
    static const struct ext_idle_notification_v1_interface notice = {destroy};
    static const struct ext_idle_notifier_v1_interface impl = {
        destroy, [](wl_client* c, wl_resource* r, uint32_t id, uint32_t ms, wl_resource* seat) {
          static_cast<Compositor*>(wl_resource_get_user_data(r))->noted(c, &ext_idle_notification_v1_interface, &notice, id, seat, ms);
        }};
    wl_resource_set_implementation(wl_resource_create(client, &ext_idle_notifier_v1_interface, 1, id), &impl, data, nullptr);
  }
  static void bindKde(wl_client* client, void* data, uint32_t, uint32_t id) {
    static const struct org_kde_kwin_idle_timeout_interface notice = {destroy, [](wl_client*, wl_resource*) {}};
    static const struct org_kde_kwin_idle_interface impl = {[](wl_client* c, wl_resource* r, uint32_t id, wl_resource* seat, uint32_t ms) {
      static_cast<Compositor*>(wl_resource_get_user_data(r))->noted(c, &org_kde_kwin_idle_timeout_interface, &notice, id, seat, ms);
    }};
    wl_resource_set_implementation(wl_resource_create(client, &org_kde_kwin_idle_interface, 1, id), &impl, data, nullptr);
  }
  static int onCommand(int fd, uint32_t, void* data) {
    auto* self = static_cast<Compositor*>(data);
    char c = 0;
    if (read(fd, &c, 1) != 1 || !self->notice_) return 0;
    if (c == 'i') self->ext_ ? ext_idle_notification_v1_send_idled(self->notice_) : org_kde_kwin_idle_timeout_send_idle(self->notice_);
    if (c == 'r') self->ext_ ? ext_idle_notification_v1_send_resumed(self->notice_) : org_kde_kwin_idle_timeout_send_resumed(self->notice_);
    if (c == 'q') wl_client_destroy(wl_resource_get_client(self->notice_));
    return 0;
  }

  std::string runtime_;
  wl_display* display_ = nullptr;
  wl_resource* notice_ = nullptr;
  wl_event_source* source_ = nullptr;
  bool ext_ = false;
  int commands_[2] = {-1, -1};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Runs the watcher's side as its loop does until `done` holds (2 s at most); false once
// Dispatch says the compositor has gone.
bool pumpUntil(WaylandIdleNotify& idle, const std::function<bool()>& done) {
  for (int i = 0; i < 20 && !done(); ++i) {
    std::vector<pollfd> fds;
    int wait = 100;
    idle.Prepare(fds, wait);
    poll(fds.data(), fds.size(), wait);
    if (!idle.Dispatch(fds)) return false;
  }
  return true;
}

void expectIdleThenInput(Compositor& compositor, WaylandIdleNotify& idle) {
  EXPECT_EQ(compositor.timeout, IdleNotifyStepMs);
  EXPECT_TRUE(compositor.seatGiven);
  EXPECT_EQ(idle.IdleMs(), 0);
  compositor.Send('i');
  ASSERT_TRUE(pumpUntil(idle, [&] { return idle.IdleMs() > 0; }));
  // The compositor speaks once the step has passed without input: that much is already idle.
  EXPECT_GE(idle.IdleMs(), IdleNotifyStepMs);
  EXPECT_LT(idle.IdleMs(), IdleNotifyStepMs + 1000);
  compositor.Send('r');
  ASSERT_TRUE(pumpUntil(idle, [&] { return idle.IdleMs() == 0; }));
  EXPECT_EQ(idle.IdleMs(), 0);
}
}  // namespace

TEST(WaylandIdleNotify, TakesExtIdleNotifyWhereOfferedAndNoticesTheCompositorLeaving) {
  Compositor compositor(true, true);
  WaylandIdleNotify idle;
  ASSERT_TRUE(idle.Connect());
  EXPECT_STREQ(idle.Protocol(), "ext-idle-notify-v1");
  expectIdleThenInput(compositor, idle);
  compositor.Send('q');
  EXPECT_FALSE(pumpUntil(idle, [] { return false; }));
}

TEST(WaylandIdleNotify, FallsBackOnKdeIdle) {
  Compositor compositor(false, true);
  WaylandIdleNotify idle;
  ASSERT_TRUE(idle.Connect());
  EXPECT_STREQ(idle.Protocol(), "org_kde_kwin_idle");
  expectIdleThenInput(compositor, idle);
}

TEST(WaylandIdleNotify, RefusesACompositorWithoutIdleProtocolAndAMissingOne) {
  Compositor compositor(false, false);
  WaylandIdleNotify idle;
  EXPECT_FALSE(idle.Connect());
  EXPECT_STREQ(idle.Protocol(), "");
  setenv("WAYLAND_DISPLAY", "wayland-nobody-here", 1);
  EXPECT_FALSE(idle.Connect());
}
