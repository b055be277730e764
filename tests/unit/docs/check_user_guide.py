#!/usr/bin/env python3
"""Keeps the user guide true: it must quote every text that the program can show in a message
box, the message list, the status line or a caption, and every box of the installer; and its
list of exit codes must name exactly the codes of app/ExitCodes.h, each with what to do.

The program's texts are collected from its sources: the literals in the shown arguments of those
calls, in the statements that build a variable passed there (assignment, snprintf, push_back,
range-for), in the constants named there and in what a function called there returns. A function
that passes one of its own parameters on to a shown argument counts as such a call (ShowError,
FailTransfer...). A printf place-holder matches any text; a literal without three letters in a
row, or one that begins with a backslash or slash (part of a path), is glue and not looked for.

    check_user_guide.py SOURCE_DIR
"""
import re
import sys
from pathlib import Path

PROGRAM_DIRS = ("app", "catalogue", "files", "net", "platform", "settings")
SHOWN = {"ShowBox": {1, 2}, "AppendMessageLine": {1}, "SetStatusLine": {1}, "SetWindowTextA": {1}}
NOT_REQUIRED = {  # text: why the guide need not explain it
    "Special Debug Version (1)": "shown only by the special debug build",
    "Information": "the caption of that notice",
    "Unable to open debug file \\tkvndbg.txt": "the debug build's trace file",
    "Created debug file \\tkvndbg.txt": "the debug build's trace file",
    "Debug": "the caption of that box",
}
TOKEN = re.compile(r'//[^\n]*|/\*.*?\*/|^[ \t]*#[^\n]*|"(?:\\.|[^"\\])*"|\'(?:\\.|[^\'\\])*\'|'
                   r'\w+|::|->|[-+*/%<>=!&|^]=|\S', re.S | re.M)
PLACEHOLDER = re.compile(r"%[-+ #0]*(?:\d+|\*)?(?:\.(?:\d+|\*))?(?:hh|h|ll|l|z)?[diouxXsc]")
IDENTIFIER = re.compile(r"[A-Za-z_]\w*$")
# Calls whose arguments make up their result; of any other call only its return value counts.
BUILDING = {"snprintf", "FormatInto", "append", "push_back", "string", "for", "if", "while", "switch"}


def tokens(text):
    out = []
    for t in TOKEN.findall(text):
        if t.lstrip().startswith(("//", "/*", "#")):
            continue
        if t[0] == '"' and out and out[-1][0] == '"':  # adjacent literals are one
            out[-1] = out[-1][:-1] + t[1:]
        else:
            out.append(t)
    return out


def split(toks, separators):
    """Splits at the separators outside brackets, dropping them."""
    parts, part, depth = [], [], 0
    for t in toks:
        if depth == 0 and t in separators:
            parts.append(part)
            part = []
            continue
        depth += t in ("(", "[") and 1 or t in (")", "]") and -1 or 0
        part.append(t)
    return parts + [part]


def bracketed(toks):
    """The tokens inside the brackets that toks[0] opens."""
    return split(toks[1:], {")", "]"})[0]


class Chunk:
    """A declaration at file level (function, class, constant) as statements."""

    def __init__(self, head, body):
        self.statements = [s for s in split(body, {";", "{", "}"}) if s]
        self.name, self.params, self.shown = None, [], set()
        if "(" in head and not {"=", "class", "struct", "enum"} & set(head):
            at = head.index("(")
            self.name = head[at - 1]
            self.params = [p[-1] for p in split(bracketed(head[at:]), {","}) if p]


def chunks(toks):
    result, head, body, depth = [], [], [], 0
    for t in toks:
        if depth:
            depth += (t == "{") - (t == "}")
            if depth:
                body.append(t)
            else:
                result.append(Chunk(head, body))
                head = []
        elif t == "{" and "namespace" in head:
            head = []
        elif t == "{":
            depth, body = 1, []
        elif t in (";", "}"):
            result.append(Chunk([], head))
            head = []
        else:
            head.append(t)
    return result


def calls(statement):
    for i, t in enumerate(statement[:-1]):
        if statement[i + 1] == "(" and IDENTIFIER.match(t):
            inner = bracketed(statement[i + 1:])
            yield t, split(inner, {","}) if inner else []


def built(statement, name):
    """The part of the statement that gives `name` (part of) its value, from the name on."""
    for i, t in enumerate(statement):
        if t != name:
            continue
        after = statement[i + 1:]
        while after[:1] == ["["]:
            after = after[len(bracketed(after)) + 2:]
        if (after[:1] in (["="], ["+="]) or after[:2] in ([".", "append"], [".", "push_back"])
                or (after[:1] == [":"] and statement[0] == "for")
                or (i >= 2 and statement[i - 1] == "(" and statement[i - 2] in ("snprintf", "FormatInto"))):
            return statement[i:]
    return []


class Program:
    def __init__(self, sources):
        self.files = [chunks(tokens(p.read_text(errors="replace"))) for p in sources]
        self.functions = {}
        for file in self.files:
            for c in file:
                c.file = file
                if c.name:
                    self.functions.setdefault(c.name, []).append(c)
        while self.find_wrappers():
            pass

    def reach(self, chunk, toks, seen):
        """The literals and identifiers that make up the value of `toks`."""
        found, i = set(), 0
        while i < len(toks):
            t, i = toks[i], i + 1
            found.add(t)
            if not IDENTIFIER.match(t):
                continue
            first = (id(chunk), t) not in seen
            seen.add((id(chunk), t))
            if toks[i:i + 1] == ["("] and t not in BUILDING:
                for f in self.functions.get(t, []) if first else ():
                    for s in f.statements:
                        if "return" in s:
                            found |= self.reach(f, s[s.index("return") + 1:], seen)
                i += len(bracketed(toks[i:])) + 2
            elif first and toks[i:i + 1] != ["("]:
                parts = [built(s, t) for s in chunk.statements]
                if not any(parts):
                    parts = [built(s, t) for c in chunk.file if not c.name for s in c.statements]
                for part in parts:
                    found |= self.reach(chunk, part, seen)
        return found

    def positions(self, chunk, name):
        """Where a call of `name` made in `chunk` takes a shown text; a function of that name in
        the same file comes before those of other files."""
        found = set(SHOWN.get(name, ()))
        defined = self.functions.get(name, [])
        for f in [f for f in defined if f.file is chunk.file] or defined:
            found |= f.shown
        return found

    def shown_values(self, chunk):
        for s in chunk.statements:
            for name, arguments in calls(s):
                for at in self.positions(chunk, name):
                    if at < len(arguments):
                        yield self.reach(chunk, arguments[at], set())

    def find_wrappers(self):
        grew = False
        for file in self.files:
            for c in file:
                for value in self.shown_values(c) if c.name and c.name not in SHOWN else ():
                    for at, param in enumerate(c.params):
                        if param in value and at not in c.shown:
                            c.shown.add(at)
                            grew = True
        return grew

    def texts(self):
        found = set()
        for file in self.files:
            for c in file:
                for value in self.shown_values(c):
                    found |= {re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t"}.get(m[1], m[1]), t[1:-1])
                              for t in value if t[0] == '"'}
        return found


def installer_texts(script):
    defines = dict(re.findall(r'^!define (\w+) "([^"]*)"', script, re.M))
    texts = set()
    for text in re.findall(r'MessageBox MB_\S+ "((?:\$\\"|[^"])*)"', script):
        text = text.replace("$\\r$\\n", "\n").replace('$\\"', '"')
        texts.add(re.sub(r"\$\{(\w+)\}", lambda m: defines.get(m[1], "%s"), text))
    return {re.sub(r"\$\w+", "%s", t) for t in texts}


def normal(text):
    return " ".join(text.split())


def quoted(text, guide):
    pieces = [normal(p) for p in PLACEHOLDER.split(text)]
    pattern = r".{1,80}?".join(re.escape(p) for p in pieces if p)
    return re.search(pattern, guide) is not None


def main(source):
    guide_text = (source / "docs/USER-GUIDE.md").read_bytes().decode("ascii", "replace")
    guide = normal(guide_text)
    # Installed as plain text, the guide is read in Notepad.
    faults = [f"line {n} is not plain ASCII or is longer than 78 columns"
              for n, line in enumerate(guide_text.splitlines(), 1) if len(line) > 78 or "\ufffd" in line]

    program = Program(sorted(p for d in PROGRAM_DIRS for p in (source / d).rglob("*.cpp")))
    texts = program.texts() | installer_texts((source / "installer/tkvndn.nsi").read_text())
    required = {t for t in texts - NOT_REQUIRED.keys()
                if re.search("[A-Za-z]{3}", PLACEHOLDER.sub("", t)) and not t.startswith(("\\", "/"))}
    faults += [f"not in the guide: {t!r}" for t in sorted(required) if not quoted(t, guide)]

    codes = {int(v) for v in re.findall(r"kExit\w+ = (\d+)", (source / "app/ExitCodes.h").read_text())}
    entries = re.split(r"^(?=- \d+ \(0x)", guide_text, flags=re.M)[1:]
    listed = []
    for entry in entries:
        number, hexadecimal = re.match(r"- (\d+) \(0x([0-9A-F]+)\)", entry).groups()
        listed.append(int(number))
        if int(hexadecimal, 16) != int(number):
            faults.append(f"exit code {number} is not 0x{hexadecimal}")
        if "What to do:" not in entry.split("\n\n")[0]:
            faults.append(f"exit code {number} says nothing under 'What to do:'")
    if sorted(listed) != sorted(codes):
        faults.append(f"the guide lists exit codes {sorted(listed)}, app/ExitCodes.h has {sorted(codes)}")
    for fault in faults:
        print(fault)
    print(f"{len(required)} texts and {len(codes)} exit codes checked, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1])))
