#!/usr/bin/env python3
"""tkvndn.exe started as a process: the single-instance rule and the exit code."""
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
from winproc import UiDrive, delete_key, put_binary, settings_record, start, wait_exit, windows_path  # noqa: E402
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "session"))
from harness import EXIT_CODES  # noqa: E402

CAPTION = "Tickvane Download Service"


def main():
    exe, uidrive = sys.argv[1], UiDrive(sys.argv[2])
    results = []

    def check(name, condition, detail=""):
        results.append(condition)
        print(("ok   " if condition else "FAIL ") + name + (f": {detail}" if detail and not condition else ""))

    with tempfile.TemporaryDirectory() as data:
        delete_key()
        put_binary("DownloadSettings", settings_record(windows_path(data), username=b"trader", password=b"pw"))
        first = start(exe)
        try:
            uidrive.wait(CAPTION)
            t0 = time.time()
            second = start(exe, "/a")
            code = wait_exit(second, 30)
            check("a second instance with /a exits at once with its own code",
                  code == EXIT_CODES["kExitAlreadyRunning"], f"exit code {code}")
            check("the first instance is still running", first.poll() is None)
            check("the second instance leaves no message box", uidrive.boxes() == [], str(uidrive.boxes()))
            uidrive.click(CAPTION, 2)
            code = wait_exit(first, 30)
            check("Exit ends the program with 0", code == 0, f"exit code {code}")
            print(f"second instance took {time.time() - t0:.1f} s")
        finally:
            if first.poll() is None:
                first.kill()
        delete_key()

    # A data directory that the user declines to create: the settings dialog offers another one.
    # Cancel there ends the program with 0; OK checks the directory again.
    with tempfile.TemporaryDirectory() as data:
        missing = os.path.join(data, "nothere")
        put_binary("DownloadSettings", settings_record(windows_path(missing), username=b"trader"))
        for button in (2, 1):
            p = start(exe)
            try:
                question = uidrive.answer(7, caption="File Download")
                check("the missing directory is asked about", "does not exist" in question["text"], str(question))
                refusal = uidrive.answer(1, caption="Error")
                check("No is answered with the refusal",
                      refusal["text"] == "Unable to continue. Please select valid directory in update settings.",
                      str(refusal))
                uidrive.wait("Download Settings")
                if button == 1:
                    os.mkdir(missing)  # as if another directory had been chosen
                uidrive.click("Download Settings", button)
                if button == 1:
                    uidrive.wait(CAPTION)
                    uidrive.click(CAPTION, 2)
                code = wait_exit(p, 30)
                check("the program ends with 0", code == 0, f"exit code {code}")
                check("nothing created unasked", os.path.exists(missing) == (button == 1))
            finally:
                if p.poll() is None:
                    p.kill()
        delete_key()

    passed = sum(results)
    print(f"{passed} passed, {len(results) - passed} failed")
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
