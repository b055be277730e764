#!/usr/bin/env python3
"""Runs a command with the wall clock moved to a chosen moment, for Wine's 32-bit processes and
native 64-bit ones alike (shifted_clock.c, preloaded). The clock keeps running from that moment;
the monotonic clocks stay untouched, so waits and time-outs behave as usual.

  python3 tests/e2e/clock/shifted_clock.py 2026-12-28T10:00 [--build DIR] -- COMMAND [ARGS...]

From Python: environment(moment, build_dir) gives the variables for subprocess (env=).
Start Xvfb and make the Wine prefix before, or inside: neither reads the wall clock for its waits.
"""

import argparse
import datetime
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, "shifted_clock.c")
# ld.so fills in $LIB per process (lib/i386-linux-gnu or lib/x86_64-linux-gnu on Debian), so
# each process loads the library of its own kind.
ARCHES = {"i386-linux-gnu": "-m32", "x86_64-linux-gnu": "-m64"}


def build(build_dir):
    """Compiles the library for both kinds of process (once); the $LIB path for LD_PRELOAD."""
    root = os.path.join(os.path.abspath(build_dir), "shifted-clock")
    for arch, flag in ARCHES.items():
        libc = "/lib/%s/libc.so.6" % arch
        if not os.path.exists(libc):  # no process of that kind can run here
            continue
        out = os.path.join(root, "lib", arch, "shifted_clock.so")
        if os.path.exists(out) and os.path.getmtime(out) >= os.path.getmtime(SOURCE):
            continue
        os.makedirs(os.path.dirname(out), exist_ok=True)
        # Linked against the run-time C library itself: the 32-bit development files are not needed.
        subprocess.run(["clang", flag, "-O2", "-fPIC", "-shared", "-nostdlib", "-Wall", "-Wextra", "-Werror",
                        "-o", out + ".new", SOURCE, libc], check=True)
        os.replace(out + ".new", out)
    return os.path.join(root, "$LIB", "shifted_clock.so")


def real_now():
    """The real time, also when this process runs under a shifted clock itself."""
    return time.time() - int(os.environ.get("TKVN_CLOCK_OFFSET", "0"))


def environment(moment, build_dir, base=None):
    env = dict(os.environ if base is None else base)
    env["TKVN_CLOCK_OFFSET"] = str(round(moment.timestamp() - real_now()))
    env["LD_PRELOAD"] = build(build_dir)
    return env


def main(argv):
    if "--" not in argv:
        sys.exit(__doc__)
    split = argv.index("--")
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("moment", help="local date and time, e.g. 2026-12-28T10:00")
    p.add_argument("--build", default=os.environ.get("BUILD_ROOT", "build"), help="where the library is built")
    a = p.parse_args(argv[:split])
    env = environment(datetime.datetime.fromisoformat(a.moment), a.build)
    return subprocess.call(argv[split + 1:], env=env)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
