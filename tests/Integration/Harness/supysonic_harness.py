#!/usr/bin/python3
"""Runs Debian's supysonic behind the token shim on 127.0.0.1 for the integration tests.

    supysonic_harness.py start --dir DIR   set up a fresh server in DIR, start it in the
                                           background, wait until "ping" answers, return
    supysonic_harness.py stop --dir DIR    stop what `start` left running (by PID)
    supysonic_harness.py demo --dir DIR [--port PORT]
                                           the same server in the foreground until Ctrl-C

`start` generates the music library once (DIR/library, reused while the
generator is unchanged), writes a supysonic.conf with a fresh sqlite database,
adds the two test users, scans, then hands over to a supervisor process that
runs supysonic-server and the shim on free loopback ports. The supervisor
writes DIR/server.json (address and accounts) once "ping" answers through the
shim, and stops supysonic when it is told to, when it has lived for its
lifetime limit, or when it dies. Logs go to DIR/*.log.
"""

import argparse
import ctypes
import fcntl
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time
import urllib.parse
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
# Keep the source tree clean of compiled modules.
sys.dont_write_bytecode = True

import token_shim  # noqa: E402

SYSTEM_PYTHON = "/usr/bin/python3"
SUPYSONIC_CLI = "/usr/bin/supysonic-cli"
SUPYSONIC_SERVER = "/usr/bin/supysonic-server"

# The first account is an administrator; the second's password needs care in
# every encoding step (non-ASCII, spaces and URL delimiters).
ACCOUNTS = [
    {"username": "lirna", "password": "lirna-integration", "admin": True},
    {"username": "guest", "password": "gäst pass+&=%", "admin": False},
]

START_TIMEOUT = 90        # set-up, scan and first ping together
PING_TIMEOUT = 30         # supysonic-server answering after its start
COMMAND_TIMEOUT = 60      # one supysonic-cli call
# The supervisor ends itself after this many seconds, in case nothing stops
# it: longer than a whole loaded, repeated ctest run, which keeps one server.
DEFAULT_LIFETIME = 3 * 3600


def log(message):
    print("supysonic-harness: " + message, flush=True)


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def die_with_parent():
    # Runs in the child before exec: SIGTERM it should the supervisor die.
    libc = ctypes.CDLL(None, use_errno=True)
    PR_SET_PDEATHSIG = 1
    libc.prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def server_env(directory):
    env = dict(os.environ)
    env["HOME"] = os.path.join(directory, "home")
    env.pop("PYTHONPATH", None)
    env.pop("PYTHONHOME", None)
    env["LC_ALL"] = "C.UTF-8"
    return env


def write_config(directory, library):
    run = os.path.join(directory, "run")
    with open(os.path.join(run, "supysonic.conf"), "w") as conf:
        conf.write(
            "[base]\n"
            "database_uri = sqlite:///%(run)s/supysonic.db\n"
            "[webapp]\n"
            "cache_dir = %(run)s/cache\n"
            "log_file = %(dir)s/supysonic-webapp.log\n"
            "log_level = INFO\n"
            "mount_webui = no\n"
            "[daemon]\n"
            "socket =\n"
            "run_watcher = no\n"
            "log_file = %(dir)s/supysonic-daemon.log\n"
            % {"run": run, "dir": directory})


def cli(directory, *args):
    with open(os.path.join(directory, "supysonic-cli.log"), "a") as out:
        out.write("$ supysonic-cli %s\n" % " ".join(a if a not in [x["password"] for x in ACCOUNTS] else "***"
                                                     for a in args))
        out.flush()
        subprocess.run([SYSTEM_PYTHON, SUPYSONIC_CLI, *args], cwd=os.path.join(directory, "run"),
                       env=server_env(directory), stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                       timeout=COMMAND_TIMEOUT, check=True)


def prepare(directory, library):
    """A fresh supysonic home: configuration, empty database, users, scanned library."""
    run = os.path.join(directory, "run")
    shutil.rmtree(run, ignore_errors=True)
    shutil.rmtree(os.path.join(directory, "home"), ignore_errors=True)
    os.makedirs(os.path.join(run, "cache"))
    os.makedirs(os.path.join(directory, "home"))
    write_config(directory, library)
    for account in ACCOUNTS:
        cli(directory, "user", "add", account["username"], "-p", account["password"])
        if account["admin"]:
            cli(directory, "user", "setroles", "-A", account["username"])
    cli(directory, "folder", "add", "Music", library)
    cli(directory, "folder", "scan", "--foreground", "Music")


def signed_ping(base_url, account):
    salt = "harness%d" % time.monotonic_ns()
    query = urllib.parse.urlencode({
        "u": account["username"], "t": token_shim.token(account["password"], salt), "s": salt,
        "v": "1.16.1", "c": "supysonic-harness", "f": "json"}, quote_via=urllib.parse.quote)
    return ping(base_url + "/rest/ping?" + query)


def ping(url):
    try:
        with urllib.request.urlopen(url, timeout=5) as answer:
            body = json.load(answer)
        return body["subsonic-response"]["status"] == "ok"
    except (OSError, ValueError, KeyError, TypeError):
        return False


def start_supysonic(directory):
    """Starts supysonic-server on a free port; returns (process, port) once it answers."""
    account = ACCOUNTS[0]
    for attempt in range(3):
        port = free_port()
        log_file = open(os.path.join(directory, "supysonic-server.log"), "a")
        process = subprocess.Popen(
            [SYSTEM_PYTHON, SUPYSONIC_SERVER, "-S", "waitress", "-h", "127.0.0.1", "-p", str(port)],
            cwd=os.path.join(directory, "run"), env=server_env(directory), stdin=subprocess.DEVNULL,
            stdout=log_file, stderr=log_file, preexec_fn=die_with_parent)
        log_file.close()
        query = urllib.parse.urlencode({"u": account["username"], "p": account["password"], "v": "1.16.1",
                                        "c": "supysonic-harness", "f": "json"})
        url = "http://127.0.0.1:%d/rest/ping?%s" % (port, query)
        deadline = time.monotonic() + PING_TIMEOUT
        while time.monotonic() < deadline and process.poll() is None:
            if ping(url):
                return process, port
            time.sleep(0.1)
        stop_process(process)
        log("supysonic-server did not answer on port %d (attempt %d)" % (port, attempt + 1))
    raise RuntimeError("supysonic-server did not start; see supysonic-server.log")


def stop_process(process, grace=5):
    if process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(grace)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def write_json(path, value):
    temporary = path + ".tmp"
    with open(temporary, "w") as out:
        json.dump(value, out, indent=2, ensure_ascii=False)
    os.replace(temporary, path)


def serve(directory, library, port, lifetime, announce):
    """The supervisor: supysonic-server as a child, the shim in this process."""
    state_path = os.path.join(directory, "server.json")
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())

    # One server per state directory: a second one would wipe the first's database.
    lock = open(os.path.join(directory, "serve.lock"), "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError as error:
        raise RuntimeError("another server runs from %s" % directory) from error

    prepare(directory, library)
    process, backend_port = start_supysonic(directory)
    shim = None
    shim_log = open(os.path.join(directory, "shim.log"), "a")
    try:
        try:
            shim = token_shim.make_server("127.0.0.1", port, {a["username"]: a["password"] for a in ACCOUNTS},
                                          ("127.0.0.1", backend_port), shim_log)
        except OSError as error:
            raise RuntimeError("cannot listen on 127.0.0.1:%d: %s" % (port, error.strerror)) from error
        threading.Thread(target=shim.serve_forever, daemon=True).start()
        base_url = "http://127.0.0.1:%d" % shim.server_address[1]
        if not signed_ping(base_url, ACCOUNTS[0]):
            raise RuntimeError("the shim does not answer a signed ping")
        write_json(state_path, {
            "url": base_url,
            "accounts": [{"username": a["username"], "password": a["password"]} for a in ACCOUNTS],
            "supervisorPid": os.getpid(),
            "serverPid": process.pid,
            "backendPort": backend_port,
            "library": library,
        })
        announce(base_url)
        deadline = time.monotonic() + lifetime if lifetime > 0 else None
        while not stop.is_set():
            if process.poll() is not None:
                log("supysonic-server exited with status %s" % process.returncode)
                break
            if deadline is not None and time.monotonic() > deadline:
                log("lifetime of %d s reached, stopping" % lifetime)
                break
            stop.wait(0.5)
    finally:
        try:
            os.remove(state_path)
        except OSError:
            pass
        if shim is not None:
            shim.shutdown()
            shim.server_close()
        stop_process(process)
        shim_log.close()


def pid_file(directory):
    return os.path.join(directory, "supervisor.pid")


def is_our_supervisor(pid, directory):
    """True when `pid` is still this directory's supervisor, not a recycled PID."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as cmdline:
            args = cmdline.read().split(b"\0")
    except OSError:
        return False
    return (any(arg.endswith(b"supysonic_harness.py") for arg in args) and b"serve" in args
            and os.fsencode(directory) in args)


def wait_gone(pid, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            return True
        time.sleep(0.1)
    return False


def stop(directory):
    try:
        with open(pid_file(directory)) as f:
            pid = int(f.read().strip())
    except (OSError, ValueError):
        log("nothing to stop in %s" % directory)
        return
    if is_our_supervisor(pid, directory):
        os.kill(pid, signal.SIGTERM)
        if not wait_gone(pid, 15):
            log("supervisor %d did not stop, killing it" % pid)
            os.kill(pid, signal.SIGKILL)
            wait_gone(pid, 5)
        log("stopped supervisor %d" % pid)
    else:
        log("supervisor %d is already gone" % pid)
    try:
        os.remove(pid_file(directory))
    except OSError:
        pass


def generate_library(directory, generator="make_library.py"):
    subprocess.run([SYSTEM_PYTHON, os.path.join(HERE, generator), directory], check=True,
                   timeout=COMMAND_TIMEOUT)
    return os.path.join(directory, "library")


def tail(path, lines=30):
    try:
        with open(path, errors="replace") as f:
            return "".join(f.readlines()[-lines:])
    except OSError:
        return ""


def start(directory, lifetime, generator="make_library.py"):
    os.makedirs(directory, exist_ok=True)
    stop(directory)
    for name in ("server.json", "harness.log", "shim.log", "supysonic-server.log", "supysonic-cli.log",
                 "supysonic-webapp.log", "supysonic-daemon.log"):
        try:
            os.remove(os.path.join(directory, name))
        except OSError:
            pass
    library = generate_library(directory, generator)

    with open(os.path.join(directory, "harness.log"), "a") as out:
        supervisor = subprocess.Popen(
            [SYSTEM_PYTHON, os.path.abspath(__file__), "serve", "--dir", directory, "--library", library,
             "--lifetime", str(lifetime)],
            stdin=subprocess.DEVNULL, stdout=out, stderr=out, start_new_session=True, close_fds=True)
    with open(pid_file(directory), "w") as f:
        f.write("%d\n" % supervisor.pid)

    state_path = os.path.join(directory, "server.json")
    deadline = time.monotonic() + START_TIMEOUT
    while time.monotonic() < deadline:
        if os.path.exists(state_path):
            with open(state_path) as f:
                log("ready at %s (logs in %s)" % (json.load(f)["url"], directory))
            return 0
        if supervisor.poll() is not None:
            break
        time.sleep(0.1)
    log("the server did not come up; last lines of the logs:")
    for name in ("harness.log", "supysonic-cli.log", "supysonic-server.log"):
        print("--- %s\n%s" % (name, tail(os.path.join(directory, name))), flush=True)
    stop(directory)
    return 1


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("command", choices=["start", "stop", "serve", "demo"])
    parser.add_argument("--dir", required=True, help="state directory (logs, database, server.json)")
    parser.add_argument("--library", help="music library folder (serve only)")
    parser.add_argument("--port", type=int, default=0, help="shim port (serve and demo; 0 picks a free one)")
    parser.add_argument("--lifetime", type=int, default=DEFAULT_LIFETIME,
                        help="seconds before the supervisor stops by itself (0: never)")
    parser.add_argument("--generator", default="make_library.py",
                        help="the library's generator script beside this one (start and demo)")
    args = parser.parse_args()
    directory = os.path.abspath(args.dir)

    if args.command == "start":
        return start(directory, args.lifetime, args.generator)
    if args.command == "stop":
        stop(directory)
        return 0
    if args.command == "serve":
        serve(directory, args.library, args.port, args.lifetime, lambda url: None)
        return 0

    os.makedirs(directory, exist_ok=True)
    library = generate_library(directory, args.generator)

    def announce(url):
        print("\nSubsonic server ready (supysonic behind the token shim).\n"
              "  Server address: %s\n" % url, flush=True)
        for account in ACCOUNTS:
            print("  User: %-8s Password: %s" % (account["username"], account["password"]))
        print("\nLogs in %s. Press Ctrl-C to stop." % directory, flush=True)

    try:
        serve(directory, library, args.port, 0, announce)
    except RuntimeError as error:
        log(str(error))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
