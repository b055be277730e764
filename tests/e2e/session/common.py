"""The sample week the session tests download, and the set-up most of them share."""

import datetime
import os
import shutil
import tempfile

import harness as h

MONDAY = datetime.date(2024, 12, 2)
FRIDAY = datetime.date(2024, 12, 6)
SATURDAY = datetime.date(2024, 12, 7)
HOLIDAY = datetime.date(2024, 12, 4)  # listed in the data directory's holiday.txt
# The clock of the unattended runs: Friday evening of the sample week, whatever the real date.
FRIDAY_EVENING = datetime.datetime(2024, 12, 6, 20, 0)
# The holidays the sample server lists; a data directory lists them after its earlier sessions.
SERVED_HOLIDAYS = tuple(h.sample_tree.year_holidays(MONDAY, SATURDAY))

DAILY_ROW = "/tkvn/dn/data/,D,Daily DN File,dn\n"
WEEKLY_ROW = "/tkvn/wk/data/,W,Weekly Summary,wk\n"

MESSAGE_LINES = ["Welcome to the Tickvane download service.", "",
                 "Today's files are on the server from 19:30.", "Support: support@tickvane.example", "</PRE>"]


def archive_path(day):
    return "/tkvn/dn/data/%s.lzh" % h.sample_tree.archive_name(day)


class Tree:
    """A served sample tree of the week (every weekday and the Saturday), removed at the end."""

    def __init__(self, first=MONDAY, last=SATURDAY, holidays=SERVED_HOLIDAYS):
        self.root = tempfile.mkdtemp(prefix="tkvn-tree-")
        self.days = h.sample_tree.make_tree(self.root, first, last, holidays=list(holidays))

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


def prepare(session, server, rows=DAILY_ROW, holidays=(HOLIDAY,) + SERVED_HOLIDAYS, info=20241129, ascii=0, clean=0,
            **settings):
    """Settings through the stand-in server as the proxy, a data directory with the catalogue, the
    selection, abc.def and a holiday list, and the three small values."""
    settings.setdefault("proxy_host", "127.0.0.1")
    settings.setdefault("proxy_port", server.port)
    session.write_settings(**settings)
    h.reg_int("DownloadInfo", info)
    h.reg_int("DownloadAscii", ascii)
    h.reg_int("DownloadClean", clean)
    session.put("files.ini", h.sample_tree.CATALOGUE)
    session.put("files.use", rows)
    session.put("abc.def", "names.txt\n")
    session.put("holiday.txt", "".join(d.strftime("%Y%m%d") + "\n" for d in sorted(holidays)))


def served_paths(server):
    return [r["path"] for r in server.requests()]


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def check_outcome_lines(session, lines, tail):
    h.check_equal(lines[-len(tail):], tail, "last lines of the message list")


def date_index(session):
    return read_bytes(session.data_file("date")).decode().split("\r\n")[:-1]


def exists(session, *parts):
    return os.path.exists(session.data_file(*parts))
