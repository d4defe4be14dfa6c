#!/usr/bin/env python3
"""Pravenor resource compiler.

Reads resource sources (the text format described in docs/resources.md) and
writes one C++ file holding the compiled tables (pv::ResourceEntry) and the
code that registers them with the resource registry when the program starts.

    pvrc.py --name <set> --output <file.cpp> [--module <name>] [--icon-base <n>]
            [--depfile <file.d>] [-I <dir>]... <source>...

Errors name the source file and line and stop the build.
"""

import argparse
import hashlib
import os
import re
import struct
import sys

# ---- well-known numbers ----------------------------------------------------------------------
# Used when no included header defines the name. Window and control styles,
# virtual keys and the standard dialog ids.
BUILTIN_SYMBOLS = {
    "WS_OVERLAPPED": 0x00000000, "WS_POPUP": 0x80000000, "WS_CHILD": 0x40000000, "WS_MINIMIZE": 0x20000000,
    "WS_VISIBLE": 0x10000000, "WS_DISABLED": 0x08000000, "WS_CLIPSIBLINGS": 0x04000000,
    "WS_CLIPCHILDREN": 0x02000000, "WS_MAXIMIZE": 0x01000000, "WS_CAPTION": 0x00C00000,
    "WS_BORDER": 0x00800000, "WS_DLGFRAME": 0x00400000, "WS_VSCROLL": 0x00200000, "WS_HSCROLL": 0x00100000,
    "WS_SYSMENU": 0x00080000, "WS_THICKFRAME": 0x00040000, "WS_GROUP": 0x00020000, "WS_TABSTOP": 0x00010000,
    "WS_MINIMIZEBOX": 0x00020000, "WS_MAXIMIZEBOX": 0x00010000,
    "WS_EX_DLGMODALFRAME": 0x1, "WS_EX_NOPARENTNOTIFY": 0x4, "WS_EX_TOPMOST": 0x8, "WS_EX_ACCEPTFILES": 0x10,
    "WS_EX_TRANSPARENT": 0x20, "WS_EX_TOOLWINDOW": 0x80, "WS_EX_WINDOWEDGE": 0x100, "WS_EX_CLIENTEDGE": 0x200,
    "WS_EX_CONTEXTHELP": 0x400, "WS_EX_RIGHT": 0x1000, "WS_EX_RTLREADING": 0x2000,
    "WS_EX_CONTROLPARENT": 0x10000, "WS_EX_STATICEDGE": 0x20000, "WS_EX_APPWINDOW": 0x40000,
    "DS_ABSALIGN": 0x01, "DS_SYSMODAL": 0x02, "DS_LOCALEDIT": 0x20, "DS_SETFONT": 0x40, "DS_MODALFRAME": 0x80,
    "DS_NOIDLEMSG": 0x100, "DS_SETFOREGROUND": 0x200, "DS_3DLOOK": 0x0004, "DS_FIXEDSYS": 0x0008,
    "DS_NOFAILCREATE": 0x0010, "DS_CONTROL": 0x0400, "DS_CENTER": 0x0800, "DS_CENTERMOUSE": 0x1000,
    "DS_CONTEXTHELP": 0x2000, "DS_SHELLFONT": 0x0048,
    "BS_PUSHBUTTON": 0x0, "BS_DEFPUSHBUTTON": 0x1, "BS_CHECKBOX": 0x2, "BS_AUTOCHECKBOX": 0x3,
    "BS_RADIOBUTTON": 0x4, "BS_3STATE": 0x5, "BS_AUTO3STATE": 0x6, "BS_GROUPBOX": 0x7, "BS_USERBUTTON": 0x8,
    "BS_AUTORADIOBUTTON": 0x9, "BS_OWNERDRAW": 0xB, "BS_LEFTTEXT": 0x20, "BS_ICON": 0x40, "BS_BITMAP": 0x80,
    "BS_LEFT": 0x100, "BS_RIGHT": 0x200, "BS_CENTER": 0x300, "BS_TOP": 0x400, "BS_BOTTOM": 0x800,
    "BS_VCENTER": 0xC00, "BS_PUSHLIKE": 0x1000, "BS_MULTILINE": 0x2000, "BS_NOTIFY": 0x4000, "BS_FLAT": 0x8000,
    "ES_LEFT": 0x0, "ES_CENTER": 0x1, "ES_RIGHT": 0x2, "ES_MULTILINE": 0x4, "ES_UPPERCASE": 0x8,
    "ES_LOWERCASE": 0x10, "ES_PASSWORD": 0x20, "ES_AUTOVSCROLL": 0x40, "ES_AUTOHSCROLL": 0x80,
    "ES_NOHIDESEL": 0x100, "ES_OEMCONVERT": 0x400, "ES_READONLY": 0x800, "ES_WANTRETURN": 0x1000,
    "ES_NUMBER": 0x2000,
    "SS_LEFT": 0x0, "SS_CENTER": 0x1, "SS_RIGHT": 0x2, "SS_ICON": 0x3, "SS_BLACKRECT": 0x4, "SS_GRAYRECT": 0x5,
    "SS_WHITERECT": 0x6, "SS_BLACKFRAME": 0x7, "SS_GRAYFRAME": 0x8, "SS_WHITEFRAME": 0x9, "SS_SIMPLE": 0xB,
    "SS_LEFTNOWORDWRAP": 0xC, "SS_OWNERDRAW": 0xD, "SS_BITMAP": 0xE, "SS_ETCHEDHORZ": 0x10,
    "SS_ETCHEDVERT": 0x11, "SS_ETCHEDFRAME": 0x12, "SS_NOPREFIX": 0x80, "SS_NOTIFY": 0x100,
    "SS_CENTERIMAGE": 0x200, "SS_SUNKEN": 0x1000, "SS_ENDELLIPSIS": 0x4000, "SS_PATHELLIPSIS": 0x8000,
    "LBS_NOTIFY": 0x1, "LBS_SORT": 0x2, "LBS_NOREDRAW": 0x4, "LBS_MULTIPLESEL": 0x8,
    "LBS_OWNERDRAWFIXED": 0x10, "LBS_OWNERDRAWVARIABLE": 0x20, "LBS_HASSTRINGS": 0x40,
    "LBS_USETABSTOPS": 0x80, "LBS_NOINTEGRALHEIGHT": 0x100, "LBS_MULTICOLUMN": 0x200,
    "LBS_WANTKEYBOARDINPUT": 0x400, "LBS_EXTENDEDSEL": 0x800, "LBS_DISABLENOSCROLL": 0x1000,
    "LBS_NOSEL": 0x4000, "LBS_STANDARD": 0xA00003,
    "CBS_SIMPLE": 0x1, "CBS_DROPDOWN": 0x2, "CBS_DROPDOWNLIST": 0x3, "CBS_OWNERDRAWFIXED": 0x10,
    "CBS_OWNERDRAWVARIABLE": 0x20, "CBS_AUTOHSCROLL": 0x40, "CBS_OEMCONVERT": 0x80, "CBS_SORT": 0x100,
    "CBS_HASSTRINGS": 0x200, "CBS_NOINTEGRALHEIGHT": 0x400, "CBS_DISABLENOSCROLL": 0x800,
    "CBS_UPPERCASE": 0x2000, "CBS_LOWERCASE": 0x4000,
    "SBS_HORZ": 0x0, "SBS_VERT": 0x1,
    "IDOK": 1, "IDCANCEL": 2, "IDABORT": 3, "IDRETRY": 4, "IDIGNORE": 5, "IDYES": 6, "IDNO": 7, "IDCLOSE": 8,
    "IDHELP": 9, "IDC_STATIC": 0xFFFF,
    "VK_BACK": 0x08, "VK_TAB": 0x09, "VK_CLEAR": 0x0C, "VK_RETURN": 0x0D, "VK_SHIFT": 0x10,
    "VK_CONTROL": 0x11, "VK_MENU": 0x12, "VK_PAUSE": 0x13, "VK_CAPITAL": 0x14, "VK_ESCAPE": 0x1B,
    "VK_SPACE": 0x20, "VK_PRIOR": 0x21, "VK_NEXT": 0x22, "VK_END": 0x23, "VK_HOME": 0x24, "VK_LEFT": 0x25,
    "VK_UP": 0x26, "VK_RIGHT": 0x27, "VK_DOWN": 0x28, "VK_SNAPSHOT": 0x2C, "VK_INSERT": 0x2D,
    "VK_DELETE": 0x2E, "VK_HELP": 0x2F, "VK_APPS": 0x5D,
    "VK_NUMPAD0": 0x60, "VK_MULTIPLY": 0x6A, "VK_ADD": 0x6B, "VK_SEPARATOR": 0x6C, "VK_SUBTRACT": 0x6D,
    "VK_DECIMAL": 0x6E, "VK_DIVIDE": 0x6F, "VK_NUMLOCK": 0x90, "VK_SCROLL": 0x91,
    "VK_OEM_1": 0xBA, "VK_OEM_PLUS": 0xBB, "VK_OEM_COMMA": 0xBC, "VK_OEM_MINUS": 0xBD, "VK_OEM_PERIOD": 0xBE,
    "VK_OEM_2": 0xBF, "VK_OEM_3": 0xC0, "VK_OEM_4": 0xDB, "VK_OEM_5": 0xDC, "VK_OEM_6": 0xDD, "VK_OEM_7": 0xDE,
    "LANG_NEUTRAL": 0x00, "LANG_ENGLISH": 0x09, "LANG_GERMAN": 0x07, "LANG_CHINESE": 0x04,
    "SUBLANG_NEUTRAL": 0x00, "SUBLANG_DEFAULT": 0x01, "SUBLANG_ENGLISH_US": 0x01, "SUBLANG_GERMAN": 0x01,
    "SUBLANG_CHINESE_SIMPLIFIED": 0x02,
}
for _n in range(1, 25):
    BUILTIN_SYMBOLS["VK_F%d" % _n] = 0x6F + _n
for _n in range(10):
    BUILTIN_SYMBOLS["VK_NUMPAD%d" % _n] = 0x60 + _n

RT = {"cursor": 1, "bitmap": 2, "icon": 3, "menu": 4, "dialog": 5, "string": 6, "accelerator": 9,
      "rcdata": 10, "group_cursor": 12, "group_icon": 14, "html": 23, "dlginit": 240, "toolbar": 241}

# Dialog initialisation data: the message that adds a text, by control class.
ADD_STRING = {"listbox": 0x0180, "combobox": 0x0143}

MENU_FLAGS = {"grayed": 0x0001, "inactive": 0x0002, "disabled": 0x0002, "checked": 0x0008,
              "menubarbreak": 0x0020, "menubreak": 0x0040, "ownerdraw": 0x0100, "default": 0x1000,
              "help": 0x4000}
MENU_POPUP = 0x0010
MENU_SEPARATOR = 0x0800

ACCEL_FLAGS = {"virtkey": 0x01, "noinvert": 0x02, "shift": 0x04, "control": 0x08, "alt": 0x10, "ascii": 0x00}

WS_CHILD = 0x40000000
WS_VISIBLE = 0x10000000
WS_TABSTOP = 0x00010000
WS_GROUP = 0x00020000
WS_BORDER = 0x00800000
WS_POPUP = 0x80000000
WS_SYSMENU = 0x00080000
WS_CAPTION = 0x00C00000
DS_SETFONT = 0x40

# Control shorthands: class, default style (WS_CHILD | WS_VISIBLE added), whether they take a text.
CONTROL_KINDS = {
    "ltext": ("Static", 0x0 | WS_GROUP, True),
    "rtext": ("Static", 0x2 | WS_GROUP, True),
    "ctext": ("Static", 0x1 | WS_GROUP, True),
    "pushbutton": ("Button", 0x0 | WS_TABSTOP, True),
    "defpushbutton": ("Button", 0x1 | WS_TABSTOP, True),
    "checkbox": ("Button", 0x2 | WS_TABSTOP, True),
    "autocheckbox": ("Button", 0x3 | WS_TABSTOP, True),
    "radiobutton": ("Button", 0x4, True),
    "autoradiobutton": ("Button", 0x9, True),
    "groupbox": ("Button", 0x7, True),
    "icon": ("Static", 0x3, True),
    "edittext": ("Edit", 0x0 | WS_BORDER | WS_TABSTOP, False),
    "combobox": ("ComboBox", 0x1 | WS_TABSTOP, False),
    "listbox": ("ListBox", 0x1 | WS_BORDER, False),
    "scrollbar": ("ScrollBar", 0x0, False),
}


class CompileError(Exception):
    pass


# ---- lexing -----------------------------------------------------------------------------------
TOKEN_RE = re.compile(r'''
    (?P<ws>[ \t\r,]+)
  | (?P<comment>//[^\n]*)
  | (?P<nl>\n)
  | (?P<string>L?"(?:[^"\\\n]|\\.)*")
  | (?P<number>0[xX][0-9a-fA-F]+[uUlL]*|\d+[uUlL]*)
  | (?P<op>[|+()~\-])
  | (?P<word>[A-Za-z_#$@.][A-Za-z0-9_#$@.]*)
''', re.VERBOSE)


class Token:
    def __init__(self, kind, text, line):
        self.kind, self.text, self.line = kind, text, line

    def __repr__(self):
        return "%s(%r)" % (self.kind, self.text)


def unescape(body, where):
    out = []
    i = 0
    while i < len(body):
        c = body[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        i += 1
        if i >= len(body):
            raise CompileError("%s: a string ends with a backslash" % where)
        e = body[i]
        i += 1
        simple = {"n": "\n", "t": "\t", "r": "\r", "\\": "\\", '"': '"', "0": "\0", "a": "\a"}
        if e in simple:
            out.append(simple[e])
        elif e == "x":
            m = re.match(r"[0-9a-fA-F]{1,4}", body[i:])
            if not m:
                raise CompileError("%s: \\x needs hex digits" % where)
            out.append(chr(int(m.group(0), 16)))
            i += len(m.group(0))
        elif e == "u":
            m = re.match(r"[0-9a-fA-F]{4}", body[i:])
            if not m:
                raise CompileError("%s: \\u needs four hex digits" % where)
            out.append(chr(int(m.group(0), 16)))
            i += 4
        else:
            raise CompileError("%s: unknown escape \\%s" % (where, e))
    return "".join(out)


def tokenize_lines(text, path):
    """Returns a list of lines, each a list of tokens (blank lines dropped)."""
    lines = []
    current = []
    line_no = 1
    pos = 0
    while pos < len(text):
        m = TOKEN_RE.match(text, pos)
        if not m:
            raise CompileError("%s:%d: unexpected character %r" % (path, line_no, text[pos]))
        kind = m.lastgroup
        value = m.group(kind)
        pos = m.end()
        if kind == "nl":
            if current:
                lines.append(current)
            current = []
            line_no += 1
        elif kind in ("ws", "comment"):
            continue
        elif kind == "string":
            body = value[2:-1] if value.startswith("L") else value[1:-1]
            current.append(Token("string", unescape(body, "%s:%d" % (path, line_no)), line_no))
        else:
            current.append(Token(kind, value, line_no))
    if current:
        lines.append(current)
    return lines


# ---- symbols and expressions ----------------------------------------------------------------------
class Symbols:
    def __init__(self):
        self.values = {}

    def lookup(self, name):
        if name in self.values:
            return self.values[name]
        return BUILTIN_SYMBOLS.get(name)

    def load_header(self, path):
        define = re.compile(r"^\s*#\s*define\s+([A-Za-z_]\w*)\s+(.+?)\s*(//.*|/\*.*)?$")
        constexpr = re.compile(r"^\s*constexpr\s+[\w:]+\s+([A-Za-z_]\w*)\s*=\s*(.+?);")
        with open(path, encoding="utf-8", errors="replace") as f:
            for raw in f:
                m = define.match(raw) or constexpr.match(raw)
                if not m:
                    continue
                value = self.evaluate_text(m.group(2))
                if value is not None:
                    self.values[m.group(1)] = value

    def evaluate_text(self, expr):
        """Evaluates a C integer expression of numbers, known names and | & + - ~ << >> ( )."""
        expr = re.sub(r"static_cast<[^>]*>", "", expr)
        parts = re.findall(r"0[xX][0-9a-fA-F]+[uUlL]*|\d+[uUlL]*|[A-Za-z_]\w*|<<|>>|[|&+\-~()]|\S", expr)
        out = []
        for p in parts:
            if re.match(r"^(0[xX][0-9a-fA-F]+|\d+)[uUlL]*$", p):
                out.append(str(int(p.rstrip("uUlL"), 0)))
            elif re.match(r"^[A-Za-z_]\w*$", p):
                v = self.lookup(p)
                if v is None:
                    return None
                out.append(str(v))
            elif p in ("|", "&", "+", "-", "~", "(", ")", "<<", ">>"):
                out.append(p)
            else:
                return None
        if not out:
            return None
        try:
            value = eval(" ".join(out), {"__builtins__": {}}, {})  # only digits and operators remain
        except Exception:
            return None
        if not isinstance(value, int):
            return None
        return value & 0xFFFFFFFF


class Cursor:
    """Reads the tokens of one source line."""

    def __init__(self, tokens, where, symbols):
        self.tokens, self.i, self.where, self.symbols = tokens, 0, where, symbols

    def error(self, message):
        raise CompileError("%s: %s" % (self.where, message))

    def more(self):
        return self.i < len(self.tokens)

    def peek(self):
        return self.tokens[self.i] if self.more() else None

    def next(self, what="a value"):
        if not self.more():
            self.error("%s is missing" % what)
        t = self.tokens[self.i]
        self.i += 1
        return t

    def string(self, what="a quoted text"):
        t = self.next(what)
        if t.kind != "string":
            self.error("%s is expected, not %r" % (what, t.text))
        return t.text

    def term(self):
        t = self.next()
        if t.kind == "op" and t.text == "(":
            v = self.expression()
            close = self.next("')'")
            if close.text != ")":
                self.error("')' is expected")
            return v
        if t.kind == "op" and t.text == "~":
            return ~self.term() & 0xFFFFFFFF
        if t.kind == "op" and t.text == "-":
            return -self.term() & 0xFFFFFFFF
        if t.kind == "number":
            return int(t.text.rstrip("uUlL"), 0) & 0xFFFFFFFF
        if t.kind == "word":
            v = self.symbols.lookup(t.text)
            if v is None:
                self.error("unknown name %s" % t.text)
            return v
        self.error("a number or a name is expected, not %r" % t.text)

    def expression(self):
        v = self.term()
        while self.more() and self.peek().kind == "op" and self.peek().text in "|+":
            op = self.next().text
            rhs = self.term()
            v = (v | rhs) if op == "|" else (v + rhs) & 0xFFFFFFFF
        return v

    def signed(self, what):
        v = self.expression()
        if v >= 0x80000000:
            v -= 0x100000000
        if not -32768 <= v <= 32767:
            self.error("%s %d does not fit 16 bits" % (what, v))
        return v

    def style(self, base):
        """A style expression joined by | or +, where a term may be NOT x (removes bits)."""
        v = base

        def one(v):
            t = self.peek()
            if t is not None and t.kind == "word" and t.text.upper() == "NOT":
                self.next()
                return v & ~self.term() & 0xFFFFFFFF
            return v | self.term()

        v = one(v)
        while self.more() and self.peek().kind == "op" and self.peek().text in "|+":
            self.next()
            v = one(v)
        return v

    def name(self):
        """A resource name: a known symbol or number gives an id, anything else a text name."""
        t = self.next("a resource name")
        if t.kind == "number":
            return int(t.text.rstrip("uUlL"), 0)
        if t.kind == "string":
            return t.text.upper()
        if re.match(r"^#\d+$", t.text):
            return int(t.text[1:])
        v = self.symbols.lookup(t.text)
        if v is not None:
            return v
        return t.text.upper()

    def end(self):
        if self.more():
            self.error("unexpected %r at the end of the line" % self.peek().text)


# ---- compiled resources -----------------------------------------------------------------------------
class Resource:
    def __init__(self, rtype, name, language, data=None, file=None, offset=0, size=None, where=""):
        self.rtype, self.name, self.language = rtype, name, language
        self.data, self.file, self.offset, self.size, self.where = data, file, offset, size, where
        if data is not None:
            self.size = len(data)


def u16(text):
    return text.encode("utf-16-le", "surrogatepass")


def wstr(text):
    if len(text) > 0xFFFF:
        raise CompileError("a text is longer than 65535 characters")
    return struct.pack("<H", len(u16(text)) // 2) + u16(text)


class Compiler:
    def __init__(self, include_dirs, icon_base):
        self.symbols = Symbols()
        self.include_dirs = include_dirs
        self.resources = []
        self.strings = {}  # (language, id) -> text
        self.dependencies = set()
        self.next_image_id = icon_base
        self.language = 0

    def find_file(self, name, source_dir, where):
        for d in [source_dir] + self.include_dirs:
            p = os.path.join(d, name)
            if os.path.isfile(p):
                self.dependencies.add(os.path.abspath(p))
                return os.path.abspath(p)
        raise CompileError("%s: file %s not found" % (where, name))

    def add(self, res):
        for r in self.resources:
            if r.rtype == res.rtype and r.name == res.name and r.language == res.language:
                raise CompileError("%s: resource %r of type %r is defined twice" % (res.where, res.name, res.rtype))
        self.resources.append(res)

    def compile_file(self, path):
        self.dependencies.add(os.path.abspath(path))
        with open(path, encoding="utf-8") as f:
            text = f.read()
        if text.startswith("\ufeff"):
            text = text[1:]
        lines = tokenize_lines(text, path)
        source_dir = os.path.dirname(os.path.abspath(path))
        i = 0
        while i < len(lines):
            i = self.statement(lines, i, path, source_dir)

    def cursor(self, lines, i, path):
        return Cursor(lines[i], "%s:%d" % (path, lines[i][0].line), self.symbols)

    def block(self, lines, i, path, what):
        """Lines up to the matching 'end'; returns (body line indexes, index after end)."""
        body = []
        depth = 0
        j = i + 1
        openers = ("popup",)
        while j < len(lines):
            head = lines[j][0].text.lower() if lines[j][0].kind == "word" else ""
            if head == "end":
                if depth == 0:
                    return body, j + 1
                depth -= 1
            elif head in openers and what == "menu":
                depth += 1
            body.append(j)
            j += 1
        raise CompileError("%s:%d: %s has no 'end'" % (path, lines[i][0].line, what))

    def statement(self, lines, i, path, source_dir):
        c = self.cursor(lines, i, path)
        head = c.next()
        keyword = head.text.lower() if head.kind == "word" else ""
        if keyword == "include":
            header = self.find_file(c.string("a header name"), source_dir, c.where)
            c.end()
            self.symbols.load_header(header)
            return i + 1
        if keyword == "define":
            name = c.next("a name")
            if name.kind != "word":
                c.error("a name is expected")
            self.symbols.values[name.text] = c.expression()
            c.end()
            return i + 1
        if keyword == "language":
            primary = c.expression()
            self.language = (c.expression() << 10 | primary) if c.more() else primary
            c.end()
            return i + 1
        if keyword == "stringtable":
            c.end()
            body, after = self.block(lines, i, path, "stringtable")
            for j in body:
                s = self.cursor(lines, j, path)
                sid = s.expression()
                text = s.string("the string's text")
                s.end()
                if sid > 0xFFFF:
                    s.error("string id %d does not fit 16 bits" % sid)
                key = (self.language, sid)
                if key in self.strings:
                    s.error("string %d is defined twice" % sid)
                if text == "":
                    s.error("string %d is empty (an empty entry cannot be told from a missing one)" % sid)
                self.strings[key] = text
            return after
        if keyword == "menu":
            name = c.name()
            c.end()
            body, after = self.block(lines, i, path, "menu")
            items, _ = self.menu_items(lines, body, 0, path)
            data = b"PVMN" + b"\0\0\0\0" + self.encode_menu(items)
            data = data[:4] + struct.pack("<I", len(data)) + data[8:]
            self.add(Resource(RT["menu"], name, self.language, data=data, where=c.where))
            return after
        if keyword == "accelerators":
            name = c.name()
            c.end()
            body, after = self.block(lines, i, path, "accelerators")
            entries = []
            for j in body:
                entries.append(self.accelerator(self.cursor(lines, j, path)))
            if not entries:
                c.error("an accelerator table needs at least one entry")
            data = b""
            for n, (flags, key, cmd) in enumerate(entries):
                if n == len(entries) - 1:
                    flags |= 0x80
                data += struct.pack("<BxHH", flags, key, cmd)
            self.add(Resource(RT["accelerator"], name, self.language, data=data, where=c.where))
            return after
        if keyword == "dialog":
            name = c.name()
            rect = [c.signed("x"), c.signed("y"), c.signed("width"), c.signed("height")]
            c.end()
            body, after = self.block(lines, i, path, "dialog")
            data, init = self.dialog(lines, body, path, rect)
            self.add(Resource(RT["dialog"], name, self.language, data=data, where=c.where))
            if init:
                self.add(Resource(RT["dlginit"], name, self.language, data=init, where=c.where))
            return after
        if keyword == "toolbar":
            name = c.name()
            width, height = c.expression(), c.expression()
            c.end()
            body, after = self.block(lines, i, path, "toolbar")
            ids = []
            for j in body:
                t = self.cursor(lines, j, path)
                word = t.next()
                if word.kind == "word" and word.text.lower() == "separator":
                    ids.append(0)
                elif word.kind == "word" and word.text.lower() == "button":
                    v = t.expression()
                    if not 0 < v <= 0xFFFF:
                        t.error("a button id must be 1..65535")
                    ids.append(v)
                else:
                    t.error("'button <id>' or 'separator' is expected")
                t.end()
            data = struct.pack("<HHHH", 1, width, height, len(ids)) + b"".join(struct.pack("<H", v) for v in ids)
            self.add(Resource(RT["toolbar"], name, self.language, data=data, where=c.where))
            return after
        if keyword in ("bitmap", "icon", "cursor", "png", "textfile", "html", "rcdata", "resource"):
            if keyword == "resource":
                t = c.next("a resource type")
                if t.kind == "number":
                    rtype = int(t.text.rstrip("uUlL"), 0)
                else:
                    rtype = t.text.upper() if t.kind == "string" else (self.symbols.lookup(t.text) or t.text.upper())
            else:
                rtype = {"bitmap": RT["bitmap"], "png": "PNG", "textfile": "TEXTFILE", "html": RT["html"],
                         "rcdata": RT["rcdata"], "icon": None, "cursor": None}[keyword]
            name = c.name()
            file = self.find_file(c.string("a file name"), source_dir, c.where)
            c.end()
            if keyword == "bitmap":
                self.bitmap(name, file, c.where)
            elif keyword in ("icon", "cursor"):
                self.icon_group(keyword == "cursor", name, file, c.where)
            else:
                self.add(Resource(rtype, name, self.language, file=file, size=os.path.getsize(file), where=c.where))
            return i + 1
        c.error("unknown statement %r" % head.text)

    # -- menus --
    def menu_items(self, lines, body, k, path):
        items = []
        while k < len(body):
            c = self.cursor(lines, body[k], path)
            word = c.next()
            kw = word.text.lower() if word.kind == "word" else ""
            if kw == "end":
                return items, k + 1
            if kw in ("separator",) or (kw == "menuitem" and c.more() and c.peek().text.lower() == "separator"):
                if kw == "menuitem":
                    c.next()
                c.end()
                items.append((MENU_SEPARATOR, 0, "", None))
                k += 1
            elif kw == "popup":
                text = c.string("the popup's text")
                flags = MENU_POPUP | self.menu_flags(c)
                children, k = self.menu_items(lines, body, k + 1, path)
                items.append((flags, 0, text, children))
            elif kw in ("item", "menuitem"):
                text = c.string("the item's text")
                ident = c.expression()
                flags = self.menu_flags(c)
                items.append((flags, ident, text, None))
                k += 1
            else:
                c.error("'item', 'popup', 'separator' or 'end' is expected")
        return items, k

    def menu_flags(self, c):
        flags = 0
        while c.more():
            t = c.next()
            f = MENU_FLAGS.get(t.text.lower()) if t.kind == "word" else None
            if f is None:
                c.error("unknown menu flag %r" % t.text)
            flags |= f
        return flags

    def encode_menu(self, items):
        out = struct.pack("<H", len(items))
        for flags, ident, text, children in items:
            out += struct.pack("<HI", flags, ident) + wstr(text)
            if flags & MENU_POPUP:
                out += self.encode_menu(children)
        return out

    # -- accelerators --
    def accelerator(self, c):
        t = c.next("a key")
        ident_key = None
        if t.kind == "string":
            if len(t.text) == 2 and t.text[0] == "^":
                ident_key = ("caret", t.text[1].upper())
            elif len(t.text) == 1:
                ident_key = ("char", t.text)
            else:
                c.error("a key text is one character or ^ and a letter")
        else:
            c.i -= 1
            ident_key = ("code", c.expression())
        cmd = c.expression()
        flags = 0
        while c.more():
            w = c.next()
            f = ACCEL_FLAGS.get(w.text.lower()) if w.kind == "word" else None
            if f is None:
                c.error("unknown accelerator flag %r" % w.text)
            flags |= f
        kind, value = ident_key
        if kind == "caret":
            key = ord(value) - ord("A") + 1
            if flags & 0x01:
                c.error("^ keys are character keys, not virtual keys")
        elif kind == "char":
            key = ord(value.upper()) if flags & 0x01 else ord(value)
        else:
            key = value
        if not 0 <= key <= 0xFFFF or not 0 <= cmd <= 0xFFFF:
            c.error("key and command must fit 16 bits")
        return flags, key, cmd

    # -- dialogs --
    def dialog(self, lines, body, path, rect):
        style = None
        exstyle = 0
        caption = ""
        menu = ""
        cls = ""
        font = None
        items = []
        init_lines = []  # (cursor, control id, texts); checked once every control is known
        for j in body:
            c = self.cursor(lines, j, path)
            word = c.next()
            kw = word.text.lower() if word.kind == "word" else ""
            if kw == "style":
                style = c.style(0)
            elif kw == "exstyle":
                exstyle = c.style(0)
            elif kw == "caption":
                caption = c.string()
            elif kw == "menu":
                n = c.name()
                menu = ("#%d" % n) if isinstance(n, int) else n
            elif kw == "class":
                cls = c.string()
            elif kw == "font":
                size = c.expression()
                face = c.string("the font's face name")
                weight = c.expression() if c.more() else 0
                italic = c.expression() if c.more() else 0
                charset = c.expression() if c.more() else 1
                font = (size, weight, italic, charset, face)
            elif kw == "control":
                text = self.control_text(c)
                ident = c.expression()
                klass = c.string("the control's class")
                st = c.style(WS_CHILD | WS_VISIBLE)
                coords = [c.signed("x"), c.signed("y"), c.signed("width"), c.signed("height")]
                ex = c.style(0) if c.more() else 0
                items.append((st, ex, coords, ident, klass, text))
            elif kw in CONTROL_KINDS:
                klass, base, has_text = CONTROL_KINDS[kw]
                text = self.control_text(c) if has_text else ""
                ident = c.expression()
                coords = [c.signed("x"), c.signed("y")]
                if kw == "icon" and not c.more():
                    coords += [0, 0]
                else:
                    coords += [c.signed("width"), c.signed("height")]
                st = c.style(WS_CHILD | WS_VISIBLE | base) if c.more() else (WS_CHILD | WS_VISIBLE | base)
                ex = c.style(0) if c.more() else 0
                items.append((st, ex, coords, ident, klass, text))
            elif kw == "items":
                ident = c.expression()
                texts = []
                while c.more():
                    texts.append(c.string("an item's text"))
                if not texts:
                    c.error("'items' needs at least one text")
                init_lines.append((c, ident, texts))
            else:
                c.error("unknown dialog line %r" % word.text)
            c.end()
        init = b""
        for c, ident, texts in init_lines:
            klass = [it[4] for it in items if it[3] == ident]
            if not klass:
                c.error("'items' names control %d, which the dialog does not have" % ident)
            message = ADD_STRING.get(klass[0].lower())
            if message is None:
                c.error("'items' fill only list boxes and combo boxes (control %d is of class %s)" % (ident, klass[0]))
            if not 0 < ident <= 0xFFFF:
                c.error("'items' need a control id of 1..65535")
            for text in texts:
                try:
                    raw = text.encode("utf-8")
                except UnicodeEncodeError:
                    c.error("an item's text holds a lone surrogate, which UTF-8 cannot store")
                if b"\0" in raw:
                    c.error("an item's text cannot hold a zero character")
                init += struct.pack("<HHI", ident, message, len(raw) + 1) + raw + b"\0"
        if init:
            init += struct.pack("<H", 0)
        if style is None:
            style = WS_POPUP | 0x00800000 | WS_SYSMENU
        if caption:
            style |= WS_CAPTION
        if font:
            style |= DS_SETFONT
        size, weight, italic, charset, face = font if font else (0, 0, 0, 1, "")
        out = b"PVDL" + b"\0\0\0\0"
        out += struct.pack("<IIhhhhHHBB", style, exstyle, rect[0], rect[1], rect[2], rect[3], size, weight,
                           italic, charset)
        out += wstr(face) + wstr(caption) + wstr(menu) + wstr(cls)
        out += struct.pack("<H", len(items))
        for st, ex, coords, ident, klass, text in items:
            out += struct.pack("<IIhhhhI", st, ex, coords[0], coords[1], coords[2], coords[3], ident)
            out += wstr(klass) + wstr(text) + struct.pack("<H", 0)
        return out[:4] + struct.pack("<I", len(out)) + out[8:], init

    def control_text(self, c):
        t = c.next("the control's text")
        if t.kind == "string":
            return t.text
        c.i -= 1
        return "#%d" % c.expression()

    # -- images --
    def bitmap(self, name, file, where):
        with open(file, "rb") as f:
            head = f.read(54)
        size = os.path.getsize(file)
        if len(head) < 26 or head[:2] != b"BM":
            raise CompileError("%s: %s is not a BMP file" % (where, file))
        header_size = struct.unpack_from("<I", head, 14)[0]
        if header_size not in (12, 40, 52, 56, 108, 124) or size < 14 + header_size:
            raise CompileError("%s: %s has an unknown bitmap header" % (where, file))
        self.add(Resource(RT["bitmap"], name, self.language, file=file, offset=14, size=size - 14, where=where))

    def icon_group(self, cursor, name, file, where):
        with open(file, "rb") as f:
            data = f.read()
        if len(data) < 6:
            raise CompileError("%s: %s is too short for an icon file" % (where, file))
        reserved, kind, count = struct.unpack_from("<HHH", data, 0)
        if reserved != 0 or kind != (2 if cursor else 1) or count == 0 or len(data) < 6 + 16 * count:
            raise CompileError("%s: %s is not a %s file" % (where, file, "cursor" if cursor else "icon"))
        directory = struct.pack("<HHH", 0, 2 if cursor else 1, count)
        for n in range(count):
            w, h, colors, _, a, b, nbytes, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * n)
            if offset + nbytes > len(data) or nbytes < 8:
                raise CompileError("%s: image %d of %s lies outside the file" % (where, n, file))
            image = data[offset:offset + nbytes]
            image_id = self.next_image_id
            self.next_image_id += 1
            if self.next_image_id > 0xFFFF:
                raise CompileError("%s: too many icon and cursor images" % where)
            if image[:8] == b"\x89PNG\r\n\x1a\n":
                bitcount = 32
                width = w or 256
                height = h or 256
            else:
                _, bw, bh, planes, bitcount = struct.unpack_from("<IiiHH", image, 0)
                width = bw
                height = bh  # the DIB height counts the mask too
            if cursor:
                # a = hot spot x, b = hot spot y in a cursor file's directory.
                self.add(Resource(RT["cursor"], image_id, self.language, data=struct.pack("<HH", a, b) + image,
                                  where=where))
                directory += struct.pack("<HHHHIH", width & 0xFFFF, (height if image[:4] != b"\x89PNG" else
                                                                      height * 2) & 0xFFFF, 1, bitcount,
                                         nbytes + 4, image_id)
            else:
                self.add(Resource(RT["icon"], image_id, self.language, file=file, offset=offset, size=nbytes,
                                  where=where))
                directory += struct.pack("<BBBBHHIH", w, h, colors, 0, a or 1, b or bitcount, nbytes, image_id)
        self.add(Resource(RT["group_cursor"] if cursor else RT["group_icon"], name, self.language,
                          data=directory, where=where))

    def finish_strings(self):
        blocks = {}
        for (language, sid), text in self.strings.items():
            blocks.setdefault((language, (sid >> 4) + 1), {})[sid & 15] = text
        for (language, block), entries in sorted(blocks.items()):
            data = b"".join(wstr(entries.get(n, "")) for n in range(16))
            self.resources.append(Resource(RT["string"], block, language, data=data, where="string table"))


# ---- output -------------------------------------------------------------------------------------------
def c_name(text):
    return re.sub(r"[^A-Za-z0-9_]", "_", text)


def wide_literal(text):
    units = struct.unpack("<%dH" % (len(u16(text)) // 2), u16(text)) if text else ()
    return "{" + ", ".join("0x%x" % u for u in units + (0,)) + "}"


def write_output(compiler, args):
    set_id = c_name(args.name)
    tag = hashlib.sha1(args.name.encode()).hexdigest()[:10]
    out = []
    out.append("// Generated by tools/rc/pvrc.py from: %s. Do not edit." % ", ".join(
        os.path.basename(s) for s in args.sources))
    out.append('#include "platform/system/resources.h"\n')
    # Content hash of every file: a changed image rebuilds this file.
    for dep in sorted(compiler.dependencies):
        with open(dep, "rb") as f:
            out.append("// %s %s" % (hashlib.sha1(f.read()).hexdigest(), os.path.basename(dep)))
    out.append("")
    asm = []
    externs = []
    out.append("namespace {")
    data_names = []
    text_names = {}
    for n, r in enumerate(compiler.resources):
        if r.file is not None:
            sym = "pv_res_%s_%d" % (tag, n)
            path = r.file.replace("\\", "\\\\").replace('"', '\\"')
            asm.append('    ".balign 8\\n"\n    "%s:\\n"\n    ".incbin \\"%s\\", %d, %d\\n"\n    ".byte 0\\n"' % (
                sym, path, r.offset, r.size))
            externs.append('extern "C" const unsigned char %s[];' % sym)
            data_names.append(sym)
        else:
            sym = "kData%d" % n
            body = ", ".join(str(b) for b in r.data) if r.data else "0"
            out.append("alignas(8) const unsigned char %s[] = {%s};" % (sym, body))
            data_names.append(sym)
        for part in (r.rtype, r.name):
            if isinstance(part, str) and part not in text_names:
                text_names[part] = "kText%d" % len(text_names)
                out.append("const char16_t %s[] = %s;" % (text_names[part], wide_literal(part)))
    out.append("}  // namespace\n")
    if asm:
        out.append("__asm__(\n    \".pushsection .rodata\\n\"")
        out.append("\n".join(asm))
        out.append('    ".popsection\\n");')
        out.extend(externs)
    out.append("\nnamespace {")
    out.append("const pv::ResourceEntry kEntries[] = {")
    for n, r in enumerate(compiler.resources):
        def ref(part):
            return ("%s, 0" % text_names[part]) if isinstance(part, str) else ("nullptr, %d" % part)
        out.append("    {%s, %s, 0x%04x, %s, %d}," % (ref(r.rtype), ref(r.name), r.language, data_names[n], r.size))
    if not compiler.resources:
        out.append("    {nullptr, 0, nullptr, 0, 0, nullptr, 0},")
    out.append("};")
    module = wide_literal(args.module) if args.module else None
    if module:
        out.append("const char16_t kModule[] = %s;" % module)
    out.append("const pv::ResourceSet kSet = {%s, kEntries, %d};" % ("kModule" if module else "nullptr",
                                                                     len(compiler.resources)))
    out.append("}  // namespace\n")
    out.append("// Registers the set (again harmlessly) and returns it.")
    out.append("const pv::ResourceSet* PvResources_%s() {" % set_id)
    out.append("  pv::RegisterResourceSet(&kSet);")
    out.append("  return &kSet;")
    out.append("}\n")
    out.append("namespace {")
    out.append("// Registration at start-up; the registry itself is made on first use, so the")
    out.append("// order of static initialisers across files does not matter.")
    out.append("[[maybe_unused]] const bool kRegistered = (PvResources_%s(), true);" % set_id)
    out.append("}  // namespace")
    text = "\n".join(out) + "\n"
    old = None
    if os.path.exists(args.output):
        with open(args.output, encoding="utf-8") as f:
            old = f.read()
    if old != text:
        os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
        tmp = args.output + ".tmp"
        with open(tmp, "w", encoding="utf-8") as f:
            f.write(text)
        os.replace(tmp, args.output)
    if args.depfile:
        def esc(p):
            return p.replace(" ", "\\ ")
        with open(args.depfile, "w", encoding="utf-8") as f:
            f.write("%s: %s\n" % (esc(args.output), " ".join(esc(d) for d in sorted(compiler.dependencies))))


def main(argv):
    parser = argparse.ArgumentParser(description="Compiles Pravenor resource sources into C++ tables.")
    parser.add_argument("--name", required=True, help="name of the resource set (a C identifier is made from it)")
    parser.add_argument("--output", required=True)
    parser.add_argument("--module", help="built-in module that holds the set (default: the program)")
    parser.add_argument("--icon-base", type=int, default=None, help="first id of the icon and cursor images")
    parser.add_argument("--depfile")
    parser.add_argument("-I", dest="include_dirs", action="append", default=[])
    parser.add_argument("sources", nargs="+")
    args = parser.parse_args(argv)
    icon_base = args.icon_base
    if icon_base is None:
        # Sets of one module must not share image ids: spread them by name.
        icon_base = 1 + (int(hashlib.sha1(args.name.encode()).hexdigest(), 16) % 600) * 100
    compiler = Compiler([os.path.abspath(d) for d in args.include_dirs], icon_base)
    try:
        for source in args.sources:
            compiler.compile_file(source)
        compiler.finish_strings()
        write_output(compiler, args)
    except CompileError as e:
        sys.stderr.write("pvrc: error: %s\n" % e)
        return 1
    except UnicodeDecodeError as e:
        sys.stderr.write("pvrc: error: a source is not UTF-8 text (%s)\n" % e)
        return 1
    except OSError as e:
        sys.stderr.write("pvrc: error: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
