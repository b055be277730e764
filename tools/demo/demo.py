#!/usr/bin/env python3
"""The program's main job, end to end, for a newcomer: run by tools/demo/run.sh once the
program is built. Makes a sample server tree, starts the stand-in download server, points the
program's proxy setting at it, prepares a data directory and runs tkvndn.exe:

  --interactive   on the user's display: the user presses Download and sees the whole session
  (default)       unattended ("/a") under the private Xvfb, saving a screenshot at every change

Expects WINEPREFIX and DISPLAY set up by tools/wine-env.sh.
"""

import argparse
import datetime
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "server"))
import sample_tree  # noqa: E402
from tkvn_server import StandInServer  # noqa: E402

KEY = r"HKCU\Software\Tickvane\TkvnDn"
USER, PASSWORD = "demo", "secret"

# A stand-in for the vendor's ASCII update: a few progress lines and a result.
ASCII_UPDATE = """@echo off
echo Converting the new data files...> procdate.txt
for %%f in (*.DN) do echo   %%f>> procdate.txt
echo ^<PRE^>> result.txt
echo Tickvane ASCII database brought up to date.>> result.txt
"""


def wine(*args):
    subprocess.run(["wine"] + list(args), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False, timeout=120)


def settings_record(data_dir, port):
    def text(value, size):
        b = value.encode("latin-1")
        return b + b"\0" * (size - len(b))
    return (text(data_dir, 260) + struct.pack("<i", 0) + text(USER, 20) + text(PASSWORD, 20) +
            struct.pack("<i", 1) + text("127.0.0.1", 200) + struct.pack("<HHi", port, 0, 0) +
            text("", 20) + text("", 20) + struct.pack("<i", 0))


def weekdays_back(day, count):
    while count:
        day -= datetime.timedelta(days=1)
        if day.weekday() < 5:
            count -= 1
    return day


def prepare(work, port, holidays):
    """A data directory as earlier sessions leave it: the catalogue, the selection and the holiday
    list the server sent last time (so no day of the range waits at the missing-file prompt)."""
    data = os.path.join(work, "data")
    shutil.rmtree(data, ignore_errors=True)
    os.makedirs(data)
    with open(os.path.join(data, "files.ini"), "w", newline="\r\n") as f:
        f.write(sample_tree.CATALOGUE)
    with open(os.path.join(data, "files.use"), "w", newline="\r\n") as f:
        f.write("/tkvn/dn/data/,D,Daily DN File,dn\n/tkvn/wk/data/,W,Weekly Summary,wk\n")
    with open(os.path.join(data, "holiday.txt"), "w", newline="\r\n") as f:
        f.write("".join(day.strftime("%Y%m%d") + "\n" for day in holidays))
    with open(os.path.join(data, "abc.def"), "w", newline="\r\n") as f:
        f.write("names.txt\n")
    with open(os.path.join(data, "ascii_update.bat"), "w", newline="\r\n") as f:
        f.write(ASCII_UPDATE)
    open(os.path.join(data, "ascii_update.exe"), "wb").close()  # makes the update an option
    data_win = "Z:" + os.path.abspath(data).replace("/", "\\")
    last = weekdays_back(datetime.date.today(), 6)
    wine("reg", "delete", KEY, "/f")
    wine("reg", "add", KEY, "/v", "DownloadSettings", "/t", "REG_BINARY", "/d", settings_record(data_win, port).hex(), "/f")
    for name, value in (("DownloadInfo", int(last.strftime("%Y%m%d"))), ("DownloadAscii", 1), ("DownloadClean", 0)):
        wine("reg", "add", KEY, "/v", name, "/t", "REG_BINARY", "/d", struct.pack("<i", value).hex(), "/f")
    return data, last


def screenshots_of(process, shots, deadline):
    """Saves the screen whenever it changes, until the program ends; the files saved."""
    os.makedirs(shots, exist_ok=True)
    for old in os.listdir(shots):
        os.remove(os.path.join(shots, old))
    saved, previous = [], None
    while process.poll() is None and time.monotonic() < deadline:
        path = os.path.join(shots, "session-%03d.png" % len(saved))
        # The screen without the empty desktop around the dialog and its boxes.
        subprocess.run(["import", "-window", "root", "-trim", "+repage", path],
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        if not os.path.exists(path):
            continue
        if os.path.getsize(path) < 2000:  # nothing on the screen yet
            os.remove(path)
            continue
        digest = hashlib.sha1(open(path, "rb").read()).hexdigest()
        if digest == previous:
            os.remove(path)
        else:
            saved.append(path)
            previous = digest
        time.sleep(0.15)
    return saved


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--exe", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--interactive", action="store_true")
    a = p.parse_args()
    os.makedirs(a.work, exist_ok=True)
    tree = os.path.join(a.work, "server-tree")
    shutil.rmtree(tree, ignore_errors=True)
    today = datetime.date.today()
    first = today - datetime.timedelta(days=14)
    holidays = sample_tree.year_holidays(first, today)
    days = sample_tree.make_tree(tree, first, today, holidays=holidays)
    print("demo: sample server tree %s: %d daily archives (jlha) and the weekly ones" % (tree, len(days)))
    with StandInServer(tree, lifetime=3600, user=USER, password=PASSWORD) as server:
        # Archives arrive a little slowly, as over a real line, so the progress can be seen.
        server.set_faults({"paths": {"*": {"trickle_bytes": 128, "trickle_interval": 0.04}}})
        print("demo: stand-in download server on 127.0.0.1:%d (the program's proxy setting)" % server.port)
        data, last = prepare(a.work, server.port, holidays)
        print("demo: data directory %s, last downloaded date %s" % (data, last))
        code = 0
        if a.interactive:
            print("demo: the program is open on your display. Press Download, confirm the dates with OK,\n"
                  "      watch the message page, the archives and the ASCII update, then press Exit.")
            subprocess.run(["wine", a.exe], stdin=subprocess.DEVNULL)
        else:
            process = subprocess.Popen(["wine", a.exe, "/a"], stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            shots = screenshots_of(process, os.path.join(a.work, "screenshots"), time.monotonic() + 180)
            if process.poll() is None:
                process.kill()
                print("demo: the session did not end within 3 minutes")
                return 1
            code = process.returncode
            print("demo: automatic session ended with exit code %d; %d screenshots in %s" %
                  (code, len(shots), os.path.dirname(shots[0]) if shots else "-"))
        print("demo: %d requests served" % len(server.requests()))
    extracted = sorted(n for n in os.listdir(data) if n.upper().endswith((".DN", ".WK")))
    print("demo: extracted into the data directory: %s" % ", ".join(extracted))
    date_file = os.path.join(data, "date")
    if os.path.exists(date_file):
        print("demo: date index: %s" % open(date_file).read().split())
    if code:
        print("demo: the session did not complete (exit code %d: see the user guide's list)" % code)
    return 1 if code else 0


if __name__ == "__main__":
    sys.exit(main())
