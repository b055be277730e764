"""Helpers for end-to-end tests that run Windows programs under the test Wine prefix."""
import json
import os
import struct
import subprocess
import tempfile
import time

KEY = r"HKCU\Software\Tickvane\TkvnDn"


def wine(*args, timeout=30, check=False):
    """Runs a Wine command and returns its exit code and output.

    The output goes through files, not pipes: a Wine service that the command happens to start
    (the desktop process, say) inherits its handles and would keep a pipe open long after the
    command has ended."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        p = subprocess.run(["wine", *args], stdout=out, stderr=err, stdin=subprocess.DEVNULL, timeout=timeout)
        out.seek(0)
        err.seek(0)
        result = subprocess.CompletedProcess(p.args, p.returncode, out.read().decode("latin-1"),
                                             err.read().decode("latin-1"))
    if check and result.returncode != 0:
        raise AssertionError(f"{' '.join(args)} failed ({result.returncode}): {result.stderr.strip()}")
    return result


def windows_path(unix_path):
    return wine("winepath", "-w", unix_path).stdout.strip()


def settings_record(data_directory, username=b"", password=b"", download_time=193000,
                    use_proxy=0, proxy_host=b"", proxy_port=0, proxy_login=0,
                    proxy_username=b"", proxy_password=b"", hangup=0):
    """The 560-byte DownloadSettings record."""
    def field(text, size):
        text = text.encode("latin-1") if isinstance(text, str) else text
        assert len(text) < size
        return text + b"\0" * (size - len(text))
    record = (field(data_directory, 260) + struct.pack("<i", download_time) + field(username, 20) +
              field(password, 20) + struct.pack("<i", use_proxy) + field(proxy_host, 200) +
              struct.pack("<HHi", proxy_port, 0, proxy_login) + field(proxy_username, 20) +
              field(proxy_password, 20) + struct.pack("<i", hangup))
    assert len(record) == 560
    return record


def put_binary(name, data):
    wine("reg", "add", KEY, "/v", name, "/t", "REG_BINARY", "/d", data.hex().upper(), "/f", check=True)


def delete_key():
    wine("reg", "delete", KEY, "/f")


class UiDrive:
    """The command-line UI driver, uidrive.exe."""

    def __init__(self, exe):
        self.exe = exe

    def run(self, *args, timeout=60):
        r = wine(self.exe, *[str(a) for a in args], timeout=timeout)
        if r.returncode != 0:
            raise AssertionError(f"uidrive {' '.join(map(str, args))} failed: {r.stderr.strip()}")
        return r.stdout

    def wait(self, caption, ms=15000):
        self.run("wait", caption, ms)

    def box(self, ms=15000, caption=""):
        return json.loads(self.run("box", ms, caption))

    def answer(self, button, ms=15000, caption=""):
        return json.loads(self.run("answer", button, ms, caption))

    def boxes(self):
        return [json.loads(l) for l in self.run("boxes").splitlines() if l.strip()]

    def click(self, caption, control):
        self.run("click", caption, control)

    def text(self, caption, control):
        return self.run("text", caption, control).rstrip("\n")

    def lines(self, caption, control):
        return self.run("list", caption, control).splitlines()


def wait_exit(process, seconds):
    try:
        return process.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        process.kill()
        raise AssertionError(f"process did not end within {seconds} s")


def start(exe, *args, cwd=None):
    return subprocess.Popen(["wine", exe, *args], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, cwd=cwd)
