#include "platform/wayland/idle_notify.h"

#include <time.h>
#include <wayland-client.h>

#include <cstring>

#include "ext-idle-notify-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"

namespace {
long long monotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
}  // namespace

struct WaylandIdleNotify::Impl {
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_seat* seat = nullptr;
  ext_idle_notifier_v1* notifier = nullptr;
  ext_idle_notification_v1* notification = nullptr;
  org_kde_kwin_idle* kdeIdle = nullptr;
  org_kde_kwin_idle_timeout* kdeTimeout = nullptr;
  const char* protocol = "";
  long long idleSince = -1;  // when the compositor said idle; -1 while there was input since
  size_t fdIndex = 0;
  bool polled = false;

  static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    Impl* self = static_cast<Impl*>(data);
    // Version 1 of each is all we use; a seat added later (a hot-plugged second seat) is not ours.
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat) {
      self->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0 && !self->notifier) {
      self->notifier = static_cast<ext_idle_notifier_v1*>(
          wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0 && !self->kdeIdle) {
      self->kdeIdle =
          static_cast<org_kde_kwin_idle*>(wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
    }
  }
  static void globalRemove(void*, wl_registry*, uint32_t) {}

  void idled() { idleSince = monotonicMs() - IdleNotifyStepMs; }
  void resumed() { idleSince = -1; }
  static void extIdled(void* data, ext_idle_notification_v1*) { static_cast<Impl*>(data)->idled(); }
  static void extResumed(void* data, ext_idle_notification_v1*) { static_cast<Impl*>(data)->resumed(); }
  static void kdeIdled(void* data, org_kde_kwin_idle_timeout*) { static_cast<Impl*>(data)->idled(); }
  static void kdeResumed(void* data, org_kde_kwin_idle_timeout*) { static_cast<Impl*>(data)->resumed(); }

  void close() {
    if (notification) ext_idle_notification_v1_destroy(notification);
    if (notifier) ext_idle_notifier_v1_destroy(notifier);
    if (kdeTimeout) org_kde_kwin_idle_timeout_release(kdeTimeout);
    if (kdeIdle) org_kde_kwin_idle_destroy(kdeIdle);
    if (seat) wl_seat_destroy(seat);
    if (registry) wl_registry_destroy(registry);
    if (display) wl_display_disconnect(display);
    notification = nullptr;
    notifier = nullptr;
    kdeTimeout = nullptr;
    kdeIdle = nullptr;
    seat = nullptr;
    registry = nullptr;
    display = nullptr;
    protocol = "";
  }
};

namespace {
const wl_registry_listener kRegistryListener = {WaylandIdleNotify::Impl::global,
                                                WaylandIdleNotify::Impl::globalRemove};
const ext_idle_notification_v1_listener kExtListener = {WaylandIdleNotify::Impl::extIdled,
                                                        WaylandIdleNotify::Impl::extResumed};
const org_kde_kwin_idle_timeout_listener kKdeListener = {WaylandIdleNotify::Impl::kdeIdled,
                                                         WaylandIdleNotify::Impl::kdeResumed};
}  // namespace

WaylandIdleNotify::WaylandIdleNotify() : m_impl(new Impl) {}

WaylandIdleNotify::~WaylandIdleNotify() {
  m_impl->close();
  delete m_impl;
}

bool WaylandIdleNotify::Connect() {
  Impl& d = *m_impl;
  d.close();
  d.idleSince = -1;
  d.display = wl_display_connect(nullptr);
  if (!d.display) return false;
  d.registry = wl_display_get_registry(d.display);
  wl_registry_add_listener(d.registry, &kRegistryListener, &d);
  if (wl_display_roundtrip(d.display) < 0 || !d.seat || (!d.notifier && !d.kdeIdle)) {
    d.close();
    return false;
  }
  if (d.notifier) {
    d.notification = ext_idle_notifier_v1_get_idle_notification(d.notifier, IdleNotifyStepMs, d.seat);
    ext_idle_notification_v1_add_listener(d.notification, &kExtListener, &d);
    d.protocol = "ext-idle-notify-v1";
  } else {
    d.kdeTimeout = org_kde_kwin_idle_get_idle_timeout(d.kdeIdle, d.seat, IdleNotifyStepMs);
    org_kde_kwin_idle_timeout_add_listener(d.kdeTimeout, &kKdeListener, &d);
    d.protocol = "org_kde_kwin_idle";
  }
  // The compositor refuses a bad request only by closing the connection: learn it now.
  if (wl_display_roundtrip(d.display) < 0) {
    d.close();
    return false;
  }
  return true;
}

const char* WaylandIdleNotify::Protocol() const { return m_impl->protocol; }

void WaylandIdleNotify::Prepare(std::vector<pollfd>& fds, int&) {
  Impl& d = *m_impl;
  d.polled = false;
  if (!d.display) return;
  wl_display_dispatch_pending(d.display);
  wl_display_flush(d.display);
  d.fdIndex = fds.size();
  fds.push_back({wl_display_get_fd(d.display), POLLIN, 0});
  d.polled = true;
}

bool WaylandIdleNotify::Dispatch(const std::vector<pollfd>& fds) {
  Impl& d = *m_impl;
  if (!d.display) return false;
  if (!d.polled || d.fdIndex >= fds.size()) return true;
  const short events = fds[d.fdIndex].revents;
  d.polled = false;
  // Whatever is still to be read comes before a hang-up is believed.
  if ((events & POLLIN) && wl_display_dispatch(d.display) < 0) return false;
  if (!(events & POLLIN) && (events & (POLLHUP | POLLERR | POLLNVAL))) return false;
  return wl_display_get_error(d.display) == 0;
}

long long WaylandIdleNotify::IdleMs() const {
  return m_impl->idleSince < 0 ? 0 : monotonicMs() - m_impl->idleSince;
}
