#!/usr/bin/env python3
"""Stand-in download server for tests and demos: a small HTTP/1.0 server on loopback.

It serves a data tree, checks Basic credentials (401) and, for absolute-URI requests as a proxy
receives them, proxy credentials (407). It records every raw request and can play, per path, the
faults that real servers have. The faults file (JSON) is read again for every request, so a test
changes the server's behaviour between two transfers by rewriting it. See README.md.

Run as a program (see --help) or drive it from Python with StandInServer (a context manager that
starts this file as a child process on a free port and stops it at the end).
"""

import argparse
import base64
import json
import os
import select
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

REASONS = {
    200: "OK", 204: "No Content", 301: "Moved Permanently", 302: "Found", 304: "Not Modified",
    400: "Bad Request", 401: "Unauthorized", 403: "Forbidden", 404: "Not Found",
    407: "Proxy Authentication Required", 408: "Request Timeout", 500: "Internal Server Error",
    503: "Service Unavailable", 505: "HTTP Version Not Supported",
}

# Fault switches that a path entry may hold, with the kind of value each takes.
FAULT_KEYS = {
    "status": int, "reason": str, "status_line": str, "body": str, "body_size": int,
    "content_length": (str, int), "headers": list, "header_line": int,
    "cut_header_after": int, "cut_body_after": int,
    "stall_header_after": int, "stall_body_after": int, "stall_seconds": (int, float),
    "stall_then": str, "trickle_bytes": int, "trickle_interval": (int, float), "trickle": list,
    "empty_body": bool,
    "delay": (int, float), "reset": bool, "times": int,
    "reset_body_after": int, "chunked": bool, "endless_header": bool, "no_status_line": bool,
}

MAX_REQUEST_HEAD = 65536


def synthetic_body(size):
    """A body of `size` bytes whose content depends on the offset (so truncation shows)."""
    pattern = bytes((i * 7 + i // 251) & 0xFF for i in range(65536))
    whole, rest = divmod(size, len(pattern))
    return pattern * whole + pattern[:rest]


class Faults:
    """The faults file: {"refuse": bool, "auth": {...}, "proxy_auth": {...}, "paths": {...}}."""

    def __init__(self, path):
        self.path = path
        self.data = {}
        self.stamp = None
        self.uses = {}
        self.lock = threading.Lock()

    def current(self):
        if not self.path:
            return self.data
        with self.lock:
            for _ in range(20):
                try:
                    st = os.stat(self.path)
                except FileNotFoundError:
                    self.data, self.stamp = {}, None
                    return self.data
                stamp = (st.st_mtime_ns, st.st_size, st.st_ino)
                if stamp == self.stamp:
                    return self.data
                try:
                    with open(self.path, "rb") as f:
                        data = json.loads(f.read().decode("utf-8") or "{}")
                    if not isinstance(data, dict):
                        raise ValueError("the faults file must hold a JSON object")
                    self.data, self.stamp = data, stamp
                    self.uses = {}
                    return self.data
                except (ValueError, OSError):
                    time.sleep(0.05)  # being rewritten: try again
            log_error("faults file %s unreadable; keeping the previous faults" % self.path)
            return self.data

    def for_path(self, path):
        """The fault entry for a path: "*" first, then the exact path over it; "times" limits uses."""
        paths = self.current().get("paths") or {}
        merged = {}
        with self.lock:
            for key in ("*", path):
                entry = paths.get(key)
                if not isinstance(entry, dict):
                    continue
                times = entry.get("times")
                if times is not None:
                    used = self.uses.get(key, 0)
                    if used >= times:
                        continue
                    self.uses[key] = used + 1
                merged.update(entry)
        for key, value in merged.items():
            kind = FAULT_KEYS.get(key)
            if kind is None:
                log_error("unknown fault switch %r ignored" % key)
            elif not isinstance(value, kind):
                log_error("fault switch %r has a value of the wrong kind: %r" % (key, value))
        return {k: v for k, v in merged.items() if k in FAULT_KEYS}


def log_error(text):
    sys.stderr.write("tkvn_server: %s\n" % text)
    sys.stderr.flush()


class Server:
    def __init__(self, args):
        self.root = os.path.abspath(args.root) if args.root else None
        self.host = args.host
        self.port = args.port
        self.args = args
        self.faults = Faults(args.faults)
        self.log_lock = threading.Lock()
        self.accepted = 0
        self.stopping = threading.Event()
        self.listener = None
        self.deadline = time.monotonic() + args.lifetime if args.lifetime > 0 else None

    # ---- listening -------------------------------------------------------------------------

    def listen(self):
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.bind((self.host, self.port))
        s.listen(64)
        self.port = s.getsockname()[1]
        self.listener = s

    def refusing(self):
        return bool(self.args.refuse or self.faults.current().get("refuse"))

    def parent_gone(self):
        if not self.args.parent_pid:
            return False
        try:
            os.kill(self.args.parent_pid, 0)
            return False
        except ProcessLookupError:
            return True
        except PermissionError:
            return False

    def serve_forever(self):
        self.listen()
        if self.args.port_file:
            tmp = self.args.port_file + ".tmp"
            with open(tmp, "w") as f:
                f.write("%d\n" % self.port)
            os.replace(tmp, self.args.port_file)
        print("tkvn_server: listening on %s:%d" % (self.host, self.port), flush=True)
        try:
            while not self.stopping.is_set():
                if self.deadline is not None and time.monotonic() >= self.deadline:
                    log_error("lifetime over, stopping")
                    break
                if self.parent_gone():
                    log_error("parent process gone, stopping")
                    break
                if self.refusing():
                    # Connections are refused at the TCP level while nothing listens on the port.
                    if self.listener is not None:
                        self.listener.close()
                        self.listener = None
                    time.sleep(0.05)
                    continue
                if self.listener is None:
                    try:
                        self.listen()
                    except OSError as e:
                        log_error("cannot listen again on port %d: %s" % (self.port, e))
                        time.sleep(0.1)
                        continue
                ready, _, _ = select.select([self.listener], [], [], 0.1)
                if not ready:
                    continue
                try:
                    conn, peer = self.listener.accept()
                except OSError:
                    continue
                self.accepted += 1
                t = threading.Thread(target=self.handle, args=(conn, peer, self.accepted), daemon=True)
                t.start()
        finally:
            self.stopping.set()
            if self.listener is not None:
                self.listener.close()

    # ---- one exchange ----------------------------------------------------------------------

    def handle(self, conn, peer, seq):
        # An exchange is logged when it ends, and a client that has its whole body may start the
        # next one first: `seq` keeps the order of arrival.
        record = {"time": time.time(), "client": "%s:%d" % peer, "seq": seq}
        try:
            self.exchange(conn, record)
        except OSError as e:
            record["error"] = str(e)
        finally:
            try:
                conn.close()
            except OSError:
                pass
            if record.get("raw") is not None:
                self.access_log(record)

    def read_head(self, conn):
        conn.settimeout(10)
        data = b""
        while b"\r\n\r\n" not in data and b"\n\n" not in data:
            if len(data) > MAX_REQUEST_HEAD:
                break
            try:
                chunk = conn.recv(4096)
            except socket.timeout:
                break
            if not chunk:
                break
            data += chunk
        return data

    def exchange(self, conn, record):
        raw = self.read_head(conn)
        record["raw"] = raw.decode("latin-1")
        self.request_log(raw)
        if not raw:
            return
        lines = raw.decode("latin-1").split("\n")
        request_line = lines[0].rstrip("\r")
        headers = {}
        for line in lines[1:]:
            line = line.rstrip("\r")
            if not line:
                break
            name, _, value = line.partition(":")
            headers[name.strip().lower()] = value.strip()
        parts = request_line.split(" ")
        method, target = (parts[0], parts[1]) if len(parts) >= 3 else ("", "")
        proxied = target.lower().startswith("http://")
        path = target
        if proxied:
            rest = target[len("http://"):]
            slash = rest.find("/")
            record["proxy_host"] = rest if slash < 0 else rest[:slash]
            path = "/" if slash < 0 else rest[slash:]
        path = path.split("?", 1)[0]
        record.update(method=method, target=target, path=path, proxied=proxied)

        fault = self.faults.for_path(path)
        record["fault"] = fault
        if fault.get("reset"):
            # An abortive close: the client sees the connection reset.
            conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            record["status"] = "reset"
            return
        if fault.get("delay"):
            time.sleep(float(fault["delay"]))

        status, body, extra = self.choose_response(method, path, proxied, headers, fault)
        if fault.get("empty_body") and status == 200:
            body = b""
        record["status"] = status
        head = self.build_head(status, body, extra, fault)
        if fault.get("chunked"):
            body = self.chunk(body)
        if fault.get("endless_header"):
            record["sent"] = self.send_endless_header(conn, head)
            return
        if "reset_body_after" in fault:
            record["sent"] = self.send_then_reset(conn, head + body[:fault["reset_body_after"]])
            return
        record["sent"] = self.send_response(conn, head, body, fault)
        self.finish(conn)

    def credentials(self, key, user, password):
        conf = self.faults.current().get(key)
        if isinstance(conf, dict):
            return conf.get("user"), conf.get("password")
        return user, password

    @staticmethod
    def basic_matches(header, user, password):
        expected = "Basic " + base64.b64encode(("%s:%s" % (user, password)).encode("latin-1")).decode()
        return header == expected

    def choose_response(self, method, path, proxied, headers, fault):
        """Status, body bytes and extra header lines, before the fault switches shape them."""
        extra = []
        puser, ppass = self.credentials("proxy_auth", self.args.proxy_user, self.args.proxy_password)
        if proxied and puser is not None:
            if not self.basic_matches(headers.get("proxy-authorization"), puser, ppass or ""):
                extra.append('Proxy-Authenticate: Basic realm="tkvn-proxy"')
                return 407, b"<html><body>Proxy authentication required</body></html>\r\n", extra
        user, password = self.credentials("auth", self.args.user, self.args.password)
        if user is not None:
            if not self.basic_matches(headers.get("authorization"), user, password or ""):
                extra.append('WWW-Authenticate: Basic realm="tkvn"')
                return 401, b"<html><body>Authorisation required</body></html>\r\n", extra
        if "status" in fault and fault["status"] != 200:
            body = fault.get("body", "<html><body>Status %d</body></html>\r\n" % fault["status"])
            return fault["status"], body.encode("latin-1"), extra
        if method != "GET":
            return 400, b"<html><body>Bad request</body></html>\r\n", extra
        if "body" in fault:
            return 200, fault["body"].encode("latin-1"), extra
        if "body_size" in fault:
            return 200, synthetic_body(fault["body_size"]), extra
        data = self.read_file(path)
        if data is None:
            return 404, b"<html><body>Not found</body></html>\r\n", extra
        return 200, data, extra

    def read_file(self, path):
        if self.root is None or not path.startswith("/"):
            return None
        parts = [p for p in path.split("/") if p]
        if any(p in ("..", ".") or "\\" in p for p in parts):
            return None
        full = os.path.join(self.root, *parts)
        if not os.path.realpath(full).startswith(os.path.realpath(self.root) + os.sep):
            return None
        try:
            with open(full, "rb") as f:
                return f.read()
        except (IsADirectoryError, FileNotFoundError, NotADirectoryError, PermissionError):
            return None

    @staticmethod
    def build_head(status, body, extra, fault):
        chunked = fault.get("chunked")
        if fault.get("no_status_line"):
            lines = []
        elif "status_line" in fault:
            lines = [fault["status_line"]]
        else:
            version = "HTTP/1.1" if chunked else "HTTP/1.0"
            lines = ["%s %d %s" % (version, status, fault.get("reason", REASONS.get(status, "Unknown")))]
        if "header_line" in fault:
            # A line of exactly this many bytes before its line feed, the carriage return included.
            n = max(fault["header_line"], 10)
            lines.append("X-Filler: " + "f" * (n - 11))
        lines.append("Server: tkvn-standin")
        lines.append("Content-Type: application/octet-stream")
        length = "none" if fault.get("empty_body") and status == 200 else fault.get("content_length", "normal")
        if chunked:
            lines.append("Transfer-Encoding: chunked")  # and no length, as HTTP/1.1 requires
        elif isinstance(length, int):
            lines.append("Content-Length: %d" % length)
        elif length == "normal":
            lines.append("Content-Length: %d" % len(body))
        elif length == "lower":
            lines.append("content-length: %d" % len(body))
        elif length == "noblank":
            lines.append("Content-Length:%d" % len(body))
        elif length == "negative":
            lines.append("Content-Length: -1")
        elif length != "none":
            lines.append("Content-Length: %s" % length)
        lines.extend(extra)
        lines.extend(str(h) for h in fault.get("headers", []))
        return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")

    @staticmethod
    def chunk(body, size=1000):
        """The body in the chunked framing of HTTP/1.1: hex size, CR LF, data, CR LF; a zero chunk ends it."""
        out = b""
        for i in range(0, len(body), size):
            piece = body[i:i + size]
            out += b"%x\r\n" % len(piece) + piece + b"\r\n"
        return out + b"0\r\n\r\n"

    def send_endless_header(self, conn, head):
        """The head without its empty line, then short header lines until the client or the server
        gives up; returns the bytes sent."""
        conn.settimeout(30)
        sent = 0
        try:
            conn.sendall(head[:-2])
            sent = len(head) - 2
            n = 0
            while not self.stopping.is_set() and not self.client_gone(conn):
                line = b"X-Pad-%d: more\r\n" % n
                conn.sendall(line)
                sent += len(line)
                n += 1
                if n % 64 == 0:
                    time.sleep(0.001)
        except OSError:
            pass
        return sent

    @staticmethod
    def send_then_reset(conn, data):
        """Sends `data`, gives the client time to read it, then resets the connection (SO_LINGER 0)."""
        conn.settimeout(30)
        conn.sendall(data)
        time.sleep(0.3)
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        return len(data)

    def client_gone(self, conn):
        try:
            ready, _, _ = select.select([conn], [], [], 0)
            if ready:
                return conn.recv(1, socket.MSG_PEEK) == b""
        except OSError:
            return True
        return False

    def pause(self, conn, seconds):
        """Sends nothing for `seconds`; False when the client has gone meanwhile."""
        end = time.monotonic() + seconds
        while True:
            if self.stopping.is_set() or self.client_gone(conn):
                return False
            left = end - time.monotonic()
            if left <= 0:
                return True
            time.sleep(min(left, 0.02))

    def stall(self, conn, fault):
        """Sends nothing for stall_seconds (default: until the client gives up); True to go on."""
        if not self.pause(conn, float(fault.get("stall_seconds", 3600))):
            return False
        return fault.get("stall_then", "continue") != "close"

    def send_response(self, conn, head, body, fault):
        """Sends head and body with the cut, stall and trickle switches; returns the bytes sent."""
        data = memoryview(head + body)
        end = len(data)
        cut = None
        if "cut_header_after" in fault:
            cut = min(fault["cut_header_after"], len(head))
        elif "cut_body_after" in fault:
            cut = len(head) + min(fault["cut_body_after"], len(body))
        if cut is not None:
            end = cut
        stall_at = None
        if "stall_header_after" in fault:
            stall_at = min(fault["stall_header_after"], len(head))
        elif "stall_body_after" in fault:
            stall_at = len(head) + min(fault["stall_body_after"], len(body))
        chunk = max(1, fault.get("trickle_bytes", 65536))
        interval = float(fault.get("trickle_interval", 0.0)) if "trickle_bytes" in fault else 0.0
        conn.settimeout(30)
        sent = 0
        trickle = fault.get("trickle")
        if isinstance(trickle, list) and len(trickle) == 2:
            # The header at once, then the body a few bytes at a time.
            conn.sendall(data[:min(len(head), end)])
            sent = min(len(head), end)
            chunk, interval = max(1, int(trickle[0])), float(trickle[1])
        while sent < end:
            if stall_at is not None and sent == stall_at:
                stall_at = None
                if not self.stall(conn, fault):
                    return sent
            limit = end if stall_at is None else min(end, stall_at)
            n = conn.send(data[sent:min(limit, sent + chunk)])
            sent += n
            if interval and not self.pause(conn, interval):
                return sent
        if stall_at is not None and sent == stall_at:
            self.stall(conn, fault)
        return sent

    @staticmethod
    def finish(conn):
        """Ends the body by closing, after the client has read it (no reset that would eat it)."""
        try:
            conn.shutdown(socket.SHUT_WR)
            conn.settimeout(5)
            while conn.recv(4096):
                pass
        except OSError:
            pass

    # ---- logs ------------------------------------------------------------------------------

    def request_log(self, raw):
        if not self.args.request_log:
            return
        with self.log_lock:
            with open(self.args.request_log, "ab") as f:
                f.write(raw)

    def access_log(self, record):
        if not self.args.access_log:
            return
        with self.log_lock:
            with open(self.args.access_log, "a", encoding="utf-8") as f:
                f.write(json.dumps(record, sort_keys=True) + "\n")


def parse_args(argv):
    p = argparse.ArgumentParser(description="Stand-in download server (HTTP/1.0 on loopback).")
    p.add_argument("--root", help="data tree served by path (absent: every file is 404)")
    p.add_argument("--host", default="127.0.0.1", help="address to bind (default 127.0.0.1)")
    p.add_argument("--port", type=int, default=0, help="TCP port; 0 picks a free one (default)")
    p.add_argument("--port-file", help="write the port here once listening")
    p.add_argument("--lifetime", type=float, default=600,
                   help="stop after this many seconds (default 600; 0 = no limit)")
    p.add_argument("--parent-pid", type=int, help="stop when this process has gone")
    p.add_argument("--user", help="require these Basic credentials (401 otherwise)")
    p.add_argument("--password", default="", help="password for --user")
    p.add_argument("--proxy-user", help="absolute-URI requests need these proxy credentials (407)")
    p.add_argument("--proxy-password", default="", help="password for --proxy-user")
    p.add_argument("--faults", help="JSON faults file, read again for every request")
    p.add_argument("--request-log", help="append every raw request head here, byte for byte")
    p.add_argument("--access-log", help="append one JSON line per exchange here")
    p.add_argument("--refuse", action="store_true", help="refuse connections (nothing listens)")
    return p.parse_args(argv)


def main(argv=None):
    args = parse_args(argv if argv is not None else sys.argv[1:])
    server = Server(args)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


class StandInServer:
    """Runs the server as a child process for a test:

        with StandInServer(root, user="u", password="p") as srv:
            srv.port, srv.set_faults({"paths": {"/x": {"status": 302}}}), srv.requests()
    """

    def __init__(self, root=None, lifetime=300, workdir=None, **options):
        """`options` are the command-line switches in Python spelling (user="u", refuse=True).
        The faults file and the logs go into `workdir` (default: a fresh temporary folder, removed
        on leaving the with block)."""
        self.root = root
        self.lifetime = lifetime
        self.options = options
        self.dir = workdir
        self.own_dir = workdir is None
        self.process = None
        self.port = None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()
        if self.own_dir and self.dir:
            shutil.rmtree(self.dir, ignore_errors=True)

    def start(self):
        if self.dir is None:
            self.dir = tempfile.mkdtemp(prefix="tkvn-server-")
        os.makedirs(self.dir, exist_ok=True)
        self.faults_path = os.path.join(self.dir, "faults.json")
        self.request_log_path = os.path.join(self.dir, "requests.log")
        self.access_log_path = os.path.join(self.dir, "access.log")
        port_file = os.path.join(self.dir, "port")
        if os.path.exists(port_file):
            os.remove(port_file)
        self.set_faults({})
        cmd = [sys.executable, os.path.abspath(__file__), "--port", "0", "--port-file", port_file,
               "--lifetime", str(self.lifetime), "--parent-pid", str(os.getpid()),
               "--faults", self.faults_path, "--request-log", self.request_log_path,
               "--access-log", self.access_log_path]
        if self.root:
            cmd += ["--root", self.root]
        for key, value in self.options.items():
            flag = "--" + key.replace("_", "-")
            if value is True:
                cmd.append(flag)
            elif value is not None and value is not False:
                cmd += [flag, str(value)]
        self.process = subprocess.Popen(cmd, stdout=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if os.path.exists(port_file):
                with open(port_file) as f:
                    self.port = int(f.read())
                return self
            if self.process.poll() is not None:
                raise RuntimeError("stand-in server ended at start (%d)" % self.process.returncode)
            time.sleep(0.02)
        self.stop()
        raise RuntimeError("stand-in server did not start")

    def stop(self):
        if self.process is not None and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None

    def set_faults(self, faults):
        """Replaces the faults file at once (written beside, then renamed over it)."""
        tmp = self.faults_path + ".tmp"
        with open(tmp, "w") as f:
            json.dump(faults, f)
        os.replace(tmp, self.faults_path)

    def raw_requests(self):
        """Every request head received so far, as bytes, in order of arrival."""
        try:
            with open(self.request_log_path, "rb") as f:
                data = f.read()
        except FileNotFoundError:
            return []
        heads = []
        while data:
            i = data.find(b"\r\n\r\n")
            if i < 0:
                heads.append(data)
                break
            heads.append(data[:i + 4])
            data = data[i + 4:]
        return heads

    def requests(self, settle=5.0):
        """One dict per exchange (method, target, path, proxied, status, sent, fault, raw), in order
        of arrival. An exchange whose request has arrived is waited for (up to `settle` seconds)
        until the server has finished and logged it."""
        deadline = time.monotonic() + settle
        while True:
            try:
                with open(self.access_log_path, encoding="utf-8") as f:
                    records = [json.loads(line) for line in f if line.strip()]
            except FileNotFoundError:
                records = []
            if len(records) >= len(self.raw_requests()) or time.monotonic() > deadline:
                return sorted(records, key=lambda r: r.get("seq", 0))
            time.sleep(0.05)


if __name__ == "__main__":
    sys.exit(main())
