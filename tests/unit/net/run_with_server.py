#!/usr/bin/env python3
"""Runs a Windows test program under Wine beside a stand-in server of its own.

The server listens on a free loopback port and is stopped when the program ends. The program
finds it through the environment:
  TKVN_TEST_SERVER_PORT  the port
  TKVN_TEST_SERVER_DIR   the server's folder (Unix path): faults.json (rewritten by the tests),
                         requests.log (every raw request), access.log, root/ (the data tree) and
                         scratch/ (for the test's own files)

usage: run_with_server.py WINE PROGRAM [ARGS...]
"""

import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "server"))
from tkvn_server import StandInServer  # noqa: E402


def main():
    if len(sys.argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    wine, program, args = sys.argv[1], sys.argv[2], sys.argv[3:]
    workdir = tempfile.mkdtemp(prefix="tkvn-net-test-")
    try:
        root = os.path.join(workdir, "root")
        os.makedirs(root)
        os.makedirs(os.path.join(workdir, "scratch"))
        with StandInServer(root=root, lifetime=900, workdir=workdir) as server:
            env = dict(os.environ, TKVN_TEST_SERVER_PORT=str(server.port), TKVN_TEST_SERVER_DIR=workdir)
            return subprocess.call([wine, program] + args, env=env, stdin=subprocess.DEVNULL)
    finally:
        if os.environ.get("TKVN_KEEP_TEST_DIR") != "1":
            shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
