#!/usr/bin/env python3
"""The program must run on a bare Windows 7: it may import only the system's own DLLs, and from
them only the functions listed in windows7-imports.txt (each checked to be in Windows 7). Each
build is read with its own objdump and held to the same lists; the architecture is the build's own.

  check_imports.py OBJDUMP EXE i686|x86_64
"""
import os
import re
import subprocess
import sys

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "comctl32.dll", "comdlg32.dll",
    "shell32.dll", "wsock32.dll", "rasapi32.dll", "msvcrt.dll", "ws2_32.dll", "ole32.dll",
}
FORMATS = {"i686": "pei-i386", "x86_64": "pei-x86-64"}
ALLOWED = os.path.join(os.path.dirname(os.path.abspath(__file__)), "windows7-imports.txt")


def imports(objdump_text):
    """(dll, function) for every function imported by name."""
    found, dll = set(), None
    for line in objdump_text.splitlines():
        if line.strip().startswith("DLL Name:"):
            dll = line.split(":", 1)[1].strip().lower()
        elif dll and re.match(r"^\t[0-9a-f]+\s+[0-9]+\s+\S+$", line):
            found.add((dll, line.split()[-1]))
    return found


def allowed():
    with open(ALLOWED) as f:
        return {tuple(line.split()) for line in f if line.strip() and not line.startswith("#")}


def main():
    objdump, exe, arch = sys.argv[1], sys.argv[2], sys.argv[3]
    out = subprocess.run([objdump, "-p", exe], check=True, capture_output=True, text=True).stdout
    if "file format %s" % FORMATS[arch] not in out:
        print(f"{exe} is not a {FORMATS[arch]} executable")
        return 1
    dlls = sorted({line.split(":", 1)[1].strip().lower() for line in out.splitlines()
                   if line.strip().startswith("DLL Name:")})
    foreign = [d for d in dlls if d not in SYSTEM_DLLS]
    print("imports:", ", ".join(dlls))
    if foreign:
        print("needs DLLs that Windows does not have:", ", ".join(foreign))
        return 1
    functions = imports(out)
    if not functions:
        print("no imported functions found: objdump's listing has changed its form")
        return 1
    unknown = sorted(functions - allowed())
    if unknown:
        print("imports functions not known to be in Windows 7 (see %s):" % os.path.basename(ALLOWED))
        for dll, name in unknown:
            print("  %s %s" % (dll, name))
        return 1
    print("%d functions, each in Windows 7" % len(functions))
    print("1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
