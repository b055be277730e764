#!/usr/bin/env python3
"""The daily road against servers that no one here wrote: the archives served by nginx with HTTP
Basic authentication, reached through tinyproxy (with its own proxy login) as the proxy, and with
the proxy setting pointing at nginx itself."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import real_servers  # noqa: E402
from common import DAILY_ROW, FRIDAY, MESSAGE_LINES, MONDAY, Tree, date_index, prepare, read_bytes  # noqa: E402

BUILD = sys.argv[1]
SHOTS = sys.argv[2] if len(sys.argv) > 2 else None


class Port:
    """What prepare() needs of a server: the port the program's proxy setting names."""

    def __init__(self, port):
        self.port = port


def daily_road(s, tree):
    s.start()
    s.click(h.DOWNLOAD)
    s.confirm_dates(MONDAY, FRIDAY)
    s.answer("Tickvane", "Download completed successfully")
    h.check_equal(s.lines(), MESSAGE_LINES + [" ", " ", "Download completed successfully.", " "], "message list")
    h.check_equal(s.exit(), 0, "exit code")
    for name in ("24-12-02", "24-12-03", "24-12-05", "24-12-06"):
        h.check_equal(read_bytes(s.data_file("dn", name + ".lzh")),
                      read_bytes(os.path.join(tree.root, "tkvn", "dn", "data", name + ".lzh")), "archive " + name)
    h.check_equal(date_index(s), ["02-12-24", "03-12-24", "05-12-24", "06-12-24"], "date index")
    h.check_equal(h.reg_query_int("DownloadInfo"), 20241206, "DownloadInfo")


def through_tinyproxy():
    real_servers.ensure_installed()
    tree = Tree()
    s = h.Session(BUILD, "tinyproxy", SHOTS)
    try:
        with real_servers.Nginx(tree.root, "demo", "secret") as nginx, \
                real_servers.TinyProxy(nginx.port, "trader", "proxypass") as proxy:
            prepare(s, Port(proxy.port), rows=DAILY_ROW, proxy_login=1, proxy_user="trader", proxy_password="proxypass")
            daily_road(s, tree)
            h.check_equal(len(nginx.requests()), 7, "requests that reached nginx")
            h.check(" 401 " not in "\n".join(nginx.requests()), "no request refused by nginx")
    finally:
        s.cleanup()
        tree.remove()


def nginx_as_proxy():
    real_servers.ensure_installed()
    tree = Tree()
    s = h.Session(BUILD, "nginx", SHOTS)
    try:
        with real_servers.Nginx(tree.root, "demo", "secret") as nginx:
            prepare(s, Port(nginx.port), rows=DAILY_ROW)
            daily_road(s, tree)
            log = nginx.requests()
            h.check_equal(len(log), 7, "requests")
            h.check(all("GET http://" in line and '" 200 ' in line for line in log), "absolute URIs, all 200")
    finally:
        s.cleanup()
        tree.remove()


if __name__ == "__main__":
    sys.exit(h.run_tests([("nginx through tinyproxy", through_tinyproxy), ("nginx as the proxy", nginx_as_proxy)]))
