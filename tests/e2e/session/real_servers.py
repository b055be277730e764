"""nginx (with HTTP Basic authentication) and tinyproxy from Debian's packages, run in the
foreground on loopback ports with configurations written here, and stopped at the end."""

import os
import shutil
import socket
import subprocess
import tempfile
import time

import harness as h


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def ensure_installed():
    if shutil.which("nginx") and shutil.which("tinyproxy") and shutil.which("openssl"):
        return
    subprocess.run(["bash", os.path.join(h.SOURCE, "tools", "setup.sh")], check=True, timeout=600)


def wait_listening(port, process, what, timeout=10):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise h.Failure("%s ended at start (%d)" % (what, process.returncode))
        with socket.socket() as s:
            if s.connect_ex(("127.0.0.1", port)) == 0:
                return
        time.sleep(0.05)
    raise h.Failure("%s does not listen on %d" % (what, port))


class Daemon:
    def __init__(self, name):
        self.name = name
        self.dir = tempfile.mkdtemp(prefix="tkvn-%s-" % name)
        self.port = free_port()
        self.process = None

    def log(self, name):
        try:
            with open(os.path.join(self.dir, name), errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


class Nginx(Daemon):
    """Serves `root` with Basic authentication for user:password; answers absolute URIs too."""

    def __init__(self, root, user, password):
        super().__init__("nginx")
        self.root, self.user, self.password = root, user, password

    def start(self):
        hashed = subprocess.run(["openssl", "passwd", "-apr1", self.password], check=True, capture_output=True,
                                text=True, timeout=30).stdout.strip()
        with open(os.path.join(self.dir, "htpasswd"), "w") as f:
            f.write("%s:%s\n" % (self.user, hashed))
        d = self.dir
        temp = "\n".join("  %s_temp_path %s/%s;" % (k, d, k) for k in ("client_body", "proxy", "fastcgi"))
        with open(os.path.join(d, "nginx.conf"), "w") as f:
            f.write("""daemon off;
master_process off;
pid %(d)s/nginx.pid;
error_log %(d)s/error.log;
events { worker_connections 64; }
http {
  access_log %(d)s/access.log;
%(temp)s
  types { text/html phtml; text/plain txt ini; application/octet-stream lzh; }
  server {
    listen 127.0.0.1:%(port)d;
    root %(root)s;
    auth_basic "vendor";
    auth_basic_user_file %(d)s/htpasswd;
  }
}
""" % {"d": d, "temp": temp, "port": self.port, "root": self.root})
        self.process = subprocess.Popen(["nginx", "-c", os.path.join(d, "nginx.conf"), "-p", d],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_listening(self.port, self.process, "nginx")

    def requests(self):
        return [line for line in self.log("access.log").splitlines() if line]


class TinyProxy(Daemon):
    """A proxy with Basic proxy authentication that hands every request on to `upstream_port`
    (nginx, which takes the absolute URI), so the download server's name need not resolve."""

    def __init__(self, upstream_port, user, password):
        super().__init__("tinyproxy")
        self.upstream_port, self.user, self.password = upstream_port, user, password

    def start(self):
        d = self.dir
        with open(os.path.join(d, "tp.conf"), "w") as f:
            f.write("""Port %d
Listen 127.0.0.1
Timeout 30
LogFile "%s/tinyproxy.log"
LogLevel Info
PidFile "%s/tinyproxy.pid"
MaxClients 10
BasicAuth %s %s
Upstream http 127.0.0.1:%d
""" % (self.port, d, d, self.user, self.password, self.upstream_port))
        self.process = subprocess.Popen(["tinyproxy", "-d", "-c", os.path.join(d, "tp.conf")],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_listening(self.port, self.process, "tinyproxy")
