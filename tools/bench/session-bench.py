#!/usr/bin/env python3
"""Benchmark of a whole unattended session: one year of one daily file type (about 250 archives
made with jlha) fetched from the stand-in server through the proxy setting and extracted by
tkvndn.exe /a under Wine, beside curl and lhasa doing the same fetches and extractions natively.
Then the extraction pass alone, without the network: the program's extraction of the same
archives (extraction_bench.exe under Wine) beside lhasa alone, so that network and disk costs can
be told apart.

  python3 session-bench.py --exe build/win/app/tkvndn.exe --extraction-bench EXE [--runs 3]

Expects WINEPREFIX (and DISPLAY) set up by tools/wine-env.sh; run through session-bench.sh.
Prints the wall time of each run and the median of each contender, also per archive.
"""

import argparse
import datetime
import os
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "demo"))
sys.path.insert(0, os.path.join(HERE, "..", "server"))
import sample_tree  # noqa: E402
from tkvn_server import StandInServer  # noqa: E402

KEY = r"HKCU\Software\Tickvane\TkvnDn"
ROW = "/tkvn/dn/data/,D,Daily DN File,dn\n"


def wine(*args):
    subprocess.run(["wine"] + list(args), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=120)


def settings_record(data_dir, port):
    def text(value, size):
        b = value.encode("latin-1")
        return b + b"\0" * (size - len(b))
    return (text(data_dir, 260) + struct.pack("<i", 0) + text("bench", 20) + text("secret", 20) +
            struct.pack("<i", 1) + text("127.0.0.1", 200) + struct.pack("<HHi", port, 0, 0) +
            text("", 20) + text("", 20) + struct.pack("<i", 0))


def fresh_data_dir(work, port, last):
    data = os.path.join(work, "data")
    shutil.rmtree(data, ignore_errors=True)
    os.makedirs(data)
    # The holidays of the year are known, as after an earlier session: no prompt stops the run.
    shutil.copy(os.path.join(work, "tree", "tkvn", "dn", "holiday.txt"), os.path.join(data, "holiday.txt"))
    for name, content in (("files.ini", sample_tree.CATALOGUE), ("files.use", ROW)):
        with open(os.path.join(data, name), "w", newline="\r\n") as f:
            f.write(content)
    data_win = "Z:" + os.path.abspath(data).replace("/", "\\")
    wine("reg", "add", KEY, "/v", "DownloadSettings", "/t", "REG_BINARY", "/d", settings_record(data_win, port).hex(), "/f")
    for name, value in (("DownloadInfo", int(last.strftime("%Y%m%d"))), ("DownloadAscii", 0), ("DownloadClean", 0)):
        wine("reg", "add", KEY, "/v", name, "/t", "REG_BINARY", "/d", struct.pack("<i", value).hex(), "/f")
    return data


def run_program(exe, work, port, last):
    data = fresh_data_dir(work, port, last)
    started = time.monotonic()
    try:
        # Started from C:, as from its shortcut (the volume serial of Z: is not readable).
        subprocess.run(["wine", exe, "/a"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=600, cwd=os.path.join(os.environ["WINEPREFIX"], "drive_c"))
    except subprocess.TimeoutExpired:
        wine("taskkill", "/f", "/im", "tkvndn.exe")
        raise SystemExit("tkvndn.exe did not finish within 10 minutes (a message box waiting?)")
    elapsed = time.monotonic() - started
    members = [n for n in os.listdir(data) if n.upper().endswith(".DN")]
    return elapsed, len(members)


def run_curl_lhasa(paths, work, port):
    out = os.path.join(work, "peer")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(os.path.join(out, "dn"))
    proxy = "http://127.0.0.1:%d" % port
    started = time.monotonic()
    for path in ["/daily.phtml", "/tkvn/dn/holiday.txt", "/tkvn/tkvndn/files.ini"] + paths:
        target = os.path.join(out, "dn", os.path.basename(path))
        subprocess.run(["curl", "-s", "-f", "-0", "-x", proxy, "-u", "bench:secret", "-o", target,
                        "http://download.tickvane.com" + path], check=True, timeout=60)
    for path in paths:
        subprocess.run(["lhasa", "-xqfw=" + out, os.path.join(out, "dn", os.path.basename(path))], check=True,
                       stdout=subprocess.DEVNULL, timeout=60)
    elapsed = time.monotonic() - started
    members = [n for n in os.listdir(out) if n.upper().endswith(".DN")]
    return elapsed, len(members)


def run_extraction_bench(bench, archives, work):
    data = os.path.join(work, "extract")
    shutil.rmtree(data, ignore_errors=True)
    os.makedirs(data)
    started = time.monotonic()
    subprocess.run(["wine", bench, "Z:" + data.replace("/", "\\"), "Z:" + archives.replace("/", "\\")],
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True,
                   timeout=600)
    elapsed = time.monotonic() - started
    return elapsed, len([n for n in os.listdir(data) if n.upper().endswith(".DN")])


def run_lhasa(archives, work):
    out = os.path.join(work, "lhasa")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    started = time.monotonic()
    for name in sorted(n for n in os.listdir(archives) if n.endswith(".lzh")):
        subprocess.run(["lhasa", "-xqfw=" + out, os.path.join(archives, name)], check=True,
                       stdout=subprocess.DEVNULL, timeout=60)
    elapsed = time.monotonic() - started
    return elapsed, len([n for n in os.listdir(out) if n.upper().endswith(".DN")])


def report(results, count):
    for name, times in results.items():
        median = statistics.median(times)
        print("%-32s median %6.2f s  (%.1f ms per archive)" % (name, median, 1000 * median / count))


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--exe", required=True)
    p.add_argument("--extraction-bench", help="extraction_bench.exe: also time the extraction pass alone")
    p.add_argument("--runs", type=int, default=3)
    a = p.parse_args()
    exe = os.path.abspath(a.exe)
    work = tempfile.mkdtemp(prefix="tkvn-session-bench-")
    try:
        today = datetime.date.today()
        last = today - datetime.timedelta(days=365)
        tree = os.path.join(work, "tree")
        days = [d for d in sample_tree.make_tree(tree, last + datetime.timedelta(days=1), today, weekly=False)]
        paths = ["/tkvn/dn/data/%s.lzh" % sample_tree.archive_name(d) for d in days]
        size = sum(os.path.getsize(os.path.join(tree, p.lstrip("/"))) for p in paths)
        print("session benchmark: %d daily archives (%d KiB in all), %d runs each" % (len(paths), size // 1024, a.runs))
        results = {"tkvndn.exe /a (Wine)": [], "curl + lhasa (native)": []}
        with StandInServer(tree, lifetime=3600, user="bench", password="secret") as server:
            for run in range(a.runs):
                t, n = run_program(exe, work, server.port, last)
                results["tkvndn.exe /a (Wine)"].append(t)
                print("  run %d: tkvndn.exe /a      %6.2f s, %d files extracted" % (run + 1, t, n))
                t, n = run_curl_lhasa(paths, work, server.port)
                results["curl + lhasa (native)"].append(t)
                print("  run %d: curl + lhasa        %6.2f s, %d files extracted" % (run + 1, t, n))
        report(results, len(paths))
        if a.extraction_bench:
            archives = os.path.join(tree, "tkvn", "dn", "data")
            alone = {"extraction pass (Wine)": [], "lhasa alone (native)": []}
            for run in range(a.runs):
                t, n = run_extraction_bench(os.path.abspath(a.extraction_bench), archives, work)
                alone["extraction pass (Wine)"].append(t)
                print("  run %d: extraction pass     %6.2f s, %d files extracted" % (run + 1, t, n))
                t, n = run_lhasa(archives, work)
                alone["lhasa alone (native)"].append(t)
                print("  run %d: lhasa alone         %6.2f s, %d files extracted" % (run + 1, t, n))
            report(alone, len(paths))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
