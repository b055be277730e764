#!/usr/bin/env python3
"""Self-tests of the stand-in download server: what it serves and every fault it can play."""

import base64
import os
import socket
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "server"))
from tkvn_server import StandInServer, synthetic_body  # noqa: E402

AUTH = "Authorization: Basic " + base64.b64encode(b"u:p").decode() + "\r\n"


def request(path, extra=""):
    return ("GET %s HTTP/1.0\r\nHost: download.tickvane.com:80\r\n%s\r\n" % (path, extra)).encode()


class Exchange:
    """One raw exchange: what arrived, when the connection ended, whether it was reset."""

    def __init__(self, port, data, read_timeout=5.0, limit=None):
        self.data = b""
        self.reset = False
        self.timed_out = False
        with socket.create_connection(("127.0.0.1", port), timeout=read_timeout) as s:
            s.sendall(data)
            try:
                while limit is None or len(self.data) < limit:
                    chunk = s.recv(65536)
                    if not chunk:
                        break
                    self.data += chunk
            except ConnectionResetError:
                self.reset = True
            except socket.timeout:
                self.timed_out = True

    @property
    def head(self):
        return self.data.split(b"\r\n\r\n", 1)[0].decode("latin-1")

    @property
    def body(self):
        return self.data.split(b"\r\n\r\n", 1)[1] if b"\r\n\r\n" in self.data else b""

    @property
    def status(self):
        return int(self.head.split(" ")[1])


class StandInServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        root = os.path.join(cls.tmp.name, "root")
        os.makedirs(os.path.join(root, "tkvn", "dn"))
        with open(os.path.join(root, "tkvn", "dn", "holiday.txt"), "wb") as f:
            f.write(b"20261225\r\n20261226\r\n")
        with open(os.path.join(cls.tmp.name, "secret.txt"), "wb") as f:
            f.write(b"outside the tree")
        cls.server = StandInServer(root=root, lifetime=120, user="u", password="p")
        cls.server.start()
        cls.port = cls.server.port

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        cls.tmp.cleanup()

    def setUp(self):
        self.server.set_faults({})

    def get(self, path, extra=AUTH, **kw):
        return Exchange(self.port, request(path, extra), **kw)

    def test_serves_files_with_length_and_records_the_raw_request(self):
        before = len(self.server.raw_requests())
        r = self.get("/tkvn/dn/holiday.txt", AUTH + "Cookie: TICKVANE=u; VOLSER=1\r\n")
        self.assertEqual(r.status, 200)
        self.assertIn("Content-Length: 20\r\n", r.head + "\r\n")
        self.assertEqual(r.body, b"20261225\r\n20261226\r\n")
        raw = self.server.raw_requests()[before:]
        self.assertEqual(raw, [request("/tkvn/dn/holiday.txt", AUTH + "Cookie: TICKVANE=u; VOLSER=1\r\n")])
        time.sleep(0.1)
        self.assertEqual(self.server.requests()[-1]["status"], 200)

    def test_missing_files_and_escapes_from_the_tree_are_404_with_a_length(self):
        for path in ("/nothing.lzh", "/../secret.txt", "/tkvn/../../secret.txt", "/tkvn/dn"):
            r = self.get(path)
            self.assertEqual(r.status, 404, path)
            self.assertIn("Content-Length: %d" % len(r.body), r.head)

    def test_credentials_are_checked(self):
        self.assertEqual(self.get("/tkvn/dn/holiday.txt", "").status, 401)
        wrong = "Authorization: Basic " + base64.b64encode(b"u:x").decode() + "\r\n"
        self.assertEqual(self.get("/tkvn/dn/holiday.txt", wrong).status, 401)
        self.server.set_faults({"auth": {"user": "other", "password": ""}})
        empty = "Authorization: Basic " + base64.b64encode(b"other:").decode() + "\r\n"
        self.assertEqual(self.get("/tkvn/dn/holiday.txt", empty).status, 200)

    def test_works_as_a_proxy_with_an_optional_proxy_login(self):
        url = "http://download.tickvane.com/tkvn/dn/holiday.txt"
        self.assertEqual(self.get(url).body, b"20261225\r\n20261226\r\n")
        self.server.set_faults({"proxy_auth": {"user": "pu", "password": "pp"}})
        self.assertEqual(self.get(url).status, 407)
        proxy = "Proxy-Authorization: Basic " + base64.b64encode(b"pu:pp").decode() + "\r\n"
        self.assertEqual(self.get(url, proxy + AUTH).status, 200)
        self.assertEqual(self.get("/tkvn/dn/holiday.txt").status, 200)  # direct requests need no proxy login

    def test_status_and_content_length_switches(self):
        self.server.set_faults({"paths": {"/s": {"status": 503}}})
        self.assertEqual(self.get("/s").status, 503)
        self.server.set_faults({"paths": {"/tkvn/dn/holiday.txt": {"empty_body": True}}})
        r = self.get("/tkvn/dn/holiday.txt")
        self.assertEqual((r.status, r.body, "Content-Length" in r.head), (200, b"", False))
        cases = {"none": None, "lower": "content-length: 4", "noblank": "Content-Length:4",
                 "negative": "Content-Length: -1", 99: "Content-Length: 99", 2: "Content-Length: 2"}
        for value, line in cases.items():
            self.server.set_faults({"paths": {"/b": {"body": "abcd", "content_length": value}}})
            r = self.get("/b")
            self.assertEqual(r.body, b"abcd", value)
            if line is None:
                self.assertNotIn("ontent-", r.head.lower().replace("content-type", ""))
            else:
                self.assertIn("\r\n" + line + "\r\n", r.head + "\r\n")

    def test_header_line_of_a_given_length_counts_the_carriage_return(self):
        self.server.set_faults({"paths": {"/l": {"body": "x", "header_line": 2048}}})
        lines = self.get("/l").head.split("\r\n")
        filler = [line for line in lines if line.startswith("X-Filler:")]
        self.assertEqual(len(filler[0]) + 1, 2048)

    def test_cuts_and_close_before_the_header_end(self):
        self.server.set_faults({"paths": {"/c": {"body_size": 5000, "cut_body_after": 1000}}})
        r = self.get("/c")
        self.assertIn("Content-Length: 5000", r.head)
        self.assertEqual(r.body, synthetic_body(5000)[:1000])
        self.server.set_faults({"paths": {"/c": {"body_size": 5000, "cut_header_after": 12}}})
        self.assertEqual(self.get("/c").data, b"HTTP/1.0 200")

    def test_stalls_hold_the_bytes_back_and_trickle_sends_slowly(self):
        self.server.set_faults({"paths": {"/s": {"body_size": 3000, "stall_body_after": 100}}})
        r = self.get("/s", read_timeout=0.5)
        self.assertTrue(r.timed_out)
        self.assertEqual(r.body, synthetic_body(3000)[:100])
        self.server.set_faults({"paths": {"/s": {"body": "abc", "stall_header_after": 5, "stall_seconds": 0.3}}})
        start = time.monotonic()
        r = self.get("/s")
        self.assertGreaterEqual(time.monotonic() - start, 0.3)
        self.assertEqual(r.body, b"abc")
        self.server.set_faults({"paths": {"/t": {"body_size": 200, "trickle_bytes": 50, "trickle_interval": 0.05}}})
        start = time.monotonic()
        r = self.get("/t")
        self.assertEqual(r.body, synthetic_body(200))
        self.assertGreaterEqual(time.monotonic() - start, 0.2)
        # The body alone trickles: the header has come whole before its first byte.
        self.server.set_faults({"paths": {"/t": {"body_size": 3000, "trickle": [2, 1.0]}}})
        r = self.get("/t", read_timeout=0.5)
        self.assertTrue(r.timed_out)
        self.assertIn("Content-Length: 3000", r.head)
        self.assertEqual(r.body, synthetic_body(2))

    def test_faults_can_be_limited_to_a_number_of_requests(self):
        self.server.set_faults({"paths": {"/tkvn/dn/holiday.txt": {"status": 500, "times": 1}}})
        self.assertEqual(self.get("/tkvn/dn/holiday.txt").status, 500)
        self.assertEqual(self.get("/tkvn/dn/holiday.txt").status, 200)

    def test_reset_and_refused_connections(self):
        self.server.set_faults({"paths": {"/r": {"reset": True}}})
        r = self.get("/r")
        self.assertTrue(r.reset or r.data == b"")
        self.server.set_faults({"refuse": True})
        time.sleep(0.3)
        with self.assertRaises(ConnectionRefusedError):
            socket.create_connection(("127.0.0.1", self.port), timeout=2).close()
        self.server.set_faults({})
        deadline = time.monotonic() + 3
        while True:
            try:
                self.assertEqual(self.get("/tkvn/dn/holiday.txt").status, 200)
                break
            except ConnectionRefusedError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.05)


    def test_framing_faults(self):
        body = synthetic_body(3000)
        self.server.set_faults({"paths": {"/f": {"body_size": 3000, "reset_body_after": 1000}}})
        r = self.get("/f")
        self.assertTrue(r.reset)
        self.assertEqual(r.body, body[:1000])

        self.server.set_faults({"paths": {"/f": {"body_size": 3000, "chunked": True}}})
        r = self.get("/f")
        self.assertTrue(r.head.startswith("HTTP/1.1 200 OK\r\n"))
        self.assertIn("\r\nTransfer-Encoding: chunked", r.head)
        self.assertNotIn("Content-Length", r.head)
        self.assertEqual(r.body, b"3e8\r\n" + body[:1000] + b"\r\n3e8\r\n" + body[1000:2000] +
                         b"\r\n3e8\r\n" + body[2000:] + b"\r\n0\r\n\r\n")

        self.server.set_faults({"paths": {"/f": {"body_size": 3000, "endless_header": True}}})
        r = self.get("/f", limit=200000)
        self.assertGreaterEqual(len(r.data), 200000)
        self.assertNotIn(b"\r\n\r\n", r.data)
        self.assertTrue(r.data.startswith(b"HTTP/1.0 200 OK\r\n"))

        self.server.set_faults({"paths": {"/f": {"body": "abc", "no_status_line": True}}})
        r = self.get("/f")
        self.assertTrue(r.head.startswith("Server: tkvn-standin\r\n"))
        self.assertEqual(r.body, b"abc")


class LifetimeTest(unittest.TestCase):
    def test_server_stops_by_itself_when_its_lifetime_is_over(self):
        with StandInServer(lifetime=0.5) as server:
            process = server.process
            process.wait(5)
            self.assertEqual(process.returncode, 0)


if __name__ == "__main__":
    unittest.main()
