#!/usr/bin/python3
"""Runs Debian's nginx as a reverse proxy in front of the token shim, for the integration tests.

    nginx_front.py start --dir DIR --server SERVER_JSON
                                  write DIR/nginx.conf, start nginx on a free loopback
                                  port in front of the server named in SERVER_JSON
                                  (the supysonic fixture's server.json), wait until it
                                  answers, write DIR/front.json, return
    nginx_front.py stop --dir DIR stop what `start` left running (by PID)

nginx runs with its default limits (large_client_header_buffers 4 8k), as a
new user's proxy would, under its own prefix: pid, temporary directories and
logs all in DIR, so no root is needed. Its access log has one line per request:
the method, the path without the query (the query carries the signing), the
status and the request's length in bytes, head and body.
"""

import argparse
import json
import os
import signal
import socket
import subprocess
import sys
import time

NGINX = "/usr/sbin/nginx"
START_TIMEOUT = 10
# nginx ends itself after this many seconds, in case nothing stops it: longer
# than a whole loaded, repeated ctest run, like the supysonic supervisor.
LIFETIME = 3 * 3600
LOG_FORMAT = "$request_method $uri $status $request_length"

CONFIG = """\
daemon off;
worker_processes 1;
pid %(dir)s/nginx.pid;
# Requests are logged as the access log's format says, without their query;
# only failures of nginx itself go here.
error_log %(dir)s/error.log crit;

events {
    worker_connections 64;
}

http {
    log_format lirna '%(format)s';
    access_log %(dir)s/access.log lirna;
    # A body is held in memory, never written to a file: it carries the signing.
    client_body_buffer_size 1m;
    client_body_temp_path %(dir)s/temp/body;
    proxy_temp_path %(dir)s/temp/proxy;
    fastcgi_temp_path %(dir)s/temp/fastcgi;
    uwsgi_temp_path %(dir)s/temp/uwsgi;
    scgi_temp_path %(dir)s/temp/scgi;

    server {
        listen 127.0.0.1:%(port)d;
        location / {
            proxy_pass %(upstream)s;
            proxy_http_version 1.1;
            proxy_set_header Connection "";
            proxy_set_header Host $http_host;
        }
    }
}
"""


def log(message):
    print("nginx-front: " + message, flush=True)


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def answers(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=1):
            return True
    except OSError:
        return False


def pid_of(directory):
    try:
        with open(os.path.join(directory, "nginx.pid")) as f:
            return int(f.read().strip())
    except (OSError, ValueError):
        return None


def is_our_nginx(pid, directory):
    """True when `pid` is the master nginx started from this directory, not a recycled PID."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as cmdline:
            args = cmdline.read()
    except OSError:
        return False
    return b"nginx" in args and os.fsencode(directory) in args


def stop(directory):
    pid = pid_of(directory)
    if pid is None or not is_our_nginx(pid, directory):
        log("nothing to stop in %s" % directory)
        return
    os.kill(pid, signal.SIGTERM)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            log("stopped nginx %d" % pid)
            return
        time.sleep(0.05)
    log("nginx %d did not stop, killing it" % pid)
    os.kill(pid, signal.SIGKILL)


def start(directory, server_json):
    os.makedirs(os.path.join(directory, "temp"), exist_ok=True)
    stop(directory)
    for name in ("front.json", "access.log", "error.log", "nginx.pid", "nginx.out"):
        try:
            os.remove(os.path.join(directory, name))
        except OSError:
            pass
    with open(server_json) as f:
        upstream = json.load(f)["url"]
    for attempt in range(3):
        port = free_port()
        config = os.path.join(directory, "nginx.conf")
        with open(config, "w") as out:
            out.write(CONFIG % {"dir": directory, "port": port, "upstream": upstream, "format": LOG_FORMAT})
        # -e: the log of the start itself, before the configuration is read.
        with open(os.path.join(directory, "nginx.out"), "a") as out:
            process = subprocess.Popen(
                ["timeout", str(LIFETIME), NGINX, "-p", directory, "-c", config,
                 "-e", os.path.join(directory, "error.log")],
                stdin=subprocess.DEVNULL, stdout=out, stderr=out, start_new_session=True, close_fds=True)
        deadline = time.monotonic() + START_TIMEOUT
        # It listens before it writes its pid: ready once both are there.
        ready = lambda: pid_of(directory) is not None and answers(port)  # noqa: E731
        while time.monotonic() < deadline and process.poll() is None and not ready():
            time.sleep(0.02)
        if process.poll() is not None:
            log("nginx did not start on port %d (attempt %d); see nginx.out" % (port, attempt + 1))
            continue
        if ready():
            url = "http://127.0.0.1:%d" % port
            temporary = os.path.join(directory, "front.json.tmp")
            with open(temporary, "w") as out:
                json.dump({"url": url, "accessLog": os.path.join(directory, "access.log")}, out, indent=2)
            os.replace(temporary, os.path.join(directory, "front.json"))
            log("ready at %s in front of %s" % (url, upstream))
            return 0
        stop(directory)
        process.terminate()
    log("nginx did not come up")
    return 1


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("command", choices=["start", "stop"])
    parser.add_argument("--dir", required=True, help="state directory (configuration, pid, logs, front.json)")
    parser.add_argument("--server", help="the server.json of the server to stand in front of (start only)")
    args = parser.parse_args()
    directory = os.path.abspath(args.dir)
    if args.command == "start":
        if not args.server:
            parser.error("start needs --server")
        return start(directory, os.path.abspath(args.server))
    stop(directory)
    return 0


if __name__ == "__main__":
    sys.exit(main())
