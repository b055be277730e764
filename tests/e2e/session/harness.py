"""What the end-to-end tests of the session share: the program run as a process under Wine with
its settings written to the registry first, a temporary data directory, the UI driver to press
buttons and answer message boxes, and sample data served by the stand-in server.

Every wait is bounded; at the end a test stops the program (and the servers it started), even
after a failure.
"""

import datetime
import json
import re
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

SOURCE = os.environ.get("TKVN_SOURCE_DIR") or os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
sys.path.insert(0, os.path.join(SOURCE, "tools", "server"))
sys.path.insert(0, os.path.join(SOURCE, "tools", "demo"))
sys.path.insert(0, os.path.join(SOURCE, "tests", "e2e", "clock"))

from tkvn_server import StandInServer  # noqa: E402
import sample_tree  # noqa: E402
import shifted_clock  # noqa: E402

# The program's exit codes by name, as app/ExitCodes.h gives them.
EXIT_CODES = {name: int(value) for name, value in re.findall(
    r"(kExit\w+) = (\d+)", open(os.path.join(SOURCE, "app", "ExitCodes.h")).read())}

KEY = r"HKCU\Software\Tickvane\TkvnDn"
SESSION = "Tickvane Download Service"
DATES = "Download Dates"

# Session dialog controls.
CONFIGURE, FILES, DOWNLOAD, ABOUT, EXIT = 112, 131, 111, 134, 2
MESSAGES, STATUS, ITEM, PROGRESS = 1014, 130, 129, 128
TRY_AGAIN, SKIP, ABORT = 209, 207, 208


class Failure(AssertionError):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def check_equal(got, expected, what):
    if got != expected:
        raise Failure("%s: expected %r, got %r" % (what, expected, got))


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_quiet(cmd, timeout, **kw):
    """Runs `cmd` with its output in files, not pipes: a Wine service that a process starts would
    inherit a pipe and keep it open long after the process has ended."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        try:
            rc = subprocess.run(cmd, stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=timeout, **kw).returncode
        except subprocess.TimeoutExpired:
            raise Failure("%s did not end within %d s" % (" ".join(map(str, cmd)), timeout))
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(cmd, rc, out.read(), err.read())


def wine(args, timeout=60, check_rc=True, **kw):
    r = run_quiet(["wine"] + args, timeout, **kw)
    if check_rc and r.returncode != 0:
        raise Failure("wine %s failed (%d): %s" % (" ".join(args), r.returncode, r.stderr.decode(errors="replace")))
    return r


def settings_record(data_dir, user="demo", password="secret", proxy_host="", proxy_port=0, proxy_login=0,
                    proxy_user="", proxy_password="", hangup=0, download_time=0):
    def text(value, size):
        b = value.encode("latin-1")
        assert len(b) < size
        return b + b"\0" * (size - len(b))
    record = (text(data_dir, 260) + struct.pack("<i", download_time) + text(user, 20) + text(password, 20) +
              struct.pack("<i", 1 if proxy_host else 0) + text(proxy_host, 200) +
              struct.pack("<HH", proxy_port, 0) + struct.pack("<i", proxy_login) + text(proxy_user, 20) +
              text(proxy_password, 20) + struct.pack("<i", hangup))
    assert len(record) == 560
    return record


def reg_reset():
    wine(["reg", "delete", KEY, "/f"], check_rc=False)


def reg_binary(name, data):
    wine(["reg", "add", KEY, "/v", name, "/t", "REG_BINARY", "/d", data.hex(), "/f"])


def reg_int(name, value):
    reg_binary(name, struct.pack("<i", value))


def reg_query_int(name):
    r = wine(["reg", "query", KEY, "/v", name], check_rc=False)
    for line in r.stdout.decode(errors="replace").splitlines():
        parts = line.split()
        if len(parts) >= 3 and parts[0] == name:
            return struct.unpack("<i", bytes.fromhex(parts[2]))[0]
    return None


def date_number(day):
    return int(day.strftime("%Y%m%d"))


def date_text(day):
    return day.strftime("%d/%m/%Y")


class UiDrive:
    def __init__(self, exe):
        self.exe = exe

    def __call__(self, *args, timeout=40, check_rc=True):
        r = run_quiet(["wine", self.exe] + [str(a) for a in args], timeout)
        out = r.stdout.decode("latin-1")
        if check_rc and r.returncode != 0:
            raise Failure("uidrive %s: %s%s" % (" ".join(map(str, args)), r.stderr.decode("latin-1"), self.boxes_note()))
        return out

    def boxes_note(self):
        try:
            text = run_quiet(["wine", self.exe, "boxes"], 20).stdout.decode("latin-1").strip()
            return ("\n  message boxes on screen: " + text) if text else ""
        except Failure:
            return ""


class Session:
    """One run of tkvndn.exe with its data directory, settings and UI driver."""

    def __init__(self, build, name, shots=None):
        self.build = build = os.path.abspath(build)
        self.exe = os.path.join(build, "app", "tkvndn.exe")
        self.ui = UiDrive(os.path.join(build, "tools", "uidriver", "uidrive.exe"))
        self.work = tempfile.mkdtemp(prefix="tkvn-e2e-%s-" % name)
        self.data = os.path.join(self.work, "data")
        os.makedirs(self.data)
        self.data_win = windows_path(self.data)
        self.process = None
        self.boxes = []
        self.shots = shots
        self.name = name

    # --- set-up -------------------------------------------------------------------------------
    def write_settings(self, **kw):
        reg_reset()
        reg_binary("DownloadSettings", settings_record(self.data_win, **kw))

    def data_file(self, *parts):
        return os.path.join(self.data, *parts)

    def put(self, name, content, newline="\r\n"):
        path = self.data_file(name)
        with open(path, "w", newline=newline) as f:
            f.write(content)
        return path

    # --- the program ------------------------------------------------------------------------------
    def start(self, *args, cwd=None, now=None):
        """Starts the program; `now` (a datetime) is the moment its clock shows at the start."""
        env = shifted_clock.environment(now, self.build) if now else None
        self.process = subprocess.Popen(["wine", self.exe] + list(args), cwd=cwd or self.work, env=env,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        try:
            self.ui("wait", SESSION, 20000)
        except Failure as e:
            if "/a" in args and self.process.poll() is not None:
                return  # an unattended run may be over before its dialog was seen
            raise Failure("%s (the program %s)" % (e, "runs" if self.process.poll() is None else
                                                   "ended with %d" % self.process.returncode))

    def wait_end(self, timeout=30):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end within %d s%s" % (timeout, self.ui.boxes_note()))

    def stop(self):
        if self.process and self.process.poll() is None:
            wine(["taskkill", "/f", "/im", "tkvndn.exe"], check_rc=False, timeout=20)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def cleanup(self):
        self.stop()
        shutil.rmtree(self.work, ignore_errors=True)

    # --- driving ------------------------------------------------------------------------------------
    def click(self, id, window=SESSION):
        self.ui("click", window, id)

    def text(self, id, window=SESSION):
        out = self.ui("text", window, id)
        return out[:-2] if out.endswith("\r\n") else out

    def enabled(self, id, window=SESSION):
        return self.ui("enabled", window, id).strip() == "1"

    def lines(self):
        # uidrive writes CR LF; a line of the list that holds a line end of its own shows as a
        # line followed by an empty one.
        out = self.ui("list", SESSION, MESSAGES).replace("\r\n", "\n")
        return out.split("\n")[:-1] if out else []

    def answer(self, caption=None, text=None, button=1, timeout=30000):
        """Waits for a message box with this caption (any box without one), checks its text,
        presses `button`."""
        out = self.ui("answer", button, timeout, *([caption] if caption else []), timeout=timeout / 1000 + 30)
        box = json.loads(out)
        self.boxes.append(box)
        if text is not None:
            check_equal(box["text"], text, "text of the '%s' box" % caption)
        return box

    def wait_status(self, text, timeout=30):
        deadline = time.monotonic() + timeout
        while True:
            got = self.text(STATUS)
            if got == text:
                return
            if time.monotonic() > deadline:
                raise Failure("status line: expected %r, still %r%s" % (text, got, self.ui.boxes_note()))
            time.sleep(0.1)

    def confirm_dates(self, first, last):
        self.ui("wait", DATES, 20000)
        self.ui("set", DATES, 126, date_text(first))
        self.ui("set", DATES, 127, date_text(last))
        self.click(1, DATES)

    def exit(self):
        self.click(EXIT)
        return self.wait_end()

    def screenshot(self, label):
        if not self.shots:
            return
        os.makedirs(self.shots, exist_ok=True)
        run_quiet(["import", "-window", "root", "-trim", "+repage", os.path.join(self.shots, "%s-%s.png" % (self.name, label))], 30)


def run_tests(tests):
    """Runs each (name, function) and reports; the exit status is 1 when any failed."""
    failed = 0
    for name, fn in tests:
        started = time.monotonic()
        try:
            fn()
            print("PASS %s (%.1f s)" % (name, time.monotonic() - started), flush=True)
        except Exception as e:  # noqa: BLE001 - every failure is reported and counted
            failed += 1
            print("FAIL %s: %s: %s" % (name, type(e).__name__, e), flush=True)
    print("%d passed, %d failed" % (len(tests) - failed, failed))
    return 1 if failed else 0
