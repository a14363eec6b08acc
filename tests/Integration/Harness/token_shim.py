"""A token-checking front for supysonic, for the integration tests only.

supysonic keeps password hashes, so it cannot check the salted token that
the client sends ("t" = md5(password + "s")). This shim knows the test
accounts' passwords: it checks the token and forwards the request to supysonic
with the password in place of the token. A wrong token (or an unknown user) is
forwarded with the token itself as the password, so supysonic answers with its
own refusal. A request that carries a clear password ("p") is refused here:
the client must never send one. A POST may carry its parameters, signing
included, in an application/x-www-form-urlencoded body: they are read and
rewritten there as in the query, and the body goes on to supysonic, which
reads a form as it reads the query.
"""

import hashlib
import hmac
import http.client
import http.server
import json
import threading
import urllib.parse
from xml.sax.saxutils import quoteattr

# Hop-by-hop headers are the shim's own business on each side.
HOP_BY_HOP = {
    "connection", "keep-alive", "proxy-authenticate", "proxy-authorization", "te", "trailers",
    "transfer-encoding", "upgrade",
}
FORWARDED_REQUEST_HEADERS = ("Range", "If-Range", "If-Modified-Since", "If-None-Match", "User-Agent", "Accept")
CHUNK = 64 * 1024


def token(password, salt):
    return hashlib.md5((password + salt).encode("utf-8")).hexdigest()


class ShimHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    # An idle keep-alive connection is dropped after this many seconds.
    timeout = 30

    # Set on the subclass that serve() builds.
    accounts = {}
    backend = ("127.0.0.1", 0)
    log_file = None
    log_lock = threading.Lock()

    def do_GET(self):
        self._handle(send_body=True)

    def do_HEAD(self):
        self._handle(send_body=False)

    def do_POST(self):
        self._handle(send_body=True)

    def _read_form(self):
        """The items of a POST's form body (empty for any other request or body)."""
        if self.command != "POST":
            return None
        try:
            length = int(self.headers.get("Content-Length") or 0)
        except ValueError:
            length = 0
        body = self.rfile.read(length) if length > 0 else b""
        content_type = (self.headers.get("Content-Type") or "").split(";")[0].strip().lower()
        if content_type != "application/x-www-form-urlencoded":
            return []
        return urllib.parse.parse_qsl(body.decode("latin-1"), keep_blank_values=True)

    def _handle(self, send_body):
        path, _, query = self.path.partition("?")
        # The body is read first, so that the connection stays in step.
        form = self._read_form()
        if not path.startswith("/rest/"):
            self._send_plain(404, b"Not found\n", send_body)
            return
        query_items = urllib.parse.parse_qsl(query, keep_blank_values=True)
        items = query_items + (form or [])
        values = dict(items)
        response_format = values.get("f", "xml")

        if "p" in values:
            self._send_error_envelope(42, "Provided authentication mechanism not supported", response_format,
                                      send_body)
            return
        if not all(name in values for name in ("u", "t", "s")):
            self._send_error_envelope(10, "Required parameter is missing.", response_format, send_body)
            return
        password = self.accounts.get(values["u"])
        if password is None or not hmac.compare_digest(token(password, values["s"]), values["t"].lower()):
            # supysonic itself refuses the account: the token stands in for a
            # password it cannot match (no test password is 32 hex digits).
            password = values["t"]

        def rewritten(items):
            forwarded = []
            for name, value in items:
                if name == "t":
                    forwarded.append(("p", "enc:" + password.encode("utf-8").hex()))
                elif name != "s":
                    forwarded.append((name, value))
            return urllib.parse.urlencode(forwarded, quote_via=urllib.parse.quote, safe="")

        target = path + "?" + rewritten(query_items) if query_items or form is None else path
        form_body = None if form is None else rewritten(form).encode("ascii")
        self._forward(target, send_body, form_body)

    def _forward(self, target, send_body, form_body=None):
        headers = {name: self.headers[name] for name in FORWARDED_REQUEST_HEADERS if self.headers.get(name)}
        if form_body is not None:
            headers["Content-Type"] = "application/x-www-form-urlencoded"
        connection = http.client.HTTPConnection(*self.backend, timeout=30)
        try:
            try:
                connection.request(self.command, target, body=form_body, headers=headers)
                upstream = connection.getresponse()
            except OSError as error:
                self._send_plain(502, ("Bad gateway: %s\n" % error).encode(), send_body)
                return
            length = upstream.getheader("Content-Length")
            body = None
            if length is None and self.command != "HEAD":
                body = upstream.read()
                length = str(len(body))
            self.send_response(upstream.status, upstream.reason)
            for name, value in upstream.getheaders():
                if name.lower() not in HOP_BY_HOP and name.lower() not in ("content-length", "server", "date"):
                    self.send_header(name, value)
            if length is not None:
                self.send_header("Content-Length", length)
            self.end_headers()
            if not send_body:
                return
            if body is not None:
                self.wfile.write(body)
                return
            while True:
                chunk = upstream.read(CHUNK)
                if not chunk:
                    break
                self.wfile.write(chunk)
        finally:
            connection.close()

    def _send_error_envelope(self, code, message, response_format, send_body):
        if response_format == "json":
            body = json.dumps({"subsonic-response": {
                "status": "failed", "version": "1.16.1", "error": {"code": code, "message": message}}}).encode()
            content_type = "application/json"
        else:
            body = ('<?xml version="1.0" encoding="UTF-8"?>\n'
                    '<subsonic-response xmlns="http://subsonic.org/restapi" status="failed" version="1.16.1">'
                    '<error code="%d" message=%s/></subsonic-response>\n' % (code, quoteattr(message))).encode()
            content_type = "text/xml; charset=utf-8"
        # Subsonic reports its failures inside an HTTP 200 answer.
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if send_body:
            self.wfile.write(body)

    def _send_plain(self, status, body, send_body):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if send_body:
            self.wfile.write(body)

    def log_request(self, code="-", size="-"):
        # The query carries the signing items: only the method and path are logged.
        path = self.path.partition("?")[0]
        self.log_message('"%s %s" %s', self.command, path, code)

    def log_message(self, format, *args):
        if self.log_file is None:
            return
        with self.log_lock:
            self.log_file.write("%s %s\n" % (self.log_date_time_string(), format % args))
            self.log_file.flush()


class ShimServer(http.server.ThreadingHTTPServer):
    daemon_threads = True


def make_server(host, port, accounts, backend, log_file=None):
    """Binds the shim (port 0 picks a free one); call serve_forever() on the result."""
    handler = type("BoundShimHandler", (ShimHandler,), {
        "accounts": dict(accounts), "backend": backend, "log_file": log_file,
    })
    return ShimServer((host, port), handler)
