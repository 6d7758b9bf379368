#!/usr/bin/env python3
"""Tests for tools/millsim.py, the stand-in looms and host system.

Run from anywhere:  python3 tests/test_millsim.py [-v]

Stations live in 127.0.50.0/24 on a free high port, so a simulator serving
MILLPLAN's own tests on port 80 (127.0.8.x, 127.0.9.x) may run alongside.
"""

import base64
import errno
import http.client
import json
import os
import random
import re
import select
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
TOOL = os.path.join(os.path.dirname(HERE), "tools", "millsim.py")
DATA = os.path.join(HERE, "data")

sys.path.insert(0, os.path.dirname(TOOL))
import millsim  # noqa: E402  (found through the path set just above)

NET = "127.0.50."
BOUNDARY = "-" * 27 + "host2axv"
UPLOAD = "/cgi-bin/ext_mp.cgi"
HOST_LIST = "/imavo/Setting/GetLayoutFromHost.cgi"
MIB = 1024 * 1024


def pick_port():
    # A wildcard bind conflicts with a listener on any address, so success
    # means the port is free on every 127.0.50.x.
    rng = random.Random()
    for _ in range(200):
        port = rng.randrange(20000, 60000)
        with socket.socket() as s:
            try:
                s.bind(("0.0.0.0", port))
                return port
            except OSError:
                continue
    raise RuntimeError("no free port")


PORT = pick_port()


def run_tool(*args, timeout=20):
    # Pipes on purpose: a background child that kept them would hang this.
    return subprocess.run([sys.executable, TOOL, *args], capture_output=True, text=True,
                          stdin=subprocess.DEVNULL, timeout=timeout)


def wait_until(check, timeout=5.0, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.02)


def gone(pid):
    # A zombie counts: in a container nothing may be left to reap it.
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] in ("Z", "X")
    except FileNotFoundError:
        return True


def table(family, eol="\r\n", end=True):
    lines = [f"{family}-MCARD-DATA ip_table -----------", "FORMAT          2",
             "USER_VERSION    2405170941", "127.0.1.17       A-001        0 S01 /"]
    if end:
        lines.append("#end_of_data")
    return "".join(line + eol for line in lines).encode("latin-1")


MODE_PART = (b'Content-Disposition: form-data; name="mode"', b"set_ip_table")


def file_part(data):
    return (b'Content-Disposition: form-data; name="file"; filename="ip_table.txt"\r\n'
            b"Content-Type: text/plain", data)


def multipart(parts, boundary=BOUNDARY):
    delimiter = b"--" + boundary.encode()
    body = b"".join(delimiter + b"\r\n" + head + b"\r\n\r\n" + content + b"\r\n"
                    for head, content in parts)
    return body + delimiter + b"--\r\n"


def upload_body(data):
    return multipart([MODE_PART, file_part(data)])


def ctype(boundary=BOUNDARY):
    return f"multipart/form-data; boundary={boundary}"


def basic(user, password):
    return "Basic " + base64.b64encode(f"{user}:{password}".encode()).decode()


def fetch(address, method="GET", target="/", body=None, headers=None, timeout=5):
    conn = http.client.HTTPConnection(address, PORT, timeout=timeout)
    try:
        conn.request(method, target, body=body, headers=headers or {})
        resp = conn.getresponse()
        return resp.status, {k.lower(): v for k, v in resp.getheaders()}, resp.read()
    finally:
        conn.close()


class Sim:
    """A background simulator for one test group, and its records."""

    def __init__(self, tmp, *args, scenario=None):
        self.pidfile = os.path.join(tmp, "sim.pid")
        self.logfile = os.path.join(tmp, "sim.log")
        self.recfile = os.path.join(tmp, "sim.rec")
        if scenario is not None:
            path = os.path.join(tmp, "scenario.json")
            with open(path, "w") as f:
                json.dump(scenario, f)
            args += ("--scenario", path)
        self.started = run_tool("start", *args, "--port", str(PORT), "--pidfile", self.pidfile,
                                "--logfile", self.logfile, "--records", self.recfile)
        if self.started.returncode != 0:
            raise AssertionError(f"start failed: {self.started.stderr}")

    def stop(self):
        return run_tool("stop", "--pidfile", self.pidfile)

    def records(self, address):
        try:
            with open(self.recfile) as f:
                lines = [line for line in f if line.endswith("\n")]
        except FileNotFoundError:
            return []
        return [r for r in map(json.loads, lines) if r["station"] == address]

    def wait_records(self, address, count):
        return wait_until(lambda: len(self.records(address)) >= count and self.records(address),
                          what=f"{count} records of {address}")

    def ask(self, address, *args, **kwargs):
        """fetch() that also returns the station's record of the request."""
        before = len(self.records(address))
        result = fetch(address, *args, **kwargs)
        return result + (self.wait_records(address, before + 1)[-1],)


SCENARIO = {
    "looms": [
        {"address": NET + "10"},
        {"address": NET + "11", "family": "HR600"},
        {"address": NET + "12", "answer": "Done\r\n"},
        {"address": NET + "30", "mode": "refuse"},
        {"address": NET + "31", "mode": "silent"},
        {"address": NET + "32", "mode": "close"},
        {"address": NET + "33", "mode": "auth"},
        {"address": NET + "34", "mode": "ng"},
        {"address": NET + "35", "mode": "huge", "size": 2 * MIB},
        {"address": NET + "36", "mode": "huge", "size": 2 * MIB, "announce": False},
        {"address": NET + "37", "mode": "huge"},
        {"address": NET + "38", "mode": "slow", "delay": 0.4},
        {"address": NET + "39", "mode": "drip", "size": 16, "chunk": 4, "delay": 0.05},
    ],
    "hosts": [
        {"address": NET + "20", "lines": ["001.001,L01,1,1,0,0,x", "001.002,L02,2,1,0,0,x"]},
        {"address": NET + "21", "lines": ["a"], "frame": "head"},
        {"address": NET + "22", "lines": ["a"], "frame": "none"},
        {"address": NET + "23", "lines": ["a"], "frame": "twohead"},
        {"address": NET + "24", "raw": "HEAD:MAVO_DATA\r\ngarbage"},
        {"address": NET + "25", "listfile": "list.txt"},
    ],
}
SHARED = None
_tmp = None


def setUpModule():
    global SHARED, _tmp
    _tmp = tempfile.TemporaryDirectory()
    with open(os.path.join(_tmp.name, "list.txt"), "wb") as f:
        f.write(b"001.003,L03,3,1,0,0,x\r\n001.004,L04,4,1,0,0,x\n")
    SHARED = Sim(_tmp.name, scenario=SCENARIO)


def tearDownModule():
    if SHARED:
        SHARED.stop()
    _tmp.cleanup()


class LoomRequests(unittest.TestCase):
    def test_table_accepted_only_for_the_looms_family(self):
        cases = [(NET + "10", table("AXV600"), "OK"), (NET + "10", table("HR600"), "NG"),
                 (NET + "11", table("HR600"), "OK"), (NET + "11", table("AXV600"), "NG")]
        for address, data, expected in cases:
            with self.subTest(address=address, header=data[:12]):
                body = upload_body(data)
                status, _, answer, rec = SHARED.ask(address, "POST", UPLOAD, body,
                                                    {"Content-Type": ctype()})
                self.assertEqual((status, answer), (200, expected.encode() + b"\r\n"))
                self.assertEqual((rec["method"], rec["target"], rec["content_type"]),
                                 ("POST", UPLOAD, ctype()))
                self.assertEqual(rec["body_length"], len(body))
                up = rec["upload"]
                self.assertEqual((up["fields"], up["filename"], up["error"]),
                                 ({"mode": "set_ip_table"}, "ip_table.txt", None))
                self.assertEqual(up["header_line"], data.split(b"\r\n")[0].decode())
                self.assertEqual(base64.b64decode(up["table_b64"]), data)
                self.assertEqual((rec["status"], rec["answer"], rec["fault"]), (200, expected, None))

    def test_program_written_bodies_are_well_formed(self):
        # The program's own golden upload bodies must pass the same parser.
        paths = [os.path.join(DATA, name) for name in ("iptbl_post.txt", "iptbl_post_hr.txt")]
        if not all(map(os.path.exists, paths)):
            self.skipTest("the program's golden upload bodies are missing")
        for path in paths:
            name = os.path.basename(path)
            with open(path, "rb") as f:
                body = f.read()
            family = re.search(rb"(\w+)-MCARD-DATA ip_table", body).group(1).decode()
            with self.subTest(name=name, family=family):
                rec, accepted = millsim.parse_upload(ctype(), body, family)
                self.assertEqual((rec["error"], accepted), (None, True))

    def test_malformed_upload_answers_ng_and_says_why(self):
        good = table("AXV600")
        cases = [
            ("other boundary", ctype("xyz"), multipart([MODE_PART, file_part(good)], "xyz"), "boundary"),
            ("no boundary", "multipart/form-data", upload_body(good), "boundary"),
            ("not multipart", "text/plain", upload_body(good), "multipart/form-data"),
            ("no mode part", ctype(), multipart([file_part(good)]), "mode"),
            ("wrong mode", ctype(), multipart([(MODE_PART[0], b"get"), file_part(good)]), "mode"),
            ("no file part", ctype(), multipart([MODE_PART]), "file part"),
            ("no end line", ctype(), upload_body(table("AXV600", end=False)), "#end_of_data"),
            ("LF line ends", ctype(), upload_body(table("AXV600", eol="\n")), "CR LF"),
            ("cut short", ctype(), upload_body(good)[:-12], "closing delimiter"),
        ]
        for label, content_type, body, reason in cases:
            with self.subTest(label):
                status, _, answer, rec = SHARED.ask(NET + "10", "POST", UPLOAD, body,
                                                    {"Content-Type": content_type})
                self.assertEqual((status, answer), (200, b"NG\r\n"))
                self.assertIn(reason, rec["upload"]["error"] or "")

    def test_chunked_upload_after_100_continue(self):
        body = upload_body(table("AXV600"))
        before = len(SHARED.records(NET + "10"))
        with socket.create_connection((NET + "10", PORT), timeout=5) as s:
            s.sendall(f"POST {UPLOAD} HTTP/1.1\r\nHost: x\r\nContent-Type: {ctype()}\r\n"
                      "Transfer-Encoding: chunked\r\nExpect: 100-continue\r\n\r\n".encode())
            self.assertTrue(s.recv(100).startswith(b"HTTP/1.1 100 "))
            s.sendall(b"%x\r\n%s\r\n0\r\n\r\n" % (len(body), body))
            reply = b"".join(iter(lambda: s.recv(4096), b""))
        self.assertTrue(reply.startswith(b"HTTP/1.1 200 OK\r\n"))
        self.assertTrue(reply.endswith(b"\r\n\r\nOK\r\n"))
        rec = SHARED.wait_records(NET + "10", before + 1)[-1]
        self.assertEqual((rec["body_length"], rec["upload"]["error"]), (len(body), None))

    def test_name_request_records_the_decoded_name(self):
        cases = [("L-01", "L-01"), ("A%20B", "A B"), ("W%C3%A9b", "W\u00e9b"),
                 ("%E9t%E9", "\u00e9t\u00e9"), ("a&b=c", "a&b=c")]
        for data, name in cases:
            with self.subTest(data=data):
                target = f"/cgi-bin/ext.cgi?func=tms_set_mac_name&data={data}"
                status, _, answer, rec = SHARED.ask(NET + "10", "GET", target)
                self.assertEqual((status, answer), (200, b"OK\r\n"))
                self.assertEqual((rec["target"], rec["name"], rec["upload"]), (target, name, None))

    def test_basic_credentials_are_recorded(self):
        target = "/cgi-bin/ext.cgi?func=tms_set_mac_name&data=X"
        for creds, user, ok in [(None, None, None), (("loom", "weave"), "loom", True),
                                (("bob", "x"), "bob", False)]:
            with self.subTest(creds=creds):
                headers = {"Authorization": basic(*creds)} if creds else {}
                *_, rec = SHARED.ask(NET + "10", "GET", target, headers=headers)
                self.assertEqual((rec["user"], rec["password_ok"]), (user, ok))

    def test_answer_option_replaces_ok_body(self):
        _, _, answer, _ = SHARED.ask(NET + "12", "GET", "/cgi-bin/ext.cgi?func=tms_set_mac_name&data=a")
        self.assertEqual(answer, b"Done\r\n")

    def test_other_requests_are_not_found(self):
        cases = [(NET + "10", "GET", "/index.html"), (NET + "10", "GET", UPLOAD),
                 (NET + "10", "GET", "/cgi-bin/ext.cgi?func=other&data=x"),
                 (NET + "10", "GET", HOST_LIST), (NET + "20", "POST", UPLOAD)]
        for address, method, target in cases:
            with self.subTest(address=address, method=method, target=target):
                status, headers, answer, rec = SHARED.ask(address, method, target)
                self.assertEqual((status, answer), (404, b"Not Found\r\n"))
                self.assertEqual((headers["connection"], headers["content-type"]),
                                 ("close", "text/plain"))
                self.assertEqual((rec["status"], rec["target"]), (404, target))


class HostList(unittest.TestCase):
    def test_framing(self):
        two = b"001.001,L01,1,1,0,0,x\r\n001.002,L02,2,1,0,0,x\r\n"
        cases = [
            (NET + "20", HOST_LIST, b"HEAD:MAVO_DATA\r\n" + two + b"FOOT:MAVO_DATA\r\n"),
            (NET + "20", HOST_LIST[1:], b"HEAD:MAVO_DATA\r\n" + two + b"FOOT:MAVO_DATA\r\n"),
            (NET + "21", HOST_LIST, b"HEAD:MAVO_DATA\r\na\r\n"),
            (NET + "22", HOST_LIST, b"a\r\n"),
            (NET + "23", HOST_LIST, b"HEAD:MAVO_DATA\r\na\r\nHEAD:MAVO_DATA\r\n"),
            (NET + "24", HOST_LIST, b"HEAD:MAVO_DATA\r\ngarbage"),
            (NET + "25", HOST_LIST, b"HEAD:MAVO_DATA\r\n001.003,L03,3,1,0,0,x\r\n"
                                    b"001.004,L04,4,1,0,0,x\r\nFOOT:MAVO_DATA\r\n"),
        ]
        for address, target, expected in cases:
            with self.subTest(address=address, target=target):
                status, headers, body, rec = SHARED.ask(address, "GET", target)
                self.assertEqual((status, body), (200, expected))
                self.assertEqual(int(headers["content-length"]), len(expected))
                self.assertEqual((rec["role"], rec["target"]), ("host", target))


class FaultModes(unittest.TestCase):
    NAME = "/cgi-bin/ext.cgi?func=tms_set_mac_name&data=L"

    def test_refuse(self):
        with self.assertRaises(ConnectionRefusedError):
            socket.create_connection((NET + "30", PORT), timeout=2).close()

    def test_silent_records_at_once_and_never_answers(self):
        before = len(SHARED.records(NET + "31"))
        with socket.create_connection((NET + "31", PORT), timeout=5) as s:
            s.sendall(f"GET {self.NAME} HTTP/1.1\r\nHost: x\r\n\r\n".encode())
            rec = SHARED.wait_records(NET + "31", before + 1)[-1]
            self.assertEqual((rec["status"], rec["answer"], rec["fault"], rec["name"]),
                             (None, None, "silent", "L"))
            s.settimeout(0.3)
            with self.assertRaises(TimeoutError):
                s.recv(1)
        with self.assertRaises(TimeoutError):
            fetch(NET + "31", "GET", self.NAME, timeout=0.3)

    def test_close_cuts_the_body_short(self):
        conn = http.client.HTTPConnection(NET + "32", PORT, timeout=5)
        try:
            conn.request("GET", self.NAME)
            resp = conn.getresponse()
            self.assertEqual((resp.status, resp.getheader("Content-Length")), (200, "100"))
            with self.assertRaises(http.client.IncompleteRead) as caught:
                resp.read()
        finally:
            conn.close()
        self.assertEqual((caught.exception.partial[:4], len(caught.exception.partial)), (b"OK\r\n", 10))
        rec = SHARED.wait_records(NET + "32", 1)[-1]
        self.assertEqual((rec["status"], rec["fault"]), (200, "close"))

    def test_auth(self):
        cases = [(None, 401, "auth"), (("loom", "nope"), 401, "auth"), (("loom", "weave"), 200, None)]
        for creds, code, fault in cases:
            with self.subTest(creds=creds):
                headers = {"Authorization": basic(*creds)} if creds else {}
                status, head, body, rec = SHARED.ask(NET + "33", "GET", self.NAME, headers=headers)
                self.assertEqual(status, code)
                if code == 401:
                    self.assertEqual(head["www-authenticate"], 'Basic realm="loom"')
                    self.assertEqual(body, b"Unauthorized\r\n")
                else:
                    self.assertEqual(body, b"OK\r\n")
                self.assertEqual((rec["status"], rec["fault"]), (code, fault))

    def test_ng_answers_every_request(self):
        for method, target, body, headers in [
                ("GET", self.NAME, None, {}),
                ("POST", UPLOAD, upload_body(table("AXV600")), {"Content-Type": ctype()})]:
            with self.subTest(target=target):
                status, _, answer, rec = SHARED.ask(NET + "34", method, target, body, headers)
                self.assertEqual((status, answer, rec["fault"]), (200, b"NG\r\n", "ng"))

    def test_huge(self):
        cases = [(NET + "35", 2 * MIB, True), (NET + "36", 2 * MIB, False),
                 (NET + "37", 16 * MIB + 1, True)]
        for address, size, announced in cases:
            with self.subTest(address=address, size=size, announced=announced):
                started = time.monotonic()
                status, headers, body = fetch(address, "GET", self.NAME, timeout=10)
                self.assertLess(time.monotonic() - started, 5.0)
                self.assertEqual((status, len(body), body[:4]), (200, size, b"OK\r\n"))
                self.assertEqual(headers.get("content-length"), str(size) if announced else None)

    def test_slow_and_drip_take_their_time(self):
        cases = [(NET + "38", 0.4, b"OK\r\n", "slow"), (NET + "39", 4 * 0.05, None, "drip")]
        for address, least, expected, fault in cases:
            with self.subTest(fault=fault):
                started = time.monotonic()
                status, headers, body, rec = SHARED.ask(address, "GET", self.NAME)
                self.assertGreaterEqual(time.monotonic() - started, least)
                self.assertEqual(status, 200)
                if expected is None:
                    self.assertEqual((len(body), body[:4], headers["content-length"]),
                                     (16, b"OK\r\n", "16"))
                else:
                    self.assertEqual(body, expected)
                self.assertEqual(rec["fault"], fault)


class Rehearsal(unittest.TestCase):
    LAYOUT = ["AXV600-MCARD-DATA lout_itbl -----------", "LTB 0 0 --NO_STR-- T01 0 0",
              "LOOM 12 3 050.061 A-001 2 1", "LOOM 1 1 --NO_STR-- B 0 0",
              "SENSOR 5 5 050.064 S 0 7", "LOOM 39 39 050.062 Z9 9 11", "#end_of_data",
              "LOOM 1 2 050.063 late 0 0"]
    EXPECTED = [(NET + "61", "A-001"), (NET + "62", "Z9")]

    def write_layout(self, tmp, eol):
        path = os.path.join(tmp, "layout.txt")
        with open(path, "wb") as f:
            f.write("".join(line + eol for line in self.LAYOUT).encode("latin-1"))
        return path

    def test_one_loom_per_loom_line(self):
        with tempfile.TemporaryDirectory() as tmp:
            for eol in ("\r\n", "\n"):
                with self.subTest(eol=eol):
                    self.assertEqual(millsim.layout_looms(self.write_layout(tmp, eol), "127.0"),
                                     self.EXPECTED)

    def test_rehearsal_serves_the_layouts_looms(self):
        with tempfile.TemporaryDirectory() as tmp:
            sim = Sim(tmp, "--layout", self.write_layout(tmp, "\r\n"), "--prefix", "127.0",
                      "--family", "HR600")
            try:
                for address, _ in self.EXPECTED:
                    with self.subTest(address=address):
                        status, _, answer = fetch(address, "POST", UPLOAD, upload_body(table("HR600")),
                                                  {"Content-Type": ctype()})
                        self.assertEqual((status, answer), (200, b"OK\r\n"))
                for address in (NET + "63", NET + "64"):
                    with self.subTest(address=address), self.assertRaises(ConnectionRefusedError):
                        socket.create_connection((address, PORT), timeout=2).close()
            finally:
                sim.stop()


class Processes(unittest.TestCase):
    def test_start_listens_at_once_and_stop_cleans_up(self):
        address = NET + "70"
        with tempfile.TemporaryDirectory() as tmp:
            sim = Sim(tmp, "--loom", address)
            try:
                status, _, body = fetch(address, "GET", "/cgi-bin/ext.cgi?func=tms_set_mac_name&data=a")
                self.assertEqual((status, body), (200, b"OK\r\n"))
                with open(sim.pidfile) as f:
                    pid = int(f.read())
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    self.assertIn(b"millsim.py", f.read())
                other = os.path.join(tmp, "other")
                second = run_tool("start", "--loom", address, "--port", str(PORT),
                                  "--pidfile", other + ".pid", "--logfile", other + ".log")
                self.assertEqual(second.returncode, 1)
                self.assertIn(f"{address}:{PORT}", second.stderr)
                self.assertIn("busy", second.stderr)
                self.assertFalse(os.path.exists(other + ".log"))
            finally:
                stopped = sim.stop()
            self.assertEqual(stopped.returncode, 0, stopped.stdout + stopped.stderr)
            self.assertFalse(os.path.exists(sim.pidfile))
            wait_until(lambda: gone(pid), what=f"pid {pid} to end")
            again = sim.stop()
            self.assertEqual(again.returncode, 0)
            self.assertIn("nothing to stop", again.stdout)

    def test_background_child_keeps_no_inherited_descriptor(self):
        # ctest hands its pipes down and waits until every holder closes them.
        read_end, write_end = os.pipe()
        with tempfile.TemporaryDirectory() as tmp:
            pidfile = os.path.join(tmp, "p")
            try:
                with open(os.devnull, "wb") as null:
                    started = subprocess.run(
                        [sys.executable, TOOL, "start", "--loom", NET + "73", "--port", str(PORT),
                         "--pidfile", pidfile, "--logfile", os.path.join(tmp, "l")],
                        stdin=subprocess.DEVNULL, stdout=write_end, stderr=null,
                        pass_fds=(write_end,), timeout=20)
                os.close(write_end)
                write_end = None
                self.assertEqual(started.returncode, 0)
                said, deadline = b"", time.monotonic() + 5
                while select.select([read_end], [], [], max(0, deadline - time.monotonic()))[0]:
                    data = os.read(read_end, 4096)
                    if not data:
                        break
                    said += data
                else:
                    self.fail("a background process still holds the pipe")
                self.assertIn(b"started", said)
            finally:
                if write_end is not None:
                    os.close(write_end)
                os.close(read_end)
                run_tool("stop", "--pidfile", pidfile)

    def test_serve_prints_a_summary_on_interrupt(self):
        address = NET + "71"
        with tempfile.TemporaryDirectory() as tmp:
            records = os.path.join(tmp, "rec")
            proc = subprocess.Popen([sys.executable, TOOL, "--loom", address, "--port", str(PORT),
                                     "--records", records], stdin=subprocess.DEVNULL,
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            try:
                def answered():
                    try:
                        return fetch(address, "GET", "/cgi-bin/ext.cgi?func=tms_set_mac_name&data=a")
                    except ConnectionRefusedError:
                        return None
                self.assertEqual(wait_until(answered, what="serve to listen")[2], b"OK\r\n")
                wait_until(lambda: os.path.exists(records) and os.path.getsize(records), what="record")
                proc.send_signal(signal.SIGINT)
                out, err = proc.communicate(timeout=10)
            finally:
                if proc.poll() is None:
                    proc.kill()
                    proc.communicate()
        self.assertEqual(proc.returncode, 0, err)
        self.assertIn(f"{address}:{PORT} listening", out)
        self.assertIn("1 requests, 1 OK, 0 NG", out)

    def test_bind_error_messages(self):
        cases = [(errno.EACCES, 80, ["127.0.8.1:80", "root", "ip_unprivileged_port_start"]),
                 (errno.EADDRINUSE, 80, ["127.0.8.1:80", "busy"]),
                 (errno.EADDRNOTAVAIL, 8080, ["127.0.8.1:8080", "not available"])]
        for code, port, words in cases:
            with self.subTest(code=errno.errorcode[code]):
                text = millsim.bind_error_message("127.0.8.1", port, OSError(code, os.strerror(code)))
                for word in words:
                    self.assertIn(word, text)

    @unittest.skipIf(os.geteuid() == 0, "root may bind port 80")
    def test_low_port_without_root(self):
        with open("/proc/sys/net/ipv4/ip_unprivileged_port_start") as f:
            if int(f.read()) <= 80:
                self.skipTest("unprivileged ports start at or below 80 here")
        with tempfile.TemporaryDirectory() as tmp:
            result = run_tool("start", "--loom", NET + "72", "--port", "80", "--pidfile",
                              os.path.join(tmp, "p"), "--logfile", os.path.join(tmp, "l"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("ip_unprivileged_port_start", result.stderr)

    def test_bad_configuration_exits_2(self):
        a = NET + "80"
        cases = [
            (["--loom", a + ",mode=sleepy"], None, "mode"),
            (["--loom", a + ",colour=red"], None, "colour"),
            (["--loom", "10.0.0.1"], None, "loopback"),
            (["--loom", a + ",lines=x"], None, "host stations only"),
            (["--loom", a, "--host", a], None, "more than one"),
            ([], {"looms": [], "extra": 1}, "extra"),
            ([], {"looms": [{"address": a, "family": "XYZ"}]}, "family"),
            ([], {"hosts": [{"address": a, "frame": "tail"}]}, "frame"),
            ([], {"hosts": [{"address": a, "size": "big"}]}, "size"),
        ]
        with tempfile.TemporaryDirectory() as tmp:
            for args, scenario, word in cases:
                with self.subTest(args=args, scenario=scenario):
                    if scenario is not None:
                        path = os.path.join(tmp, "s.json")
                        with open(path, "w") as f:
                            json.dump(scenario, f)
                        args = args + ["--scenario", path]
                    result = run_tool("serve", *args, "--port", str(PORT))
                    self.assertEqual(result.returncode, 2, result.stderr)
                    self.assertIn(word, result.stderr)

    def test_station_option_syntax(self):
        cases = [
            ("127.0.8.1,family=HR600,mode=slow,delay=1.5", "loom",
             {"family": "HR600", "mode": "slow", "delay": 1.5}),
            ("127.0.9.1,frame=head,lines=001.001,L01,1|001.002,L\\|2", "host",
             {"frame": "head", "lines": ["001.001,L01,1", "001.002,L|2"]}),
            ("127.0.9.1,lines=", "host", {"lines": []}),
            ("127.0.8.2,answer=ok\\r\\n", "loom", {"answer": "ok\r\n"}),
            ("127.0.8.3,announce=no,size=5,user=a\\,b", "loom",
             {"announce": False, "size": 5, "user": "a,b"}),
        ]
        for text, role, options in cases:
            with self.subTest(text=text):
                self.assertEqual(millsim.parse_station(text, role), (text.split(",")[0], options))


if __name__ == "__main__":
    unittest.main()
