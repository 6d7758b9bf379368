#!/usr/bin/env python3
"""Generate MILLPLAN's language files from the UTF-8 master file.

Usage:
    python3 tools/make_lang.py           write res/lang/strings_<code>.txt
    python3 tools/make_lang.py --check   exit 1 (naming the file) if a file on
                                         disk differs from what this script
                                         would write, 0 otherwise

Input:  tools/lang_master.txt (format described at the top of that file).
Output: one file per language, in the Windows code page the program reads it
with, CR LF line ends, a short ASCII comment header and then one line per key
in table order:  KEY "text"

The master is checked before anything is written: every key present once and
in order, every language present in every block, texts non-empty, at most
MAX_TEXT characters, free of double quotes, percent signs and control
characters, menu texts carrying an '&' mnemonic, each language written in its
own script, and no text equal to the English one unless the master lists it.
Encoding is strict: a character the code page lacks stops the run with an
error naming the key and the language.  Output bytes are deterministic.

Python 3 standard library only; importing this module has no side effects.
"""

import os
import sys

SCRIPT_DIR = os.path.dirname(os.path.abspath(__file__))
REPO_ROOT = os.path.dirname(SCRIPT_DIR)

MASTER = os.path.join("tools", "lang_master.txt")
OUT_DIR = os.path.join("res", "lang")

# The program's language table, in row order (row index = position).
KEYS = (
    "S_TOP_OF_LANG", "S_1STMACIP", "S_1STMACNAME", "S_ACTION4MIP",
    "S_ACTION4MNAME", "S_AUTOMAKEUP", "S_CANCEL", "S_CLEAR",
    "S_CLOSE_CONFIRM", "S_COMLOG", "S_CONFIRM", "S_DIRECTION", "S_DONE",
    "S_DXDATACHANGED", "S_DYDATACHANGED", "S_EFFICIENCY_BOARD", "S_GOOD",
    "S_GRP", "S_INET_COM2HOST", "S_INET_DIRECT", "S_INET_FAIL_COM2HOST",
    "S_INET_FAIR_COM2HOST", "S_INET_IE", "S_INET_IPADRS",
    "S_INSUFFICIENTDATA", "S_LOOMDATACHANGED", "S_LTURN90", "S_MACIP",
    "S_MACNAME", "S_MENU_EXIT", "S_MENU_FILE", "S_MENU_GRP", "S_MENU_HELP",
    "S_MENU_LANG", "S_MENU_OPT", "S_MENU_SCTN", "S_MENU_SETTING",
    "S_MENU_SGMT", "S_MENU_TYPE", "S_MENU_VERSION", "S_MOVE", "S_NETWORK",
    "S_OVERMAXMAC", "S_PARTS_CATALOG", "S_PASSWD", "S_PASTE",
    "S_PATTERN_MANAGER", "S_RBAR_SELMON", "S_REBOOT2", "S_REBOOTREQ",
    "S_REMOVEDATA", "S_RTURN180", "S_RTURN90", "S_SAVE", "S_SECTION",
    "S_SEND", "S_STYLE", "S_STYLE_MANAGER", "S_SUBMIT",
    "S_TITLE4CLOSE_CONFIRM", "S_UNDO", "S_UNSPTDMACIP", "S_UPDATE_NG",
    "S_UPDATE_OK", "S_USERNAME", "S_WEB_CAMERA", "S_ZOOMIN", "S_ZOOMOUT",
    "S_DUPLOOMNAME", "S_DUPLOOMIP", "S_USINGTYPE", "S_NOTYPE0", "S_HOST",
    "S_NOTYPE01", "S_PRPTY", "S_SEGMENT", "S_TURN", "S_COM2HOST",
    "S_FAIL_COM2HOST", "S_FAIR_COM2HOST", "S_NETFUNCTION", "S_STATUSBAR",
)

MENU_KEYS = frozenset(k for k in KEYS if k.startswith("S_MENU_"))

# English menu texts fixed by the program's menu resource.
FIXED_ENGLISH = {
    "S_MENU_FILE": "File(&F)",
    "S_MENU_EXIT": "Exit(&X)",
    "S_MENU_SETTING": "Settings(&S)",
    "S_MENU_LANG": "Language(&L)",
    "S_MENU_TYPE": "Type(&T)",
    "S_MENU_SCTN": "Section(&S)",
    "S_MENU_OPT": "Option(&O)",
    "S_MENU_HELP": "Help(&H)",
    "S_MENU_VERSION": "Version(&V)",
}

# code: (file name, Python codec, Windows code page, language name,
#        codec of the common-character subset that every text must fit)
LANGUAGES = {
    "eng": ("strings_eng.txt", "ascii", "any (ASCII only)", "English", "ascii"),
    "chi": ("strings_chi.txt", "cp936", "936", "Simplified Chinese", "gb2312"),
    "jpn": ("strings_jpn.txt", "cp932", "932", "Japanese", "shift_jis"),
    "kor": ("strings_kor.txt", "cp949", "949", "Korean", "euc_kr"),
    "prt": ("strings_prt.txt", "cp1252", "1252", "Portuguese", "cp1252"),
    "spa": ("strings_spa.txt", "cp850", "850", "Spanish", "cp850"),
    "twn": ("strings_twn.txt", "cp950", "950", "Traditional Chinese", "big5"),
    "tur": ("strings_tur.txt", "cp1254", "1254", "Turkish", "cp1254"),
}

# Order in which files are written and checked.
FILE_ORDER = ("eng", "chi", "jpn", "kor", "prt", "spa", "twn", "tur")

MAX_TEXT = 147          # characters per text (the reader keeps 149 incl. quote and LF)
MAX_LINE_BYTES = 298    # bytes per line before CR LF (the reader splits at 300)

_LATIN_EXTRA = {
    "prt": "ÁÀÂÃÇÉÊÍÓÔÕÚáàâãçéêíóôõú",
    "spa": "ÁÉÍÑÓÚÜáéíñóúü¿¡",
    "tur": "ÇĞİÖŞÜçğıöşüÂâÎîÛû",
}


class LangError(Exception):
    """The master file is malformed or a text breaks a rule."""


def _is_ideograph(ch):
    return 0x4E00 <= ord(ch) <= 0x9FFF


def _is_kana(ch):
    return 0x3040 <= ord(ch) <= 0x30FF


def _is_hangul(ch):
    return 0xAC00 <= ord(ch) <= 0xD7A3


def _is_cjk_punct(ch):
    o = ord(ch)
    return 0x3000 <= o <= 0x303F or 0xFF01 <= o <= 0xFF5E


def _char_allowed(code, ch):
    if ord(ch) < 0x80:
        return 0x20 <= ord(ch) < 0x7F
    if code in _LATIN_EXTRA:
        return ch in _LATIN_EXTRA[code]
    if code in ("chi", "twn"):
        return _is_ideograph(ch) or _is_cjk_punct(ch)
    if code == "jpn":
        return _is_ideograph(ch) or _is_kana(ch) or _is_cjk_punct(ch)
    if code == "kor":
        return _is_hangul(ch) or _is_cjk_punct(ch)
    return False


def _has_own_script(code, text):
    if code in _LATIN_EXTRA:
        return any(ch in _LATIN_EXTRA[code] for ch in text)
    if code in ("chi", "twn"):
        return any(_is_ideograph(ch) for ch in text)
    if code == "jpn":
        return any(_is_kana(ch) or _is_ideograph(ch) for ch in text)
    if code == "kor":
        return any(_is_hangul(ch) for ch in text)
    return False


def parse_master(text):
    """Parse the master text.

    Returns (texts, same) where texts maps key -> {code: text} and same is the
    set of (code, key) pairs allowed to equal the English text.
    """
    texts = {}
    order = []
    same = set()
    current = None
    for lineno, raw in enumerate(text.splitlines(), 1):
        line = raw.strip()
        where = "%s:%d" % (MASTER, lineno)
        if not line:
            continue
        if line.startswith("#="):
            parts = line[2:].split()
            if len(parts) != 2 or parts[0] not in LANGUAGES or parts[1] not in KEYS:
                raise LangError("%s: expected '#= <code> <KEY>'" % where)
            same.add((parts[0], parts[1]))
            continue
        if line.startswith("#"):
            continue
        if line.startswith("["):
            if not line.endswith("]"):
                raise LangError("%s: unterminated key header" % where)
            key = line[1:-1].strip()
            if key not in KEYS:
                raise LangError("%s: unknown key %s" % (where, key))
            if key in texts:
                raise LangError("%s: key %s appears twice" % (where, key))
            texts[key] = {}
            order.append(key)
            current = key
            continue
        parts = line.split(None, 1)
        code = parts[0]
        if code not in LANGUAGES:
            raise LangError("%s: unknown language code %r" % (where, code))
        if current is None:
            raise LangError("%s: text before the first key header" % where)
        if code in texts[current]:
            raise LangError("%s: %s has two %s texts" % (where, current, code))
        texts[current][code] = parts[1].strip() if len(parts) > 1 else ""
    if tuple(order) != KEYS:
        missing = [k for k in KEYS if k not in texts]
        if missing:
            raise LangError("%s: missing keys: %s" % (MASTER, " ".join(missing)))
        for i, (got, want) in enumerate(zip(order, KEYS)):
            if got != want:
                raise LangError("%s: key %d is %s, expected %s" % (MASTER, i, got, want))
    for key in KEYS:
        for code in LANGUAGES:
            if code not in texts[key]:
                raise LangError("%s: %s has no %s text" % (MASTER, key, code))
    return texts, same


def validate(texts, same):
    """Check every text against the rules of the program's reader."""
    for key in KEYS:
        english = texts[key]["eng"]
        for code in FILE_ORDER:
            t = texts[key][code]
            what = "%s/%s" % (key, code)
            if not t:
                raise LangError("%s: empty text" % what)
            if len(t) > MAX_TEXT:
                raise LangError("%s: %d characters (at most %d)" % (what, len(t), MAX_TEXT))
            if '"' in t:
                raise LangError("%s: contains a double quote" % what)
            if "%" in t:
                raise LangError("%s: contains a percent sign" % what)
            if t != t.strip():
                raise LangError("%s: leading or trailing blanks" % what)
            for ch in t:
                if not _char_allowed(code, ch):
                    raise LangError("%s: character %r (U+%04X) is not allowed for this language"
                                    % (what, ch, ord(ch)))
            if key in MENU_KEYS and "&" not in t:
                raise LangError("%s: menu text without an '&' mnemonic" % what)
            if key in MENU_KEYS and t.count("&") != 1:
                raise LangError("%s: menu text needs exactly one '&'" % what)
            if code != "eng":
                if t == english and (code, key) not in same:
                    raise LangError("%s: equals the English text; translate it or list it "
                                    "with '#= %s %s'" % (what, code, key))
                if t != english and (code, key) in same:
                    raise LangError("%s: listed as equal to English but differs" % what)
            try:
                t.encode(LANGUAGES[code][4], errors="strict")
            except UnicodeEncodeError as exc:
                raise LangError("%s: %r is not a common character of code page %s"
                                % (what, t[exc.start:exc.end], LANGUAGES[code][2]))
        if key in FIXED_ENGLISH and english != FIXED_ENGLISH[key]:
            raise LangError("%s/eng: must be %r" % (key, FIXED_ENGLISH[key]))
    for code in FILE_ORDER:
        if code == "eng":
            continue
        if not any(_has_own_script(code, texts[k][code]) for k in KEYS):
            raise LangError("%s: no text uses the language's own letters" % code)


def header_lines(code):
    name, _codec, cp, lang, _subset = LANGUAGES[code]
    return [
        "// MILLPLAN language file: %s, code page %s." % (lang, cp),
        "// Generated by tools/make_lang.py from tools/lang_master.txt;",
        "// edit the master and run the script instead of editing this file.",
        "// One line per key: the key, a blank, then the text in double quotes.",
    ]


def render(code, texts):
    """The exact bytes of one language file."""
    codec = LANGUAGES[code][1]
    out = []
    for line in header_lines(code):
        out.append(line.encode("ascii", errors="strict"))
    for key in KEYS:
        t = texts[key][code]
        line = '%s "%s"' % (key, t)
        try:
            data = line.encode(codec, errors="strict")
        except UnicodeEncodeError as exc:
            raise LangError("%s/%s: %r cannot be encoded in %s"
                            % (key, code, line[exc.start:exc.end], codec))
        if len(data) > MAX_LINE_BYTES:
            raise LangError("%s/%s: line is %d bytes (at most %d)"
                            % (key, code, len(data), MAX_LINE_BYTES))
        out.append(data)
    data = b"\r\n".join(out) + b"\r\n"
    verify(code, data, texts)
    return data


def parse_language_file(data, codec):
    """Decode a language file strictly and return [(key, text)] of its key lines."""
    text = data.decode(codec, errors="strict")
    if "\r\n" not in text or text.replace("\r\n", "").count("\n") or \
            text.replace("\r\n", "").count("\r"):
        raise LangError("line ends are not all CR LF")
    rows = []
    for line in text.split("\r\n"):
        words = line.split(None, 1)
        if not words or words[0] not in KEYS:
            continue
        q1 = line.find('"')
        q2 = line.find('"', q1 + 1)
        if q1 < 0 or q2 < 0:
            raise LangError("%s: missing quote" % words[0])
        rows.append((words[0], line[q1 + 1:q2]))
    return rows


def verify(code, data, texts):
    """Round trip: the bytes decode back to exactly the master's texts."""
    name, codec = LANGUAGES[code][0], LANGUAGES[code][1]
    rows = parse_language_file(data, codec)
    expected = [(k, texts[k][code]) for k in KEYS]
    if rows != expected:
        raise LangError("%s: round trip does not reproduce the master" % name)
    if code == "eng":
        if any(b >= 0x80 for b in data):
            raise LangError("%s: not ASCII" % name)
    else:
        try:
            data.decode("utf-8", errors="strict")
        except UnicodeDecodeError:
            pass
        else:
            raise LangError("%s: the bytes are valid UTF-8; the file must be in code page %s"
                            % (name, LANGUAGES[code][2]))


def build(root=REPO_ROOT):
    """Read and check the master; return {relative path: bytes}."""
    with open(os.path.join(root, MASTER), "r", encoding="utf-8", newline="") as f:
        master = f.read()
    if master.startswith("\ufeff"):
        master = master[1:]
    texts, same = parse_master(master)
    validate(texts, same)
    return {os.path.join(OUT_DIR, LANGUAGES[code][0]): render(code, texts)
            for code in FILE_ORDER}


def write(files, root=REPO_ROOT):
    os.makedirs(os.path.join(root, OUT_DIR), exist_ok=True)
    for rel in sorted(files):
        with open(os.path.join(root, rel), "wb") as f:
            f.write(files[rel])


def check(files, root=REPO_ROOT):
    """Return the relative paths whose bytes on disk differ (or are missing)."""
    differ = []
    for rel in sorted(files):
        path = os.path.join(root, rel)
        try:
            with open(path, "rb") as f:
                current = f.read()
        except OSError:
            current = None
        if current != files[rel]:
            differ.append(rel)
    return differ


def main(argv=None):
    args = sys.argv[1:] if argv is None else list(argv)
    check_only = False
    for a in args:
        if a == "--check":
            check_only = True
        elif a in ("-h", "--help"):
            print(__doc__.strip())
            return 0
        else:
            print("make_lang.py: unknown argument %r" % a, file=sys.stderr)
            return 2
    try:
        files = build()
    except (LangError, OSError, UnicodeError) as exc:
        print("make_lang.py: error: %s" % exc, file=sys.stderr)
        return 2
    if check_only:
        differ = check(files)
        for rel in differ:
            state = "differs from" if os.path.exists(os.path.join(REPO_ROOT, rel)) \
                else "is missing; expected"
            print("make_lang.py: %s %s what tools/make_lang.py would write"
                  % (rel.replace(os.sep, "/"), state), file=sys.stderr)
        return 1 if differ else 0
    write(files)
    for rel in sorted(files):
        print("wrote %s" % rel.replace(os.sep, "/"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
