"""The journeys' kit: the real program on a private X screen, driven like a user.

A `Desk` owns everything one journey starts (by process id): an Xvfb
screen, an unlocked throwaway keyring on the private session bus the test
runs in (dbus-run-session), and the `lirna` program with a home folder of its
own. Input reaches the program only as X events from xdotool (pointer moves,
clicks, drags, typed keys). What the journey looks at is what a user sees:
screenshots, and the texts and places of what is on screen as the program
tells assistive technology over AT-SPI (read on the accessibility bus, the
way a screen reader does). Nothing in the program is changed for this.

Everything the program prints is kept; any line outside the machine's known
sound-card noise fails the journey.
"""

import base64
import hashlib
import json
import os
import re
import shutil
import select
import signal
import socket
import subprocess
import sys
import threading
import time
import urllib.parse
import urllib.request

import dbus
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

SCREEN = (1280, 800)
# The journeys' limits are what an idle machine needs; CI runs them beside
# many other tests, where the program answers several times slower. Every
# wait for something to show (or go) stretches its limit by this much; a
# journey that passes is no slower for it.
WAIT_SCALE = 3
# How long one question over the accessibility bus may take.
BUS_TIMEOUT = 20
# A machine without a sound card makes GStreamer's ALSA probe say so; that is
# the machine, not the program. So is a slow accessibility bus.
KNOWN_NOISE = [
    "ALSA lib confmisc.c:855:(parse_card) cannot find card '0'",
    'ALSA lib conf.c:5180:(_snd_config_evaluate) function snd_func_card_inum returned error: No such file or directory',
    'ALSA lib confmisc.c:422:(snd_func_concat) error evaluating strings',
    'ALSA lib conf.c:5180:(_snd_config_evaluate) function snd_func_concat returned error: No such file or directory',
    'ALSA lib confmisc.c:1334:(snd_func_refer) error evaluating name',
    'ALSA lib conf.c:5180:(_snd_config_evaluate) function snd_func_refer returned error: No such file or directory',
    'ALSA lib conf.c:5703:(snd_config_expand) Evaluate error: No such file or directory',
    'ALSA lib pcm.c:2666:(snd_pcm_open_noupdate) Unknown PCM default',
    "AL lib: (EE) ALCplaybackAlsa_open: Could not open playback device 'default': No such file or directory",
    # Qt's accessibility bridge, when the bus's keystroke listeners answer
    # a key later than its time-out (it then delivers the key all the same).
    'QSpiApplication::keyEventError  "org.freedesktop.DBus.Error.NoReply" "Did not receive a reply. Possible causes '
    'include: the remote application did not send a reply, the message bus security policy blocked the reply, the '
    'reply timeout expired, or the network connection was broken."',
]

# AT-SPI state bits.
STATE_SHOWING = 25
STATE_VISIBLE = 30
STATE_CHECKED = 4
STATE_ENABLED = 8
STATE_FOCUSED = 12
STATE_SELECTED = 23
# AT-SPI roles, where their names do not tell them apart.
ROLE_PASSWORD_TEXT = 40

A11Y_ACCESSIBLE = "org.a11y.atspi.Accessible"
A11Y_COMPONENT = "org.a11y.atspi.Component"
A11Y_ACTION = "org.a11y.atspi.Action"
A11Y_TEXT = "org.a11y.atspi.Text"


class JourneyFailure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise JourneyFailure(message)


class Node:
    """One thing on screen: its name, role, states and rectangle (screen coordinates)."""

    def __init__(self, name, role, states, rect, ref=None):
        self.name = name
        self.role = role
        self.states = states
        self._rect = rect  # a (x, y, w, h) tuple, or a function that asks for it
        self.ref = ref  # (bus name, object path) on the accessibility bus

    @property
    def rect(self):
        # Asked for only when needed: most of what a search passes over is
        # told apart by its name and role alone.
        if callable(self._rect):
            try:
                self._rect = self._rect()
            except dbus.DBusException:
                self._rect = (0, 0, 0, 0)  # gone while we looked
        return self._rect

    def has(self, state):
        return bool(self.states[state // 32] & (1 << (state % 32)))

    @property
    def center(self):
        x, y, w, h = self.rect
        return x + w // 2, y + h // 2

    def __repr__(self):
        return "<%s %r at %s>" % (self.role, self.name, self.rect)


class Accessibility:
    """The program's accessible tree, read over the accessibility bus."""

    def __init__(self, pid):
        session = dbus.SessionBus()
        for attempt in range(3):
            try:
                launcher = session.get_object("org.a11y.Bus", "/org/a11y/bus")
                address = launcher.GetAddress(dbus_interface="org.a11y.Bus")
                self.bus = dbus.bus.BusConnection(str(address), mainloop=DBusGMainLoop())
                break
            except dbus.DBusException:
                # Asked while the bus was busy starting: once more, a moment later.
                if attempt == 2:
                    raise
                time.sleep(0.5)
        self.pid = pid
        self.root = None

    def close(self):
        self.bus.close()

    def _call(self, ref, method, interface, *args):
        name, path = ref
        return self.bus.call_blocking(str(name), str(path), interface, method,
                                      "u" if args else "", args, timeout=BUS_TIMEOUT)

    def do_action(self, ref, action):
        """Runs the action named `action` ("Press") as a screen reader does; False when it has none."""
        name, path = ref
        count = self._call_props(ref, A11Y_ACTION, "NActions")
        for index in range(int(count)):
            label = self.bus.call_blocking(str(name), str(path), A11Y_ACTION, "GetName", "i", (index,), timeout=BUS_TIMEOUT)
            if str(label) == action:
                return bool(self.bus.call_blocking(str(name), str(path), A11Y_ACTION, "DoAction", "i",
                                                   (index,), timeout=BUS_TIMEOUT))
        return False

    def _call_props(self, ref, interface, prop):
        name, path = ref
        return self.bus.call_blocking(str(name), str(path), "org.freedesktop.DBus.Properties", "Get",
                                      "ss", (interface, prop), timeout=BUS_TIMEOUT)

    def _app(self):
        if self.root is not None:
            return self.root
        registry = ("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")
        for child in self._call(registry, "GetChildren", A11Y_ACCESSIBLE):
            try:
                pid = self.bus.call_blocking("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                             "org.freedesktop.DBus", "GetConnectionUnixProcessID", "s",
                                             (str(child[0]),), timeout=BUS_TIMEOUT)
            except dbus.DBusException:
                continue
            if int(pid) == self.pid:
                self.root = (str(child[0]), str(child[1]))
                return self.root
        return None

    def _batch(self, calls):
        """Sends the calls (ref, interface, method, signature, args) at once and waits for every answer.

        One round trip for the lot instead of one per call: a walk of the
        tree asks each level's questions together. A call that fails (the
        thing went away meanwhile) answers None.
        """
        answers = [None] * len(calls)
        pending = [len(calls)]

        def answered(index, value=None):
            answers[index] = value
            pending[0] -= 1

        for index, ((name, path), interface, method, signature, args) in enumerate(calls):
            # A reply of several values (text and its offsets) comes as a tuple.
            self.bus.call_async(name, path, interface, method, signature, args,
                                lambda *values, index=index: answered(
                                    index, values[0] if len(values) == 1 else tuple(values)),
                                lambda error, index=index: answered(index), timeout=BUS_TIMEOUT)
        context = GLib.MainContext.default()
        deadline = time.monotonic() + BUS_TIMEOUT
        while pending[0] > 0:
            if not context.iteration(False):
                time.sleep(0.001)
            if time.monotonic() > deadline:
                raise JourneyFailure("the program's accessibility tree does not answer")
        return answers

    def listen_text_changes(self):
        """Asks for the object:text-changed events, as a screen reader does, and
        returns the list they gather in: (object path, "insert" or "delete",
        text) each, filled while the bus is read (pump)."""
        heard = []

        def changed(detail, start, length, data, *rest, path=None):
            heard.append((str(path), str(detail), str(data)))

        self.bus.add_signal_receiver(changed, signal_name="TextChanged", dbus_interface="org.a11y.atspi.Event.Object",
                                     path_keyword="path")
        self.bus.call_blocking("org.a11y.atspi.Registry", "/org/a11y/atspi/registry", "org.a11y.atspi.Registry",
                               "RegisterEvent", "sass", ("object:text-changed", [], ""), timeout=BUS_TIMEOUT)
        return heard

    def pump(self, seconds=0.5):
        """Reads what the bus has sent for a while (events)."""
        context = GLib.MainContext.default()
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if not context.iteration(False):
                time.sleep(0.01)

    def parent(self, node):
        """The object path of the node's parent on the tree."""
        parent = self._call_props(node.ref, A11Y_ACCESSIBLE, "Parent")
        return str(parent[1])

    def children(self, node):
        """The object paths of the node's children on the tree."""
        return [str(child[1]) for child in self._call(node.ref, "GetChildren", A11Y_ACCESSIBLE)]

    def role_number(self, node):
        """The node's AT-SPI role as a number; the role's name stays "text" for a password field."""
        return int(self._call(node.ref, "GetRole", A11Y_ACCESSIBLE))

    def readings(self, node):
        """Everything AT-SPI gives out about `node`'s texts, as (call, text) pairs.

        Its name, description and attributes, and its text read every way the
        Text interface offers: whole, and by character, word, sentence and line
        at, before and after every offset. A call the node does not answer
        gives nothing.
        """
        props = "org.freedesktop.DBus.Properties"
        ref = node.ref
        count = self._batch([(ref, props, "Get", "ss", (A11Y_TEXT, "CharacterCount"))])[0]
        calls = [("Name", (ref, props, "Get", "ss", (A11Y_ACCESSIBLE, "Name"))),
                 ("Description", (ref, props, "Get", "ss", (A11Y_ACCESSIBLE, "Description"))),
                 ("GetAttributes", (ref, A11Y_ACCESSIBLE, "GetAttributes", "", ())),
                 ("GetText", (ref, A11Y_TEXT, "GetText", "ii", (0, -1))),
                 ("CurrentValue", (ref, props, "Get", "ss", ("org.a11y.atspi.Value", "CurrentValue")))]
        for offset in range(int(count or 0) + 1):
            calls.append(("GetCharacterAtOffset", (ref, A11Y_TEXT, "GetCharacterAtOffset", "i", (offset,))))
            calls += [(method, (ref, A11Y_TEXT, method, "iu", (offset, boundary)))
                      for method in ("GetTextAtOffset", "GetTextBeforeOffset", "GetTextAfterOffset")
                      for boundary in range(7)]
        answers = self._batch([call for _, call in calls])
        found = []
        for (method, _), answer in zip(calls, answers):
            if answer is None:
                continue
            if method == "GetCharacterAtOffset":
                if int(answer) > 0:
                    found.append((method, chr(int(answer))))
            elif isinstance(answer, dict):
                found += [(method, str(k)) for k in answer] + [(method, str(v)) for v in answer.values()]
            elif isinstance(answer, (tuple, list)):
                found += [(method, str(part)) for part in answer if isinstance(part, str)]
            elif isinstance(answer, str):
                found.append((method, str(answer)))
        return found

    def nodes(self):
        """Everything showing, depth first, in screen coordinates."""
        app = self._app()
        if app is None:
            return []
        found = []  # (place in the tree, node)
        level = [((), app)]
        while level:
            questions = []
            for _, ref in level:
                questions += [(ref, A11Y_ACCESSIBLE, "GetState", "", ()),
                              (ref, A11Y_ACCESSIBLE, "GetChildren", "", ()),
                              (ref, A11Y_ACCESSIBLE, "GetRoleName", "", ()),
                              (ref, "org.freedesktop.DBus.Properties", "Get", "ss", (A11Y_ACCESSIBLE, "Name"))]
            answers = self._batch(questions)
            below = []
            for i, (place, ref) in enumerate(level):
                states, children, role, name = answers[4 * i:4 * i + 4]
                if states is None or children is None or role is None or name is None:
                    continue  # gone while we looked
                role = str(role)
                rect = (0, 0, 0, 0)
                if role not in ("application",):
                    rect = lambda ref=ref: tuple(int(v) for v in self._call(ref, "GetExtents", A11Y_COMPONENT,
                                                                           dbus.UInt32(0)))
                node = Node(str(name), role, [int(s) for s in states], rect, ref)
                if role not in ("application", "frame", "window", "dialog") and not node.has(STATE_SHOWING):
                    continue
                found.append((place, node))
                below += [(place + (k,), (str(c[0]), str(c[1]))) for k, c in enumerate(children)]
            level = below
        found.sort(key=lambda entry: entry[0])
        return [node for _, node in found]


class Relay:
    """A TCP relay in front of the shared server that a journey can cut and restore.

    Stopping the shared server would break every other suite, so the program
    talks to this relay instead. Cut, it stops listening and drops every open
    connection, so the program meets what a stopped server gives: refused
    connections. Restored, it listens on the same port again. It runs on
    threads of the journey's own process.
    """

    def __init__(self, url):
        target = urllib.parse.urlsplit(url)
        self.target = (target.hostname, target.port)
        self.scheme = target.scheme
        self.host = "127.0.0.1"
        self.port = None
        self.listener = None
        self.thread = None
        self.lock = threading.Lock()
        self.connections = set()
        # The request targets the program sent (path and query), in order: what
        # reached the server.
        self.requests = []

    @property
    def url(self):
        return "%s://%s:%d" % (self.scheme, self.host, self.port)

    def start(self):
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind((self.host, self.port or 0))
        listener.listen(64)
        self.port = listener.getsockname()[1]
        self.listener = listener
        self.thread = threading.Thread(target=self._accept, args=(listener,), daemon=True)
        self.thread.start()

    def cut(self):
        listener, self.listener = self.listener, None
        if listener is None:
            return
        # Closing the listening socket is what makes new connections refused;
        # the accept loop sees it gone and ends.
        listener.close()
        self.thread.join(5)
        with self.lock:
            connections, self.connections = self.connections, set()
        for connection in connections:
            self._close(connection)

    def restore(self):
        if self.listener is None:
            self.start()

    def _accept(self, listener):
        while True:
            try:
                ready, _, _ = select.select([listener], [], [], 0.1)
                if not ready:
                    continue
                client, _ = listener.accept()
            except (OSError, ValueError):
                return  # the listener was closed: cut
            try:
                upstream = socket.create_connection(self.target, timeout=5)
            except OSError:
                self._close(client)
                continue
            upstream.settimeout(None)
            with self.lock:
                if self.listener is not listener:
                    self._close(client)
                    self._close(upstream)
                    return
                self.connections.update((client, upstream))
            for source, sink, record in ((client, upstream, True), (upstream, client, False)):
                threading.Thread(target=self._pump, args=(source, sink, record), daemon=True).start()

    def _pump(self, source, sink, record):
        sent = b""
        try:
            while True:
                data = source.recv(65536)
                if not data:
                    break
                if record:
                    sent += data
                    self.requests += [m.decode() for m in re.findall(rb"(?:^|\n)[A-Z]+ (\S+) HTTP/1\.[01]\r\n", sent)]
                    sent = sent[sent.rfind(b"\n") + 1:]
                sink.sendall(data)
        except OSError:
            pass
        for connection in (source, sink):
            self._close(connection)
        with self.lock:
            self.connections.discard(source)
            self.connections.discard(sink)

    @staticmethod
    def _close(connection):
        try:
            connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        connection.close()


class Desk:
    """One journey's screen, keyring and program."""

    def __init__(self, name, app, server_file, out_dir):
        self.name = name
        self.app_path = app
        with open(server_file) as f:
            self.server = json.load(f)
        self.url = self.server["url"]  # where the program is sent; see start_relay
        self.user = self.server["accounts"][0]["username"]
        self.password = self.server["accounts"][0]["password"]
        self.shots = os.path.join(out_dir, "screenshots", "journeys")
        self.home = os.path.join(out_dir, "journeys", name, "home")
        self.logs = os.path.join(out_dir, "journeys", name)
        os.makedirs(self.shots, exist_ok=True)
        for old in os.listdir(self.shots):  # an earlier run's, a failure's among them
            if old.startswith(name + "-") and old.endswith(".png"):
                os.remove(os.path.join(self.shots, old))
        shutil.rmtree(self.home, ignore_errors=True)
        os.makedirs(self.home)
        self.env = dict(os.environ)
        self.env.update({
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local", "share"),
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "XDG_RUNTIME_DIR": os.path.join(self.home, "run"),
            "QT_LOGGING_RULES": "*.debug=false",
            # Qt answers assistive technology only while it is asked to.
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        })
        self.env.pop("QT_QPA_PLATFORM", None)
        # One GStreamer plugin registry, as a machine keeps one (the tests'
        # own under ctest): each fresh home would otherwise have every start
        # scan the plugins again (see prepare_gstreamer).
        self.env.setdefault("GST_REGISTRY", os.path.join(out_dir, "gstreamer-registry.bin"))
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        os.makedirs(os.path.join(self.env["XDG_CONFIG_HOME"], "Lirna"))
        self.processes = []  # (label, Popen), stopped in reverse order
        self.key_listeners = {}  # by the id of the list they fill
        self.program = None
        self.program_log = None
        self.runs = 0
        self.step = 0
        self.a11y = None
        self.relay = None
        self.started = time.monotonic()

    # ----- processes

    def _spawn(self, label, args, **kwargs):
        process = subprocess.Popen(args, env=self.env, **kwargs)
        self.processes.append((label, process))
        return process

    def _stop(self, process, grace=5):
        if process.poll() is None:
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(grace)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def start_screen(self):
        read, write = os.pipe()
        self._spawn("Xvfb", ["Xvfb", "-displayfd", str(write), "-screen", "0", "%dx%dx24" % SCREEN,
                             "-nolisten", "tcp", "-noreset"], pass_fds=(write,),
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            display = pipe.readline().strip()
        check(display, "Xvfb did not start")
        self.env["DISPLAY"] = ":" + display

    def prepare_gstreamer(self):
        """Makes sure the shared plugin registry is there and knows the player, before the program starts."""
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "prepare_gstreamer.sh")
        prepared = subprocess.run([script, self.env["GST_REGISTRY"]], env=self.env, timeout=300,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        check(prepared.returncode == 0, "GStreamer has no playbin on this machine")

    def isolate_bus_services(self):
        """Keeps what the private session bus starts on demand inside this journey's home.

        The accessibility bus is started on the first question, with the
        environment the session bus had: left so, it would put its socket in
        the real home's cache, where another run's would take its place.
        """
        dbus.SessionBus().call_blocking(
            "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "UpdateActivationEnvironment",
            "a{ss}", ({key: self.env[key] for key in ("HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME",
                                                        "XDG_CONFIG_HOME", "XDG_DATA_HOME")},), timeout=BUS_TIMEOUT)

    def start_keyring(self):
        keyring = self._spawn("gnome-keyring-daemon",
                              ["gnome-keyring-daemon", "--foreground", "--unlock", "--components=secrets"],
                              stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        keyring.stdin.write(b"throwaway")
        keyring.stdin.close()
        # The daemon claims its name a moment after it starts; asking before
        # would have the bus start another one.
        deadline = time.monotonic() + 10 * WAIT_SCALE
        session = dbus.SessionBus()
        while not session.name_has_owner("org.freedesktop.secrets"):
            check(time.monotonic() < deadline and keyring.poll() is None, "the keyring did not start")
            time.sleep(0.1)

    def start_relay(self):
        """Puts a relay the journey can cut between the program and the server."""
        self.relay = Relay(self.server["url"])
        self.relay.start()
        self.url = self.relay.url

    def seed_account(self):
        """The state a user who signed in before has: address and user saved, password in the keyring."""
        with open(os.path.join(self.env["XDG_CONFIG_HOME"], "Lirna", "Lirna.conf"), "w") as conf:
            conf.write("[General]\nserverURL=%s\nusername=%s\n" % (self.url, self.user))
        subprocess.run(["secret-tool", "store", "--label=Lirna", "user", "%s@%s" % (self.user, self.url),
                        "server", "co.quorvane.lirna", "type", "plaintext"],
                       input=self.password.encode(), env=self.env, check=True, timeout=10)

    def listen_keys(self, late=0):
        """Registers a keystroke listener on the accessibility bus, as a screen
        reader does (key_listener.py), answering each key `late` seconds late,
        and returns the list the key events it hears gather in, in order: dicts
        with the event's "type" (0 press, 1 release), key symbol "id" and
        "text". What it hears stays in memory. Qt tells of keys only while some
        event is asked for, as a screen reader does too (listen_text_changes)."""
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "key_listener.py")
        listener = self._spawn("key listener", [sys.executable, script, "--late", str(late)],
                               stdout=subprocess.PIPE, text=True)
        heard = []
        ready = threading.Event()

        def read():
            for line in listener.stdout:
                if line.strip() == "ready":
                    ready.set()
                else:
                    heard.append(json.loads(line))

        threading.Thread(target=read, daemon=True).start()
        check(ready.wait(20 * WAIT_SCALE), "the key listener did not register")
        self.key_listeners[id(heard)] = listener
        return heard

    def stop_listening(self, heard):
        """Ends the keystroke listener whose key events gather in `heard`."""
        self._stop(self.key_listeners.pop(id(heard)))

    def rest(self, endpoint, **params):
        """One call to the server as the test account (for tidying up after a failure)."""
        salt = "journey%d" % time.monotonic_ns()
        query = dict(params, u=self.user, s=salt, v="1.16.1", c="lirna-journeys", f="json",
                     t=hashlib.md5((self.password + salt).encode()).hexdigest())
        url = "%s/rest/%s?%s" % (self.server["url"], endpoint, urllib.parse.urlencode(query, doseq=True))
        with urllib.request.urlopen(url, timeout=10) as answer:
            return json.load(answer)["subsonic-response"]

    def keyring_password(self):
        """The password the keyring holds for the program, or None."""
        found = subprocess.run(["secret-tool", "search", "--all", "server", "co.quorvane.lirna"],
                               env=self.env, capture_output=True, text=True, timeout=10)
        # The secret is on stdout, the attributes on stderr.
        secret = re.search(r"^secret = (.*)$", found.stdout, re.M)
        if not secret:
            return None
        if re.search(r"^attribute\.type = base64$", found.stderr, re.M):
            return base64.b64decode(secret.group(1)).decode()
        return secret.group(1)

    def launch(self):
        """Starts the program and waits for its window to show something."""
        self.runs += 1
        log_path = os.path.join(self.logs, "lirna-%d.log" % self.runs)
        self.program_log = open(log_path, "w+")
        self.program = self._spawn("lirna", [self.app_path], stdout=self.program_log,
                                   stderr=subprocess.STDOUT)
        if self.a11y:
            self.a11y.close()
        self.a11y = Accessibility(self.program.pid)
        deadline = time.monotonic() + 20 * WAIT_SCALE
        while time.monotonic() < deadline:
            check(self.program.poll() is None, "the program ended at start:\n" + self.output())
            if any(n.role == "frame" and n.rect[2] > 0 for n in self.a11y.nodes()):
                break
            time.sleep(0.2)
        else:
            raise JourneyFailure("the window did not show")
        # Without a window manager the pointer's window gets the keyboard.
        self.move(SCREEN[0] // 2, SCREEN[1] // 2)

    def quit(self):
        """Quits the program as a user does (Ctrl+Q) and waits for it to end."""
        self.key("ctrl+q")
        try:
            code = self.program.wait(15 * WAIT_SCALE)
        except subprocess.TimeoutExpired:
            raise JourneyFailure("the program did not quit on Ctrl+Q")
        check(code == 0, "the program quit with status %s" % code)
        self.check_output()
        self.processes = [(l, p) for l, p in self.processes if p is not self.program]
        self.program = None

    def output(self):
        if not self.program_log:
            return ""
        self.program_log.flush()
        with open(self.program_log.name) as f:
            return f.read()

    def check_output(self):
        lines = [line for line in self.output().splitlines() if line.strip() and line not in KNOWN_NOISE]
        check(not lines, "the program printed:\n" + "\n".join(lines))

    def close(self):
        for label, process in reversed(self.processes):
            self._stop(process)
        self.processes = []
        if self.relay:
            self.relay.cut()
        if self.program_log:
            self.program_log.close()

    # ----- what the user sees

    def shot(self, label):
        self.step += 1
        print("%6.1f s  %s" % (time.monotonic() - self.started, label), flush=True)
        path = os.path.join(self.shots, "%s-%02d-%s.png" % (self.name, self.step, label))
        subprocess.run(["import", "-window", "root", path], env=self.env, check=True, timeout=20,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    def visible(self, name=None, role=None, contains=None):
        width, height = SCREEN
        result = []
        for node in self.a11y.nodes():
            if name is not None and node.name != name:
                continue
            if contains is not None and contains not in node.name:
                continue
            if role is not None and node.role != role:
                continue
            x, y, w, h = node.rect
            if w <= 0 or h <= 0 or x + w <= 0 or y + h <= 0 or x >= width or y >= height:
                continue
            result.append(node)
        return result

    def find(self, name=None, role=None, contains=None, timeout=10, index=0, where=None):
        """Waits for a showing item with that name (and role) and returns it."""
        deadline = time.monotonic() + timeout * WAIT_SCALE
        while True:
            check(self.program.poll() is None, "the program ended:\n" + self.output())
            found = [n for n in self.visible(name, role, contains) if where is None or where(n)]
            if len(found) > index:
                return found[index]
            if time.monotonic() > deadline:
                names = sorted({n.name for n in self.visible() if n.name})
                raise JourneyFailure("nothing named %r (role %s) showed; on screen: %s"
                                     % (name or contains, role, names))
            time.sleep(0.2)

    def press(self, node, action="Press"):
        """Runs the item's press action over the accessibility bus, as a screen reader does."""
        check(self.a11y.do_action(node.ref, action), "%r has no %s action" % (node.name, action))

    def find_steady(self, name=None, role=None, contains=None, timeout=10, where=None):
        """Like find, once the item has stopped moving: a page still sliding in takes no clicks."""
        deadline = time.monotonic() + timeout * WAIT_SCALE
        node = self.find(name, role, contains, timeout, where=where)
        while True:
            time.sleep(0.3)
            again = self.find(name, role, contains, timeout, where=where)
            if again.rect == node.rect:
                return again
            check(time.monotonic() < deadline, "%r keeps moving" % (name or contains))
            node = again

    def wait_steady(self, what, read, timeout=10):
        """Waits until read() gives the same answer twice, 0.3 s apart (something sliding has come to rest)."""
        deadline = time.monotonic() + timeout * WAIT_SCALE
        last = read()
        while True:
            time.sleep(0.3)
            now = read()
            if now == last:
                return now
            check(time.monotonic() < deadline, "still moving: " + what)
            last = now

    def wait_gone(self, name, role=None, timeout=10):
        deadline = time.monotonic() + timeout * WAIT_SCALE
        while self.visible(name, role):
            check(time.monotonic() < deadline, "%r is still on screen" % name)
            time.sleep(0.2)

    def wait_until(self, what, condition, timeout=10):
        deadline = time.monotonic() + timeout * WAIT_SCALE
        while True:
            value = condition()
            if value:
                return value
            check(time.monotonic() < deadline, "timed out waiting: " + what)
            time.sleep(0.2)

    # ----- input

    def _xdotool(self, *args):
        subprocess.run(["xdotool", *[str(a) for a in args]], env=self.env, check=True, timeout=20)

    def move(self, x, y):
        # No --sync: it waits for a motion that never comes when the pointer
        # is already there.
        self._xdotool("mousemove", x, y)
        time.sleep(0.03)

    def click(self, node_or_point, button=1, count=1):
        x, y = node_or_point.center if isinstance(node_or_point, Node) else node_or_point
        self.move(x, y)
        time.sleep(0.05)
        self._xdotool("click", "--repeat", count, "--delay", 60, button)
        time.sleep(0.15)

    def double_click(self, node_or_point):
        self.click(node_or_point, count=2)

    def right_click(self, node_or_point):
        self.click(node_or_point, button=3)

    def drag(self, source, target, steps=12):
        """Presses on `source`, moves in small steps to `target` and lets go there."""
        sx, sy = source.center if isinstance(source, Node) else source
        tx, ty = target.center if isinstance(target, Node) else target
        self.move(sx, sy)
        self._xdotool("mousedown", 1)
        # A drag starts once the pointer passes the threshold, and the way
        # to it is not carried: creep over it, so the dragged thing lags the
        # pointer by a few points only.
        length = max(1.0, ((tx - sx) ** 2 + (ty - sy) ** 2) ** 0.5)
        for i in range(1, 6):
            time.sleep(0.03)
            self.move(sx + round((tx - sx) * 2 * i / length), sy + round((ty - sy) * 2 * i / length))
        for i in range(1, steps + 1):
            time.sleep(0.03)
            self.move(sx + (tx - sx) * i // steps, sy + (ty - sy) * i // steps)
        time.sleep(0.3)
        self.move(tx, ty + 1)
        time.sleep(0.2)
        self._xdotool("mouseup", 1)
        time.sleep(0.3)

    def wheel(self, node_or_point, notches):
        """Turns the wheel over a place: positive notches scroll down, negative up."""
        x, y = node_or_point.center if isinstance(node_or_point, Node) else node_or_point
        self.move(x, y)
        self._xdotool("click", "--repeat", abs(notches), "--delay", 30, 5 if notches > 0 else 4)
        time.sleep(0.3)

    def wheel_sideways(self, node_or_point, notches):
        """Turns the wheel sideways over a place: positive notches towards the right, negative left."""
        x, y = node_or_point.center if isinstance(node_or_point, Node) else node_or_point
        self.move(x, y)
        self._xdotool("click", "--repeat", abs(notches), "--delay", 30, 7 if notches > 0 else 6)
        time.sleep(0.3)

    def type(self, text, delay=25):
        self._xdotool("type", "--delay", delay, text)

    def hold_over(self, held, key, delay):
        """Presses `key` while `held` is still down, then lets go of both, in
        that order, `delay` ms apart: a fast typist's overlap."""
        self._xdotool("keydown", "--delay", delay, held, key)
        self._xdotool("keyup", "--delay", delay, held, key)

    def key(self, *keys):
        self._xdotool("key", "--delay", 40, *keys)
