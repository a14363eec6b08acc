#!/usr/bin/python3
"""A keystroke listener on the accessibility bus, as a screen reader registers one.

    key_listener.py [--late SECONDS]

Registers with the registry's device event controller for every key, press
and release, under every modifier combination, and prints one JSON line per
key event a program tells it of: {"type", "id" (key symbol), "code",
"modifiers", "text", "is_text"}. The first line is "ready" once registered.
It answers each event at once (or, with --late, that long after, as a busy
screen reader does), not consuming it, so that the program goes on; a
process of its own, so that it answers while the journey waits for other
things.
"""

import argparse
import json
import sys
import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

LISTENER_PATH = "/org/a11y/atspi/listeners/journey"
CONTROLLER = ("org.a11y.atspi.Registry", "/org/a11y/atspi/registry/deviceeventcontroller")


class KeyListener(dbus.service.Object):
    def __init__(self, bus, out, late):
        super().__init__(bus, LISTENER_PATH)
        self.out = out
        self.late = late

    @dbus.service.method("org.a11y.atspi.DeviceEventListener", in_signature="(uiuuisb)", out_signature="b")
    def NotifyEvent(self, event):
        kind, key_id, code, modifiers, _timestamp, text, is_text = event
        self.out.write(json.dumps({"type": int(kind), "id": int(key_id), "code": int(code),
                                   "modifiers": int(modifiers), "text": str(text),
                                   "is_text": bool(is_text)}) + "\n")
        self.out.flush()
        time.sleep(self.late)
        return False


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--late", type=float, default=0)
    late = parser.parse_args().late
    out = sys.stdout
    DBusGMainLoop(set_as_default=True)
    address = dbus.SessionBus().get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(dbus_interface="org.a11y.Bus")
    bus = dbus.bus.BusConnection(str(address))
    listener = KeyListener(bus, out, late)
    # The registry matches a listener's mask to the modifiers exactly: one
    # registration per combination hears every key. No keys: all of them;
    # types: a mask of press (bit 0) and release (bit 1). (The registry's
    # introspection data names an array there; it takes the mask.)
    for mask in range(256):
        bus.call_blocking(*CONTROLLER, "org.a11y.atspi.DeviceEventController", "RegisterKeystrokeListener",
                          "oa(iisi)uu(bbb)", (LISTENER_PATH, [], mask, 0b11, (True, False, False)), timeout=20)
    out.write("ready\n")
    out.flush()
    GLib.MainLoop().run()
    del listener


if __name__ == "__main__":
    main()
