#!/usr/bin/env python3
"""The program must run on a bare Windows: it may import only the system's own DLLs. Each build
is read with its own objdump and held to the same list; the architecture is the build's own.

  check_imports.py OBJDUMP EXE i686|x86_64
"""
import subprocess
import sys

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "comctl32.dll", "comdlg32.dll",
    "shell32.dll", "wsock32.dll", "rasapi32.dll", "msvcrt.dll", "ws2_32.dll", "ole32.dll",
}
FORMATS = {"i686": "pei-i386", "x86_64": "pei-x86-64"}


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
    print("1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
