#!/usr/bin/env python3
"""Stand-in looms and host system for MILLPLAN's network features.

Every station (a loom's embedded web server or the host system) listens on
its own loopback address, port 80, answers the few requests MILLPLAN sends
and writes one JSON record per request, so tests can script a station's
behaviour and check what it received.  Engineers can also rehearse a
commissioning: one simulated loom per LOOM line of a layout item file.

Run "python3 tools/millsim.py --help" for the commands, the station options,
the scenario file and the record format.

Python 3 standard library only; importing this module has no side effects.
"""

import argparse
import base64
import codecs
import datetime
import errno
import ipaddress
import json
import math
import os
import re
import resource
import select
import selectors
import signal
import socket
import sys
import threading
import time
import traceback
import urllib.parse

DEFAULT_PORT = 80
DEFAULT_UPLOAD_PATH = "/cgi-bin/ext_mp.cgi"
DEFAULT_NAME_PATH = "/cgi-bin/ext.cgi"
HOST_PATH = "/imavo/Setting/GetLayoutFromHost.cgi"
NAME_FUNC = "tms_set_mac_name"
BOUNDARY = "-" * 27 + "host2axv"
FAMILIES = ("AXV600", "HR600")
MODES = ("ok", "refuse", "silent", "close", "auth", "ng", "huge", "slow", "drip")
FRAMES = ("both", "head", "none", "twohead")

HEAD_LINE = b"HEAD:MAVO_DATA\r\n"
FOOT_LINE = b"FOOT:MAVO_DATA\r\n"
OK_BODY = b"OK\r\n"
NG_BODY = b"NG\r\n"
TABLE_HEADER = re.compile(rb"([A-Za-z0-9]+)-MCARD-DATA ip_table -{11}")
TABLE_END = b"\r\n#end_of_data\r\n"

REASONS = {
    100: "Continue",
    200: "OK",
    400: "Bad Request",
    401: "Unauthorized",
    404: "Not Found",
    413: "Payload Too Large",
}
ERROR_BODIES = {
    400: b"Bad Request\r\n",
    401: b"Unauthorized\r\n",
    404: b"Not Found\r\n",
    413: b"Payload Too Large\r\n",
}

# Per-mode defaults; a mode not listed uses the general ones below.
MODE_DEFAULTS = {
    "close": {"size": 100},
    "huge": {"size": 16 * 1024 * 1024 + 1},
    "drip": {"size": 64, "delay": 0.25},
    "slow": {"delay": 2.0},
}
GENERAL_DEFAULTS = {
    "size": 100,
    "delay": 0.0,
    "close_after": 10,
    "chunk": 1,
    "announce": True,
    "user": "loom",
    "password": "weave",
    "encoding": "latin-1",
    "frame": "both",
}

IO_TIMEOUT = 30.0  # a client that stalls this long mid-request is dropped
LINGER = 2.0  # after answering, wait this long for the client's close
MAX_HEAD = 64 * 1024
MAX_BODY = 64 * 1024 * 1024
RECORD_PREFIX = 4096  # bytes of each answer kept for its first line
FILLER = b"."
STOP_WAIT = 5.0
HANDSHAKE_WAIT = 15.0

DESCRIPTION = """\
Simulate the looms' embedded web servers and the host system that MILLPLAN
talks to.  Each station listens on its own loopback address (127.x.y.z),
port 80, answers in a scripted way and records every request it receives."""

EPILOG = r"""
"millsim.py serve --help" and "millsim.py start --help" list the options.

commands:
  serve  [STATIONS] [--records F]      run in the foreground (the default
         when no command is given); one line per station and per request,
         a summary (requests per station, OK/NG counts) on Ctrl-C, exit 0
  start  [STATIONS] --pidfile F --logfile F [--records F]
         bind every socket first (a failure is reported here, exit 1), then
         run in the background: the child calls setsid, reads /dev/null,
         writes stdout/stderr to the log file and writes the pid file.
         "start" returns (exit 0) only once the child listens, so callers
         may connect at once.  Records default to <logfile>.records.
  stop   --pidfile F
         SIGTERM to the pid in F if that process runs millsim.py, wait up to
         5 s (then SIGKILL), remove F.  No pid file or a dead pid: exit 0.

stations (combine freely; an address may appear once):
  --loom STATION / --host STATION    STATION = ADDRESS[,key=value...]
  --scenario FILE              JSON file, see below
  --layout FILE [--prefix 127.0] [--family AXV600|HR600]
         rehearsal: one loom (mode ok) per "LOOM x y ADDRESS NAME segment
         state" line of a layout item file; ADDRESS "001.017" becomes
         <prefix>.1.17, "--NO_STR--" is skipped.  The first line is the
         file's header; reading stops at the line holding "#end_of_data".
         A --loom/--host/scenario station on the same address replaces the
         layout's loom (e.g. to make one of them silent).
  --family sets the family of every loom that names none.
  Only loopback addresses are accepted.

STATION syntax:
  Options are separated by commas.  The keys "lines", "raw" and "answer"
  take the whole rest of the STATION text, commas included, so they must come last.
  "lines" is a list separated by "|".  Backslash escapes work in every
  value: \\ \, \| \r \n \t \xHH.  Example:
    --loom 127.0.8.1,family=HR600,mode=slow,delay=1.5
    --host '127.0.9.1,frame=head,lines=001.001,L01,1,1,0,0,x|001.002,L02,2,1,0,0,x'
    --loom '127.0.8.2,answer=ok\r\n'

station options (key: default):
  mode: ok        ok | refuse | silent | close | auth | ng | huge | slow | drip
  family: AXV600  (looms) AXV600 | HR600: the family a table's header must name
  answer          replaces the body of every OK answer verbatim (no CR LF
                  is added; write it yourself)
  user: loom, password: weave      credentials for mode auth
  size            close: 100, huge: 16777217, drip: 64 (bytes of the body)
  close_after: 10 close: body bytes sent before closing
  announce: true  huge: send Content-Length (false: end by closing)
  delay           slow: 2.0, drip: 0.25 (seconds, fractions allowed)
  chunk: 1        drip: bytes per step
  encoding: latin-1  how answer, raw and lines texts become bytes
  lines           (host) the loom list, one text line each
  listfile        (host) file with one loom-list line per line (bytes are
                  sent as they are; CR LF or LF)
  frame: both     (host) both | head (HEAD only) | none | twohead (HEAD,
                  lines, HEAD again in place of FOOT)
  raw             (host) replaces the whole host answer body verbatim

modes (every request the station gets, whatever its kind):
  ok       normal answers (below)
  refuse   nothing listens on the address: connections are refused
  silent   reads the request, never answers, holds the connection until the
           client closes it or the simulator stops
  close    headers announce the normal body padded to size bytes, then only
           close_after bytes are sent and the connection is closed
  auth     401 with WWW-Authenticate: Basic realm="loom" unless the request
           carries Basic credentials user:password; then as ok
  ng       200 with body NG\r\n
  huge     200 with a body of exactly size bytes beginning OK\r\n
  slow     waits delay seconds, then answers as ok
  drip     headers with Content-Length, then the normal body padded to size
           bytes, chunk bytes every delay seconds

normal answers (every answer has Content-Type: text/plain, Content-Length
and Connection: close; the connection is closed after it):
  loom  POST <upload path> (default /cgi-bin/ext_mp.cgi): a multipart upload
        of ip_table.txt with field mode=set_ip_table.  OK\r\n when it is well
        formed and the table's header line names the loom's family, else
        NG\r\n (a malformed upload's record says why in upload.error).
  loom  GET <name path>?func=tms_set_mac_name&data=NAME (default path
        /cgi-bin/ext.cgi): OK\r\n.  NAME is everything after "data=" (it is
        sent unescaped); NG\r\n when data= is missing.
  host  GET /imavo/Setting/GetLayoutFromHost.cgi (also without the leading
        "/"): HEAD:MAVO_DATA\r\n, each line + \r\n, FOOT:MAVO_DATA\r\n
  else  404 with body Not Found\r\n

scenario file (JSON; unknown keys or values: exit 2):
  {"looms": [{"address": "127.0.8.1", "family": "AXV600", "mode": "ok"}],
   "hosts": [{"address": "127.0.9.1", "lines": ["001.001,L01,1,1,0,0,x"]}],
   "upload_path": "/cgi-bin/ext_mp.cgi", "name_path": "/cgi-bin/ext.cgi"}
  Station objects take the station option keys above with JSON types
  (numbers, true/false, lists of strings).  A relative listfile is read
  from the scenario file's directory.  --upload-path/--name-path win over
  the file.

records (--records F: one JSON line per request, appended and flushed at
once; "-" or none given to serve: stdout, and the per-request lines go to
stderr).  Keys, sorted:
  answer        first line of the answer body sent (text), null if none
  body_length   bytes of request body received
  content_type  the Content-Type header or null
  fault         the mode applied (silent, close, auth, ng, huge, slow,
                drip), null for a normal answer
  headers       request headers, names as received, last value wins
  method, target  as received (target raw; bytes read as Latin-1)
  name          name request: the percent-decoded name (UTF-8 when it is
                valid UTF-8, else Latin-1), otherwise null
  password_ok   Basic credentials match the station's user/password;
                null when none were sent
  role          "loom" or "host"
  station       the station's address
  status        status code sent, null when none (silent)
  time          local ISO 8601 time with ms when the request was read
  upload        null unless a POST to the upload path: {"fields": {...},
                "filename": ..., "header_line": ..., "table_b64": base64 of
                the table bytes, "error": null or why it is malformed}
  user          user name from a Basic Authorization header, or null

exit status: 0 done, 1 cannot start (e.g. address busy), 2 bad options.
"""


class ConfigError(Exception):
    """A station or scenario setting that cannot be used (exit 2)."""


class StartError(Exception):
    """The simulator cannot run as asked (exit 1)."""


class UploadError(Exception):
    """Why an upload is malformed."""


# ---------------------------------------------------------------- options


def _choice(values):
    def convert(key, value):
        if not isinstance(value, str) or value not in values:
            raise ConfigError(f"{key}={value!r}: expected one of {', '.join(values)}")
        return value

    return convert


def _whole(minimum):
    def convert(key, value):
        if isinstance(value, str) and re.fullmatch(r"\s*\d+\s*", value):
            value = int(value)
        if isinstance(value, bool) or not isinstance(value, int) or value < minimum:
            raise ConfigError(f"{key}={value!r}: expected a whole number, at least {minimum}")
        return value

    return convert


def _seconds(key, value):
    number = None
    if isinstance(value, str):
        try:
            number = float(value)
        except ValueError:
            pass
    elif isinstance(value, (int, float)) and not isinstance(value, bool):
        number = float(value)
    if number is None or not math.isfinite(number) or number < 0:
        raise ConfigError(f"{key}={value!r}: expected seconds (a number, at least 0)")
    return number


def _flag(key, value):
    if isinstance(value, bool):
        return value
    words = {"true": True, "yes": True, "on": True, "1": True,
             "false": False, "no": False, "off": False, "0": False}
    if isinstance(value, str) and value.lower() in words:
        return words[value.lower()]
    raise ConfigError(f"{key}={value!r}: expected true or false")


def _text(key, value):
    if not isinstance(value, str):
        raise ConfigError(f"{key}={value!r}: expected text")
    return value


def _text_list(key, value):
    if not isinstance(value, list) or not all(isinstance(v, str) for v in value):
        raise ConfigError(f"{key}: expected a list of texts")
    return list(value)


def _encoding(key, value):
    _text(key, value)
    try:
        codecs.lookup(value)
    except LookupError:
        raise ConfigError(f"{key}={value!r}: unknown encoding") from None
    return value


BOTH = ("loom", "host")
OPTIONS = {
    "mode": (BOTH, _choice(MODES)),
    "family": (("loom",), _choice(FAMILIES)),
    "answer": (BOTH, _text),
    "user": (BOTH, _text),
    "password": (BOTH, _text),
    "size": (BOTH, _whole(0)),
    "close_after": (BOTH, _whole(0)),
    "announce": (BOTH, _flag),
    "delay": (BOTH, _seconds),
    "chunk": (BOTH, _whole(1)),
    "encoding": (BOTH, _encoding),
    "lines": (("host",), _text_list),
    "listfile": (("host",), _text),
    "frame": (("host",), _choice(FRAMES)),
    "raw": (("host",), _text),
}
REST_KEYS = ("lines", "raw", "answer")  # take the rest of a station's text, commas included


def check_options(role, options, where):
    """Validates station options (typed values); returns them converted."""
    result = {}
    for key, value in options.items():
        entry = OPTIONS.get(key)
        if entry is None:
            raise ConfigError(f"{where}: unknown option {key!r}")
        roles, convert = entry
        if role not in roles:
            raise ConfigError(f"{where}: option {key!r} is for {' and '.join(roles)} stations only")
        try:
            result[key] = convert(key, value)
        except ConfigError as e:
            raise ConfigError(f"{where}: {e}") from None
    if "lines" in result and "listfile" in result:
        raise ConfigError(f"{where}: give lines or listfile, not both")
    return result


def check_address(text, where="station"):
    try:
        address = ipaddress.IPv4Address(text)
    except (ValueError, TypeError):
        raise ConfigError(f"{where}: {text!r} is not an IPv4 address") from None
    if not address.is_loopback:
        # Port 80 on a real interface could pass for a loom on a mill's network.
        raise ConfigError(f"{where}: {text} is not a loopback address (127.x.y.z)")
    return str(address)


_ESCAPES = {"\\": "\\", ",": ",", "|": "|", "r": "\r", "n": "\n", "t": "\t"}


def unescape(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        nxt = text[i + 1:i + 2]
        if nxt in _ESCAPES and nxt:
            out.append(_ESCAPES[nxt])
            i += 2
        elif nxt == "x" and re.fullmatch(r"[0-9A-Fa-f]{2}", text[i + 2:i + 4]):
            out.append(chr(int(text[i + 2:i + 4], 16)))
            i += 4
        else:
            raise ConfigError(f"bad escape {text[i:i + 4]!r} in {text!r}")
    return "".join(out)


def split_unescaped(text, sep):
    """Splits at each sep not preceded by a backslash; escapes are kept."""
    parts, start, i = [], 0, 0
    while i < len(text):
        if text[i] == "\\":
            i += 2
            continue
        if text[i] == sep:
            parts.append(text[start:i])
            start = i + 1
        i += 1
    parts.append(text[start:])
    return parts


def parse_station(text, role):
    """ADDRESS[,key=value...] -> (address, converted options)."""
    tokens, start = [], 0
    while True:
        key = text[start:].split("=", 1)[0]
        if key in REST_KEYS and "=" in text[start:]:
            tokens.append(text[start:])
            break
        piece = split_unescaped(text[start:], ",")[0]
        tokens.append(piece)
        start += len(piece) + 1
        if start > len(text):
            break
    where = f"--{role} {text}"
    address = check_address(tokens[0].strip(), where)
    options = {}
    for token in tokens[1:]:
        if not token.strip():
            continue
        key, eq, raw = token.partition("=")
        key = key.strip()
        if not eq:
            raise ConfigError(f"{where}: {token!r} is not key=value")
        if key in options:
            raise ConfigError(f"{where}: option {key!r} given twice")
        try:
            if key == "lines":
                options[key] = [unescape(p) for p in split_unescaped(raw, "|")] if raw else []
            else:
                options[key] = unescape(raw)
        except ConfigError as e:
            raise ConfigError(f"{where}: {e}") from None
    return address, check_options(role, options, where)


def load_scenario(path):
    """-> (list of (role, address, options, base_dir), {path key: value})."""
    try:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
    except OSError as e:
        raise ConfigError(f"scenario {path}: {e.strerror or e}") from None
    except ValueError as e:
        raise ConfigError(f"scenario {path}: not valid JSON: {e}") from None
    if not isinstance(data, dict):
        raise ConfigError(f"scenario {path}: expected a JSON object")
    known = ("looms", "hosts", "upload_path", "name_path")
    for key in data:
        if key not in known:
            raise ConfigError(f"scenario {path}: unknown key {key!r} (known: {', '.join(known)})")
    paths = {}
    for key in ("upload_path", "name_path"):
        if key in data:
            if not isinstance(data[key], str) or not data[key]:
                raise ConfigError(f"scenario {path}: {key} must be a non-empty text")
            paths[key] = data[key]
    base_dir = os.path.dirname(os.path.abspath(path))
    stations = []
    for key, role in (("looms", "loom"), ("hosts", "host")):
        entries = data.get(key, [])
        if not isinstance(entries, list):
            raise ConfigError(f"scenario {path}: {key} must be a list")
        for n, entry in enumerate(entries):
            where = f"scenario {path}: {key}[{n}]"
            if not isinstance(entry, dict) or "address" not in entry:
                raise ConfigError(f"{where}: expected an object with an address")
            options = dict(entry)
            address = check_address(options.pop("address"), where)
            stations.append((role, address, check_options(role, options, where), base_dir))
    return stations, paths


def layout_looms(path, prefix):
    """-> [(address, name)] for every LOOM line of a layout item file."""
    m = re.fullmatch(r"(\d{1,3})\.(\d{1,3})", prefix or "")
    if not m or int(m.group(1)) != 127 or int(m.group(2)) > 255:
        raise ConfigError(f"--prefix {prefix!r}: expected two octets of a loopback address, e.g. 127.0")
    prefix = f"{int(m.group(1))}.{int(m.group(2))}"
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        raise ConfigError(f"layout {path}: {e.strerror or e}") from None
    looms, seen = [], {}
    for number, raw in enumerate(data.split(b"\n")[1:], start=2):
        line = raw.rstrip(b"\r")
        if b"#end_of_data" in line:
            break
        if not line.startswith(b"LOOM "):
            continue
        fields = line.split()
        text = fields[3].decode("latin-1") if len(fields) > 3 else ""
        if text == "--NO_STR--":
            continue
        m = re.fullmatch(r"(\d{1,3})\.(\d{1,3})", text)
        if not m or max(int(m.group(1)), int(m.group(2))) > 255:
            raise ConfigError(f"layout {path} line {number}: address {text!r} is not like 001.017")
        address = f"{prefix}.{int(m.group(1))}.{int(m.group(2))}"
        if address in seen:
            raise ConfigError(f"layout {path} line {number}: address {text} "
                              f"already on line {seen[address]}")
        seen[address] = number
        looms.append((address, fields[4].decode("latin-1") if len(fields) > 4 else ""))
    return looms


# ---------------------------------------------------------------- stations


class Station:
    def __init__(self, role, address, options, base_dir=None, family=None, label=""):
        self.role = role
        self.address = address
        self.label = label
        get = options.get
        self.mode = get("mode", "ok")
        defaults = dict(GENERAL_DEFAULTS, **MODE_DEFAULTS.get(self.mode, {}))
        self.family = get("family", family or "AXV600") if role == "loom" else None
        self.size = get("size", defaults["size"])
        self.delay = get("delay", defaults["delay"])
        self.close_after = get("close_after", defaults["close_after"])
        self.chunk = get("chunk", defaults["chunk"])
        self.announce = get("announce", defaults["announce"])
        self.user = get("user", defaults["user"])
        self.password = get("password", defaults["password"])
        self.encoding = get("encoding", defaults["encoding"])
        self.frame = get("frame", defaults["frame"])
        self.ok_body = self._bytes("answer", options["answer"]) if "answer" in options else OK_BODY
        self.raw = self._bytes("raw", options["raw"]) if "raw" in options else None
        self.lines = []
        if "lines" in options:
            self.lines = [self._bytes("lines", line) for line in options["lines"]]
            if any(b"\r" in line or b"\n" in line for line in self.lines):
                raise ConfigError(f"{address}: a loom-list line may not hold CR or LF (use raw)")
        elif "listfile" in options:
            name = os.path.join(base_dir or os.getcwd(), os.path.expanduser(options["listfile"]))
            try:
                with open(name, "rb") as f:
                    self.lines = f.read().splitlines()
            except OSError as e:
                raise ConfigError(f"{address}: listfile {name}: {e.strerror or e}") from None
        self.requests = self.oks = self.ngs = 0

    def _bytes(self, key, text):
        try:
            return text.encode(self.encoding)
        except UnicodeEncodeError:
            raise ConfigError(f"{self.address}: {key} cannot be written in {self.encoding}") from None

    def list_body(self):
        if self.raw is not None:
            return self.raw
        body = b"".join(line + b"\r\n" for line in self.lines)
        if self.frame == "both":
            return HEAD_LINE + body + FOOT_LINE
        if self.frame == "head":
            return HEAD_LINE + body
        if self.frame == "twohead":
            return HEAD_LINE + body + HEAD_LINE
        return body

    def describe(self):
        family = f" {self.family}" if self.family else ""
        text = f"{self.role}{family} mode={self.mode}"
        return f"{text} ({self.label})" if self.label else text


def build_config(args):
    """-> (stations, upload_path, name_path) from the parsed command line."""
    explicit = []
    paths = {"upload_path": DEFAULT_UPLOAD_PATH, "name_path": DEFAULT_NAME_PATH}
    if args.scenario:
        found, file_paths = load_scenario(args.scenario)
        explicit += found
        paths.update(file_paths)
    for role, texts in (("loom", args.loom), ("host", args.host)):
        for text in texts:
            address, options = parse_station(text, role)
            explicit.append((role, address, options, None))
    if args.upload_path:
        paths["upload_path"] = args.upload_path
    if args.name_path:
        paths["name_path"] = args.name_path
    stations, taken = [], set()
    for role, address, options, base_dir in explicit:
        if address in taken:
            raise ConfigError(f"address {address} is given to more than one station")
        taken.add(address)
        stations.append(Station(role, address, options, base_dir, args.family))
    if args.layout:
        for address, name in layout_looms(args.layout, args.prefix):
            if address not in taken:
                stations.append(Station("loom", address, {}, family=args.family, label=name))
    if not stations:
        raise ConfigError("no stations: give --loom, --host, --scenario or --layout")
    return stations, paths["upload_path"], paths["name_path"]


# ---------------------------------------------------------------- uploads


def _header_params(value):
    """'type; a=1; b="x;y"' -> ('type', {'a': '1', 'b': 'x;y'})."""
    pieces, cur, quoted, i = [], [], False, 0
    while i < len(value):
        c = value[i]
        if quoted and c == "\\" and i + 1 < len(value):
            cur.append(c + value[i + 1])
            i += 2
            continue
        if c == '"':
            quoted = not quoted
        if c == ";" and not quoted:
            pieces.append("".join(cur))
            cur = []
        else:
            cur.append(c)
        i += 1
    pieces.append("".join(cur))
    params = {}
    for piece in pieces[1:]:
        key, eq, val = piece.strip().partition("=")
        if not eq:
            continue
        val = val.strip()
        if len(val) >= 2 and val[0] == val[-1] == '"':
            val = re.sub(r"\\(.)", r"\1", val[1:-1])
        params[key.strip().lower()] = val
    return pieces[0].strip().lower(), params


def _part_headers(block):
    headers = {}
    for line in block.split(b"\r\n") if block else []:
        name, colon, value = line.partition(b":")
        if not colon:
            raise UploadError(f"part header line {line[:60]!r} has no colon")
        headers[name.strip().decode("latin-1").lower()] = value.strip().decode("latin-1")
    return headers


def _multipart_parts(body, boundary):
    dash = b"--" + boundary
    if body.startswith(dash):
        pos = len(dash)
    else:
        at = body.find(b"\r\n" + dash)
        if at < 0:
            raise UploadError("the body holds no delimiter line with the boundary")
        pos = at + 2 + len(dash)
    parts = []
    while True:
        if body.startswith(b"--", pos):
            if body[pos + 2:] != b"\r\n":
                raise UploadError("after the closing delimiter: expected CR LF, "
                                  f"got {body[pos + 2:pos + 40]!r}")
            return parts
        if not body.startswith(b"\r\n", pos):
            raise UploadError(f"a delimiter line goes on with {body[pos:pos + 20]!r} instead of CR LF")
        pos += 2
        end = body.find(b"\r\n" + dash, pos)
        if end < 0:
            raise UploadError("no closing delimiter (body cut short?)")
        parts.append(body[pos:end])
        pos = end + 2 + len(dash)


def parse_upload(content_type, body, family):
    """-> (upload record, accepted) for a table upload to a loom of family."""
    rec = {"fields": {}, "filename": None, "header_line": None, "table_b64": None, "error": None}
    try:
        kind, params = _header_params(content_type or "")
        if kind != "multipart/form-data":
            raise UploadError(f"Content-Type is {content_type!r}, expected multipart/form-data")
        boundary = params.get("boundary")
        if not boundary:
            raise UploadError("Content-Type names no boundary")
        if boundary != BOUNDARY:
            raise UploadError(f"boundary is {boundary!r}, expected {BOUNDARY!r}")
        table = None
        for part in _multipart_parts(body, boundary.encode("latin-1")):
            if part.startswith(b"\r\n"):
                head, content = b"", part[2:]
            else:
                head, sep, content = part.partition(b"\r\n\r\n")
                if not sep:
                    raise UploadError("a part has no blank line after its headers")
            headers = _part_headers(head)
            disposition, dparams = _header_params(headers.get("content-disposition", ""))
            if disposition != "form-data" or "name" not in dparams:
                raise UploadError("a part's Content-Disposition is "
                                  f"{headers.get('content-disposition')!r}")
            name = dparams["name"]
            if name in rec["fields"] or (name == "file" and table is not None):
                raise UploadError(f"part {name!r} given twice")
            if name == "file":
                if "filename" not in dparams:
                    raise UploadError("the file part has no filename")
                rec["filename"] = dparams["filename"]
                table = content
                rec["table_b64"] = base64.b64encode(table).decode("ascii")
                part_type = headers.get("content-type")
                if _header_params(part_type or "")[0] != "text/plain":
                    raise UploadError(f"the file part's Content-Type is {part_type!r}, "
                                      "expected text/plain")
            else:
                rec["fields"][name] = content.decode("latin-1")
        mode = rec["fields"].get("mode")
        if mode is None:
            raise UploadError("no mode field")
        if mode != "set_ip_table":
            raise UploadError(f"mode is {mode!r}, expected 'set_ip_table'")
        if table is None:
            raise UploadError("no file part")
        first, crlf, _ = table.partition(b"\r\n")
        if not crlf:
            raise UploadError("the table has no CR LF line end")
        rec["header_line"] = first.decode("latin-1")
        header = TABLE_HEADER.fullmatch(first)
        if not header:
            raise UploadError(f"header line {rec['header_line']!r} is not "
                              "'<FAMILY>-MCARD-DATA ip_table -----------'")
        if table.count(b"\n") != table.count(b"\r\n"):
            raise UploadError("the table has line ends other than CR LF")
        if not table.endswith(TABLE_END):
            raise UploadError("the table does not end with the line #end_of_data")
    except UploadError as e:
        rec["error"] = str(e)
        return rec, False
    return rec, header.group(1).decode("latin-1") == family


# ---------------------------------------------------------------- requests


def basic_credentials(value):
    """-> (user, password) from a Basic Authorization header, None if not Basic;
    ('', None) when the credentials cannot be decoded."""
    if not value:
        return None
    scheme, _, token = value.strip().partition(" ")
    if scheme.lower() != "basic":
        return None
    try:
        raw = base64.b64decode(token.strip(), validate=True)
    except ValueError:
        return "", None
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError:
        text = raw.decode("latin-1")
    user, colon, password = text.partition(":")
    return user, password if colon else None


def decode_name(raw):
    data = urllib.parse.unquote_to_bytes(raw.encode("latin-1"))
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("latin-1")


def split_target(target):
    if target.lower().startswith(("http://", "https://")):
        parts = urllib.parse.urlsplit(target)
        return parts.path or "/", parts.query
    path, _, query = target.partition("?")
    return path, query


class Request:
    def __init__(self):
        self.method = None
        self.target = None
        self.headers = {}
        self.lower = {}
        self.body = b""
        self.error = None  # why the request could not be read whole
        self.status_hint = 400
        self.time = None

    def header(self, name):
        return self.lower.get(name.lower())


class _Reader:
    """Buffered reads from a connection; short results mean EOF or time-out."""

    def __init__(self, conn, data):
        self.conn = conn
        self.buf = bytearray(data)

    def _fill(self):
        try:
            data = self.conn.recv(65536)
        except (socket.timeout, OSError):
            return False
        self.buf += data
        return bool(data)

    def exact(self, n):
        while len(self.buf) < n and self._fill():
            pass
        data = bytes(self.buf[:n])
        del self.buf[:n]
        return data

    def line(self):
        while b"\n" not in self.buf:
            if len(self.buf) > MAX_HEAD or not self._fill():
                return None
        end = self.buf.index(b"\n") + 1
        data = bytes(self.buf[:end])
        del self.buf[:end]
        return data.rstrip(b"\r\n")


_HEAD_END = re.compile(rb"\r?\n\r?\n")


def read_request(conn, send_continue):
    """Reads one request; None when the client sent nothing at all."""
    req = Request()
    buf = b""
    while True:
        end = _HEAD_END.search(buf)
        if end:
            head, rest = buf[:end.start()], buf[end.end():]
            break
        if len(buf) > MAX_HEAD:
            head, rest, req.error = buf, b"", "request head too long"
            break
        try:
            data = conn.recv(65536)
        except (socket.timeout, OSError):
            data = b""
        if not data:
            if not buf:
                return None
            head, rest, req.error = buf, b"", "connection ended inside the request head"
            break
        buf += data
    req.time = now_text()
    lines = re.split(rb"\r?\n", head)
    words = lines[0].decode("latin-1").split(" ")
    if len(words) == 3 and words[2].startswith("HTTP/"):
        req.method, req.target = words[0], words[1]
    else:
        req.method = words[0] or None
        req.error = req.error or f"malformed request line {lines[0][:80]!r}"
    for line in lines[1:]:
        name, colon, value = line.decode("latin-1").partition(":")
        if not colon or not name or name != name.strip():
            req.error = req.error or f"malformed header line {line[:80]!r}"
            continue
        req.headers[name] = value.strip()
        req.lower[name.lower()] = value.strip()
    if req.error:
        return req
    chunked = "chunked" in (req.header("Transfer-Encoding") or "").lower()
    length = 0
    if not chunked and req.header("Content-Length") is not None:
        text = req.header("Content-Length")
        if not re.fullmatch(r"\d+", text):
            req.error = f"Content-Length {text!r} is not a number"
            return req
        length = int(text)
        if length > MAX_BODY:
            req.error, req.status_hint = f"Content-Length {length} is too large", 413
            return req
    if (chunked or length) and (req.header("Expect") or "").lower() == "100-continue":
        send_continue()
    reader = _Reader(conn, rest)
    if not chunked:
        req.body = reader.exact(length)
        if len(req.body) < length:
            req.error = f"body ended after {len(req.body)} of {length} bytes"
        return req
    body = bytearray()
    while True:
        line = reader.line()
        size_text = (line or b"").split(b";")[0].strip()
        if line is None or not re.fullmatch(rb"[0-9A-Fa-f]+", size_text):
            req.error = "chunked body malformed or cut short"
            break
        size = int(size_text, 16)
        if size == 0:
            while reader.line():  # trailers up to the blank line
                pass
            break
        if len(body) + size > MAX_BODY:
            req.error, req.status_hint = "chunked body too large", 413
            break
        data = reader.exact(size)
        body += data
        if len(data) < size or reader.line() != b"":
            req.error = "chunked body malformed or cut short"
            break
    req.body = bytes(body)
    return req


def now_text():
    return datetime.datetime.now().astimezone().isoformat(timespec="milliseconds")


class Exchange:
    """What one connection sent back, for its record."""

    def __init__(self, conn):
        self.conn = conn
        self.status = None
        self.sent = bytearray()
        self.fault = None

    def head(self, status, length, extra=()):
        lines = [f"HTTP/1.1 {status} {REASONS.get(status, 'Status')}", "Content-Type: text/plain"]
        if length is not None:
            lines.append(f"Content-Length: {length}")
        lines += list(extra) + ["Connection: close", "", ""]
        self.conn.sendall("\r\n".join(lines).encode("latin-1"))
        self.status = status

    def body(self, data):
        if len(self.sent) < RECORD_PREFIX:
            self.sent += data[:RECORD_PREFIX - len(self.sent)]
        self.conn.sendall(data)

    def answer(self, status, data, extra=()):
        self.head(status, len(data), extra)
        self.body(data)

    def first_line(self):
        if self.status is None:
            return None
        return bytes(self.sent).split(b"\n", 1)[0].rstrip(b"\r").decode("latin-1")


def pad(data, size):
    return data + FILLER * (size - len(data)) if size > len(data) else data


# ---------------------------------------------------------------- server


class Output:
    """Records and human-readable lines; one lock keeps lines whole."""

    def __init__(self, records, log):
        self.records = records
        self.log_stream = log
        self.lock = threading.Lock()

    def record(self, obj):
        line = json.dumps(obj, sort_keys=True) + "\n"
        with self.lock:
            self.records.write(line)
            self.records.flush()

    def log(self, text):
        with self.lock:
            try:
                self.log_stream.write(text + "\n")
                self.log_stream.flush()
            except (OSError, ValueError):
                pass


def bind_error_message(address, port, err):
    where = f"{address}:{port}"
    code = getattr(err, "errno", None)
    if code == errno.EACCES and port < 1024:
        return (f"cannot listen on {where}: permission denied; ports below 1024 need root: "
                f"run as root, or lower net.ipv4.ip_unprivileged_port_start "
                f"(sysctl -w net.ipv4.ip_unprivileged_port_start={port})")
    if code == errno.EADDRINUSE:
        return (f"cannot listen on {where}: address already in use; it is busy with another "
                f"simulator or server, stop that first")
    if code == errno.EADDRNOTAVAIL:
        return f"cannot listen on {where}: the address is not available on this machine"
    return f"cannot listen on {where}: {getattr(err, 'strerror', None) or err}"


def raise_file_limit(needed):
    """Lifts the open-file limit to the hard limit; 1000 looms need 1000 sockets."""
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    if hard != resource.RLIM_INFINITY and soft != resource.RLIM_INFINITY and soft < hard:
        try:
            resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
            soft = hard
        except (ValueError, OSError):
            pass
    if soft != resource.RLIM_INFINITY and needed > soft:
        raise StartError(f"{needed} open files are needed but the limit is {soft}; "
                         f"raise it (ulimit -n, the hard limit too)")


class Simulator:
    def __init__(self, stations, port, upload_path, name_path, output):
        self.stations = stations
        self.port = port
        self.upload_path = upload_path
        self.name_path = name_path
        self.out = output
        self.listeners = []
        self.stop_event = threading.Event()
        self.stopping = False
        self.lock = threading.Lock()
        self.conns = set()
        self.threads = set()
        self.wake = None

    # -- sockets

    def bind_all(self):
        for st in self.stations:
            if st.mode == "refuse":
                continue
            sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            try:
                # A restart must not trip over the last run's TIME_WAIT; Linux
                # still refuses a second listener on the same address.
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
                sock.bind((st.address, self.port))
                sock.listen(128)
                sock.setblocking(False)
            except OSError as e:
                sock.close()
                self.close_listeners()
                raise StartError(bind_error_message(st.address, self.port, e)) from None
            self.listeners.append((sock, st))

    def close_listeners(self):
        for sock, _ in self.listeners:
            sock.close()
        self.listeners = []

    def listener_fds(self):
        return [sock.fileno() for sock, _ in self.listeners]

    def announce(self):
        for st in sorted(self.stations, key=lambda s: ipaddress.IPv4Address(s.address)):
            where = "not listening" if st.mode == "refuse" else "listening"
            self.out.log(f"{st.address}:{self.port} {where}: {st.describe()}")

    # -- loop

    def request_stop(self, *_):
        """Safe from a signal handler: sets a flag and wakes the loop."""
        self.stopping = True
        if self.wake:
            try:
                os.write(self.wake[1], b"\0")
            except OSError:
                pass

    def serve_forever(self):
        self.wake = os.pipe()
        for fd in self.wake:
            os.set_blocking(fd, False)
        selector = selectors.DefaultSelector()
        selector.register(self.wake[0], selectors.EVENT_READ, None)
        for sock, st in self.listeners:
            selector.register(sock, selectors.EVENT_READ, st)
        try:
            while not self.stopping:
                for key, _ in selector.select():
                    if key.data is None:
                        try:
                            os.read(self.wake[0], 4096)
                        except OSError:
                            pass
                        continue
                    self._accept(key.fileobj, key.data)
        finally:
            selector.close()
            self._shutdown()

    def _accept(self, listener, station):
        try:
            conn, _ = listener.accept()
        except (BlockingIOError, InterruptedError, ConnectionAbortedError):
            return
        except OSError as e:
            if e.errno in (errno.EMFILE, errno.ENFILE):
                # Out of descriptors: let running connections finish first.
                self.out.log(f"accept on {station.address}: {e.strerror}")
                time.sleep(0.05)
                return
            raise
        thread = threading.Thread(target=self._connection, args=(station, conn), daemon=True)
        with self.lock:
            self.conns.add(conn)
            self.threads.add(thread)
        thread.start()

    def _shutdown(self):
        self.stop_event.set()
        self.close_listeners()
        with self.lock:
            conns, threads = list(self.conns), list(self.threads)
        for conn in conns:
            try:
                conn.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        deadline = time.monotonic() + STOP_WAIT
        for thread in threads:
            thread.join(max(0.0, deadline - time.monotonic()))
        for fd in self.wake:
            os.close(fd)
        self.wake = None

    # -- one connection

    def _connection(self, st, conn):
        try:
            conn.settimeout(IO_TIMEOUT)

            def send_continue():
                if st.mode != "silent":
                    conn.sendall(b"HTTP/1.1 100 Continue\r\n\r\n")

            req = read_request(conn, send_continue)
            if req is not None:
                self._exchange(st, conn, req)
                if st.mode != "silent":
                    self._linger(conn)
        except Exception:
            self.out.log(f"{st.address}: internal error\n{traceback.format_exc()}")
        finally:
            with self.lock:
                self.conns.discard(conn)
                self.threads.discard(threading.current_thread())
            conn.close()

    @staticmethod
    def _linger(conn):
        # Closing with unread input would reset the connection and could
        # destroy the answer before the client reads it.
        try:
            conn.shutdown(socket.SHUT_WR)
            conn.settimeout(LINGER)
            while conn.recv(65536):
                pass
        except OSError:
            pass

    def _interpret(self, st, req):
        """-> (status, body, upload record, name) of the normal answer."""
        path, query = split_target(req.target) if req.target else ("", "")
        is_upload = st.role == "loom" and req.method == "POST" and path == self.upload_path
        if req.error:
            upload = None
            if is_upload:
                upload = {"fields": {}, "filename": None, "header_line": None,
                          "table_b64": None, "error": req.error}
            return req.status_hint, ERROR_BODIES[req.status_hint], upload, None
        if is_upload:
            upload, accepted = parse_upload(req.header("Content-Type"), req.body, st.family)
            return 200, st.ok_body if accepted else NG_BODY, upload, None
        if (st.role == "loom" and req.method == "GET" and path == self.name_path
                and f"func={NAME_FUNC}" in query.split("&")):
            found = re.search(r"(?:^|&)data=", query)
            if found is None:
                return 200, NG_BODY, None, None
            return 200, st.ok_body, None, decode_name(query[found.end():])
        if st.role == "host" and req.method == "GET" and path in (HOST_PATH, HOST_PATH[1:]):
            return 200, st.list_body(), None, None
        return 404, ERROR_BODIES[404], None, None

    def _exchange(self, st, conn, req):
        status, body, upload, name = self._interpret(st, req)
        creds = basic_credentials(req.header("Authorization"))
        user = password_ok = None
        if creds is not None:
            user = creds[0] or None
            password_ok = creds == (st.user, st.password)
        ex = Exchange(conn)
        record = {
            "time": req.time, "station": st.address, "role": st.role,
            "method": req.method, "target": req.target, "headers": req.headers,
            "content_type": req.header("Content-Type"), "user": user,
            "password_ok": password_ok, "body_length": len(req.body),
            "upload": upload, "name": name,
        }
        mode = st.mode
        try:
            if mode == "silent":
                ex.fault = "silent"
                self._finish(st, record, ex)
                conn.settimeout(None)  # held until the client or a stop ends it
                while conn.recv(65536):
                    pass
                return
            if mode == "auth" and not password_ok:
                ex.fault = "auth"
                ex.answer(401, ERROR_BODIES[401], ['WWW-Authenticate: Basic realm="loom"'])
            elif mode == "ng":
                ex.fault = "ng"
                ex.answer(200, NG_BODY)
            elif mode == "huge":
                ex.fault = "huge"
                self._send_huge(st, ex)
            elif mode == "close":
                ex.fault = "close"
                data = pad(body, st.size)
                ex.head(status, len(data))
                ex.body(data[:st.close_after])
            elif mode == "drip":
                ex.fault = "drip"
                data = pad(body, st.size)
                ex.head(status, len(data))
                for at in range(0, len(data), st.chunk):
                    if self.stop_event.wait(st.delay):
                        break
                    ex.body(data[at:at + st.chunk])
            elif mode == "slow":
                ex.fault = "slow"
                if not self.stop_event.wait(st.delay):
                    ex.answer(status, body)
            else:
                ex.answer(status, body)
        except OSError as e:
            self.out.log(f"{st.address}: client went away while answering ({e.strerror or e})")
        if mode != "silent":
            self._finish(st, record, ex)

    def _send_huge(self, st, ex):
        ex.head(200, st.size if st.announce else None)
        first = OK_BODY[:st.size]
        ex.body(first)
        left = st.size - len(first)
        block = FILLER * min(left, 1 << 20)
        view = memoryview(block)
        while left > 0:
            n = min(left, len(block))
            ex.conn.sendall(view[:n])
            left -= n

    def _finish(self, st, record, ex):
        record.update(status=ex.status, answer=ex.first_line(), fault=ex.fault)
        with self.lock:
            st.requests += 1
            st.oks += record["answer"] == "OK"
            st.ngs += record["answer"] == "NG"
        self.out.record(record)
        line = f"{record['time'][11:23]} {st.address} {st.role} {record['method']} {record['target']}"
        line += f" -> {ex.status if ex.status is not None else 'no answer'}"
        if record["answer"] is not None:
            line += f" {record['answer'][:40]!r}"
        if ex.fault:
            line += f" [{ex.fault}]"
        if record["name"] is not None:
            line += f" name={record['name']!r}"
        if record["upload"] and record["upload"]["error"]:
            line += f" upload error: {record['upload']['error']}"
        self.out.log(line)

    def summary(self):
        lines, total, oks, ngs, busy = [], 0, 0, 0, 0
        for st in sorted(self.stations, key=lambda s: ipaddress.IPv4Address(s.address)):
            if not st.requests:
                continue
            busy += 1
            total, oks, ngs = total + st.requests, oks + st.oks, ngs + st.ngs
            lines.append(f"  {st.address} {st.role}: {st.requests} requests, {st.oks} OK, {st.ngs} NG")
        lines.append(f"summary: {total} requests at {busy} of {len(self.stations)} stations, "
                     f"{oks} OK, {ngs} NG")
        return "\n".join(lines)


# ---------------------------------------------------------------- commands


def open_records(path, fallback):
    if path in (None, "-"):
        return fallback
    try:
        return open(path, "a", encoding="utf-8")
    except OSError as e:
        raise StartError(f"cannot open records file {path}: {e.strerror or e}") from None


def cmd_serve(args):
    stations, upload_path, name_path = build_config(args)
    raise_file_limit(len(stations) + 16)
    to_stdout = args.records in (None, "-")
    sim = Simulator(stations, args.port, upload_path, name_path, None)
    sim.bind_all()
    try:
        records = open_records(args.records, sys.stdout)
    except StartError:
        sim.close_listeners()
        raise
    out = sim.out = Output(records, sys.stderr if to_stdout else sys.stdout)
    for sig in (signal.SIGINT, signal.SIGTERM):
        signal.signal(sig, sim.request_stop)
    sim.announce()
    out.log(f"serving {len(stations)} stations on port {args.port} (Ctrl-C to stop)")
    sim.serve_forever()
    out.log(sim.summary())
    return 0


def read_pid(path):
    try:
        with open(path) as f:
            text = f.read().strip()
    except FileNotFoundError:
        return None
    return int(text) if text.isdigit() else 0


def process_alive(pid):
    """A zombie counts as gone: nobody may be left to reap it."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            state = f.read().rsplit(")", 1)[1].split()[0]
    except (OSError, IndexError):
        return False
    return state not in ("Z", "X")


def process_is_ours(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return b"millsim.py" in f.read() and process_alive(pid)
    except OSError:
        return False


def _remove_if(path, pid):
    if read_pid(path) == pid:
        try:
            os.unlink(path)
        except OSError:
            pass


def _close_other_fds(keep):
    for name in os.listdir("/proc/self/fd"):
        fd = int(name)
        if fd > 2 and fd not in keep:
            try:
                os.close(fd)
            except OSError:
                pass


def cmd_start(args):
    stations, upload_path, name_path = build_config(args)
    pidfile = os.path.abspath(args.pidfile)
    old = read_pid(pidfile)
    if old and process_is_ours(old):
        raise StartError(f"already running as pid {old} (pid file {pidfile}); stop it first")
    raise_file_limit(len(stations) + 16)
    sim = Simulator(stations, args.port, upload_path, name_path, None)
    sim.bind_all()  # first, so a busy address leaves no files behind
    records_path = args.records or args.logfile + ".records"
    try:
        log_fd = os.open(args.logfile, os.O_WRONLY | os.O_CREAT | os.O_APPEND, 0o644)
    except OSError as e:
        sim.close_listeners()
        raise StartError(f"cannot open log file {args.logfile}: {e.strerror or e}") from None
    try:
        records = open_records(records_path, sys.stdout)
    except StartError:
        sim.close_listeners()
        os.close(log_fd)
        raise
    out = sim.out = Output(records, sys.stdout)
    sys.stdout.flush()
    sys.stderr.flush()
    ready_r, ready_w = os.pipe()
    pid = os.fork()
    if pid == 0:
        code = 1
        try:
            os.close(ready_r)
            os.setsid()
            null = os.open(os.devnull, os.O_RDONLY)
            os.dup2(null, 0)
            os.dup2(log_fd, 1)
            os.dup2(log_fd, 2)
            # Whatever the caller handed us (ctest's pipes among them) must not
            # stay open here, or the caller would wait for us forever.
            keep = set(sim.listener_fds()) | {ready_w}
            if records is not sys.stdout:
                keep.add(records.fileno())
            _close_other_fds(keep)
            sys.stdout.reconfigure(line_buffering=True)
            sys.stderr.reconfigure(line_buffering=True)
            signal.signal(signal.SIGTERM, sim.request_stop)
            signal.signal(signal.SIGINT, sim.request_stop)
            signal.signal(signal.SIGHUP, signal.SIG_IGN)
            me = os.getpid()
            temp = f"{pidfile}.{me}.tmp"
            with open(temp, "w") as f:
                f.write(f"{me}\n")
            os.replace(temp, pidfile)
            out.log(f"--- {now_text()} pid {me} started")
            sim.announce()
            os.write(ready_w, b"ready")
            os.close(ready_w)
            sim.serve_forever()
            out.log(sim.summary())
            out.log(f"--- {now_text()} pid {me} stopped")
            _remove_if(pidfile, me)
            code = 0
        except BaseException:
            traceback.print_exc()
        finally:
            try:
                sys.stdout.flush()
                sys.stderr.flush()
                records.flush()
            finally:
                os._exit(code)
    os.close(ready_w)
    os.close(log_fd)
    sim.close_listeners()
    if records is not sys.stdout:
        records.close()
    answer = b""
    deadline = time.monotonic() + HANDSHAKE_WAIT
    while time.monotonic() < deadline:
        readable, _, _ = select.select([ready_r], [], [], deadline - time.monotonic())
        if not readable:
            break
        data = os.read(ready_r, 64)
        if not data:
            break
        answer += data
    os.close(ready_r)
    if answer != b"ready":
        raise StartError(f"the simulator (pid {pid}) did not start; see {args.logfile}")
    print(f"millsim: started pid {pid}: {len(stations)} stations on port {args.port}; "
          f"log {args.logfile}, records {records_path}")
    return 0


def cmd_stop(args):
    pidfile = args.pidfile
    pid = read_pid(pidfile)
    if pid is None:
        print(f"millsim: no pid file {pidfile}: nothing to stop")
        return 0
    if not pid or not process_is_ours(pid):
        what = "holds no pid" if not pid else f"names pid {pid}, which is not a running millsim"
        try:
            os.unlink(pidfile)
        except FileNotFoundError:
            pass
        print(f"millsim: {pidfile} {what}; removed it")
        return 0
    try:
        os.kill(pid, signal.SIGTERM)
    except PermissionError:
        raise StartError(f"not allowed to stop pid {pid}") from None
    except ProcessLookupError:
        pass
    if not _wait_gone(pid, STOP_WAIT):
        print(f"millsim: pid {pid} ignored SIGTERM for {STOP_WAIT:g} s; killing it")
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        _wait_gone(pid, 2.0)
    try:
        os.unlink(pidfile)
    except FileNotFoundError:
        pass
    print(f"millsim: stopped pid {pid}")
    return 0


def _wait_gone(pid, seconds):
    deadline = time.monotonic() + seconds
    while process_alive(pid):
        if time.monotonic() >= deadline:
            return False
        time.sleep(0.02)
    return True


def make_parser():
    stations = argparse.ArgumentParser(add_help=False)
    g = stations.add_argument_group("stations")
    g.add_argument("--loom", action="append", default=[], metavar="STATION",
                   help="a loom: ADDRESS[,key=value...] (repeatable)")
    g.add_argument("--host", action="append", default=[], metavar="STATION",
                   help="a host system: ADDRESS[,key=value...] (repeatable)")
    g.add_argument("--scenario", metavar="FILE", help="JSON file of stations")
    g.add_argument("--layout", metavar="FILE", help="layout item file: one loom per LOOM line")
    g.add_argument("--prefix", default="127.0", help="first two octets for --layout looms (127.0)")
    g.add_argument("--family", choices=FAMILIES, help="family of looms that name none (AXV600)")
    g.add_argument("--upload-path", metavar="PATH", help=f"table upload path ({DEFAULT_UPLOAD_PATH})")
    g.add_argument("--name-path", metavar="PATH", help=f"name request path ({DEFAULT_NAME_PATH})")
    g.add_argument("--port", type=int, default=DEFAULT_PORT,
                   help="listen on this port instead of 80 (for the simulator's own tests)")
    g.add_argument("--records", metavar="FILE", help="append one JSON line per request here")

    raw = argparse.RawDescriptionHelpFormatter
    parser = argparse.ArgumentParser(prog="millsim.py", description=DESCRIPTION, epilog=EPILOG,
                                     formatter_class=raw)
    sub = parser.add_subparsers(dest="command", metavar="COMMAND")
    sub.add_parser("serve", parents=[stations], formatter_class=raw, epilog=EPILOG,
                   help="serve in the foreground (the default)")
    start = sub.add_parser("start", parents=[stations], formatter_class=raw, epilog=EPILOG,
                           help="serve in the background")
    start.add_argument("--pidfile", required=True, metavar="FILE",
                       help="the background process writes its pid here once listening")
    start.add_argument("--logfile", required=True, metavar="FILE",
                       help="its stdout and stderr (appended)")
    stop = sub.add_parser("stop", formatter_class=raw, help="stop a background simulator")
    stop.add_argument("--pidfile", required=True, metavar="FILE", help="as given to start")
    return parser


def main(argv=None):
    argv = list(sys.argv[1:] if argv is None else argv)
    if not argv or argv[0] not in ("serve", "start", "stop", "-h", "--help"):
        argv.insert(0, "serve")
    parser = make_parser()
    args = parser.parse_args(argv)
    if not 0 < getattr(args, "port", DEFAULT_PORT) < 65536:
        parser.error(f"--port {args.port}: expected 1 to 65535")
    try:
        if args.command == "start":
            return cmd_start(args)
        if args.command == "stop":
            return cmd_stop(args)
        return cmd_serve(args)
    except ConfigError as e:
        print(f"millsim: error: {e}", file=sys.stderr)
        return 2
    except StartError as e:
        print(f"millsim: {e}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
