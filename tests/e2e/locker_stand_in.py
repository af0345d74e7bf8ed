#!/usr/bin/python3
# Stand-ins for what cannot run in a test sandbox, each on the bus DBUS_SESSION_BUS_ADDRESS
# names (the test starts a private dbus-daemon for each):
#   screensaver  a desktop lock screen owning org.freedesktop.ScreenSaver, as KDE's and
#                light-locker's do: GetActive, SetActive(b) and Lock, with ActiveChanged(b).
#   gnome        GNOME Shell's parts the watcher asks in a Wayland session: the idle time
#                (org.gnome.Mutter.IdleMonitor GetIdletime, counted from the stand-in's start
#                or its Reset method), the lock screen (org.gnome.ScreenSaver, as above) and
#                the session manager's idle inhibitor (org.gnome.SessionManager IsInhibited;
#                Inhibit(b) of the stand-in sets it).
#   logind       org.freedesktop.login1 with one session, enough for xss-lock and the idle
#                watcher: GetSession, GetSessionByPID, Inhibit, and the session's Lock
#                method, which sends its Lock signal as `loginctl lock-session` has logind do.
# Every call is noted on standard output.
import os
import sys
import time

import dbus
import dbus.lowlevel
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

SESSION_PATH = "/org/freedesktop/login1/session/_31"


def note(text):
    print(text, flush=True)


def screen_saver(name):
    """A lock screen service of that name (its interface too), at the usual path."""

    class ScreenSaver(dbus.service.Object):
        def __init__(self, bus):
            super().__init__(bus, "/" + name.replace(".", "/"))
            self.active = False

        @dbus.service.method(name, out_signature="b")
        def GetActive(self):
            return self.active

        @dbus.service.method(name, in_signature="b", out_signature="b")
        def SetActive(self, on):
            note("SetActive %s" % bool(on))
            self.active = bool(on)
            self.ActiveChanged(self.active)
            return True

        @dbus.service.method(name)
        def Lock(self):
            note("Lock")
            self.SetActive(True)

        @dbus.service.signal(name, signature="b")
        def ActiveChanged(self, on):
            pass

    return ScreenSaver


class IdleMonitor(dbus.service.Object):
    IFACE = "org.gnome.Mutter.IdleMonitor"

    def __init__(self, bus):
        super().__init__(bus, "/org/gnome/Mutter/IdleMonitor/Core")
        self.since = time.monotonic()

    @dbus.service.method(IFACE, out_signature="t")
    def GetIdletime(self):
        return int((time.monotonic() - self.since) * 1000)

    @dbus.service.method(IFACE)
    def Reset(self):
        note("Reset")
        self.since = time.monotonic()


class SessionManager(dbus.service.Object):
    IFACE = "org.gnome.SessionManager"

    def __init__(self, bus):
        super().__init__(bus, "/org/gnome/SessionManager")
        self.inhibited = False

    @dbus.service.method(IFACE, in_signature="u", out_signature="b")
    def IsInhibited(self, flags):
        return self.inhibited and bool(flags & 8)

    @dbus.service.method(IFACE, in_signature="b")
    def Inhibit(self, on):
        note("Inhibit %s" % bool(on))
        self.inhibited = bool(on)


class Manager(dbus.service.Object):
    IFACE = "org.freedesktop.login1.Manager"

    def __init__(self, bus):
        super().__init__(bus, "/org/freedesktop/login1")

    @dbus.service.method(IFACE, in_signature="s", out_signature="o")
    def GetSession(self, name):
        note("GetSession %s" % name)
        return dbus.ObjectPath(SESSION_PATH)

    @dbus.service.method(IFACE, in_signature="u", out_signature="o")
    def GetSessionByPID(self, pid):
        note("GetSessionByPID %d" % pid)
        return dbus.ObjectPath(SESSION_PATH)

    @dbus.service.method(IFACE, in_signature="ssss", out_signature="h")
    def Inhibit(self, what, who, why, mode):
        note("Inhibit %s %s" % (what, who))
        read, write = os.pipe()
        os.close(read)
        return dbus.types.UnixFd(write)

    @dbus.service.signal(IFACE, signature="b")
    def PrepareForSleep(self, start):
        pass


class Session(dbus.service.Object):
    IFACE = "org.freedesktop.login1.Session"

    def __init__(self, bus):
        super().__init__(bus, SESSION_PATH)
        self.bus = bus
        self.locked = False

    @dbus.service.method(IFACE)
    def Lock(self):
        note("Lock")
        # A method and a signal of one name do not fit one class here: sent by hand.
        self.bus.send_message(dbus.lowlevel.SignalMessage(SESSION_PATH, self.IFACE, "Lock"))

    @dbus.service.method(IFACE, in_signature="b")
    def SetLockedHint(self, locked):
        note("SetLockedHint %s" % bool(locked))
        self.locked = bool(locked)
        self.PropertiesChanged(self.IFACE, {"LockedHint": dbus.Boolean(self.locked)}, [])

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if name != "LockedHint":
            raise dbus.exceptions.DBusException("no property " + name)
        return dbus.Boolean(self.locked)

    @dbus.service.signal(dbus.PROPERTIES_IFACE, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    if sys.argv[1] == "screensaver":
        name = dbus.service.BusName("org.freedesktop.ScreenSaver", bus)
        objects = [screen_saver("org.freedesktop.ScreenSaver")(bus)]
    elif sys.argv[1] == "gnome":
        name = [dbus.service.BusName(n, bus) for n in
                ("org.gnome.Mutter.IdleMonitor", "org.gnome.ScreenSaver", "org.gnome.SessionManager")]
        objects = [IdleMonitor(bus), screen_saver("org.gnome.ScreenSaver")(bus), SessionManager(bus)]
    else:
        name = dbus.service.BusName("org.freedesktop.login1", bus)
        objects = [Manager(bus), Session(bus)]
    note("ready")
    GLib.MainLoop().run()
    del name, objects


if __name__ == "__main__":
    main()
