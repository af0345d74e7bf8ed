#pragma once
// The old platform's screen-saver framework counted the time since the last key or mouse
// input by itself and started the saver after "ScreenSaveTimeOut" seconds of it (see
// platform/idle.h). On a Wayland desktop only the compositor sees the input; when the
// desktop has no GNOME idle monitor on the bus, the idle watcher asks the compositor
// directly, in one of its two idle protocols:
//   ext-idle-notify-v1   (ext_idle_notifier_v1: KDE Plasma 5.27 and later, newer wlroots
//                         compositors), preferred when offered;
//   org_kde_kwin_idle    (KDE's older protocol: earlier Plasma, sway 1.7 and other older
//                         wlroots compositors).
// Both only say "no input on this seat for T ms" and "input again". We ask with a short T
// (IdleNotifyStepMs) and count on from the moment the compositor said idle, so the idle
// time is known to within T and nothing is woken while the user works. Compositors keep
// the notice back while a client inhibits idling (a video player's idle inhibitor), which
// is how a film holds the saver off here.
#include <poll.h>

#include <vector>

// How long without input before the compositor tells us: the precision of IdleMs.
constexpr unsigned IdleNotifyStepMs = 1000;

class WaylandIdleNotify {
 public:
  WaylandIdleNotify();
  ~WaylandIdleNotify();
  WaylandIdleNotify(const WaylandIdleNotify&) = delete;
  WaylandIdleNotify& operator=(const WaylandIdleNotify&) = delete;

  // Connects to the compositor that WAYLAND_DISPLAY names (a bare name lives in
  // XDG_RUNTIME_DIR) and asks for idle notices on its first seat. False when no
  // compositor answers or it offers neither protocol and a seat.
  bool Connect();
  // The protocol in use: "ext-idle-notify-v1" or "org_kde_kwin_idle"; "" before Connect.
  const char* Protocol() const;

  // The descriptor to wait on before the next Dispatch (appended to fds); timeoutMs is
  // left alone: the compositor's notices come by themselves.
  void Prepare(std::vector<pollfd>& fds, int& timeoutMs);
  // Handles what arrived; fds as filled by Prepare and then polled. False once the
  // compositor has gone (the session ended) or broke the connection.
  bool Dispatch(const std::vector<pollfd>& fds);

  // Time since the last input on the seat, to within IdleNotifyStepMs: 0 while the
  // compositor has not said idle since the last input.
  long long IdleMs() const;

  struct Impl;

 private:
  Impl* m_impl;
};
