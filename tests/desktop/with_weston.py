#!/usr/bin/python3
"""Runs a command as a Wayland client of its own weston (headless, no GPU).

  with_weston.py COMMAND [ARGS...]

The compositor gets a runtime folder and socket of its own; the command
runs with WAYLAND_DISPLAY and QT_QPA_PLATFORM=wayland set, and weston is
stopped when it ends. Exits 77 (skipped) when weston or Qt's Wayland
platform is missing, else with the command's status.
"""
import glob
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from desktop_env import skip as skip_as, with_suppressions


def skip(reason):
    skip_as("with_weston", reason)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    if not shutil.which("weston"):
        skip("weston is not installed (scripts/install-deps)")
    if not glob.glob("/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so"):
        skip("Qt's Wayland platform is not installed (qt6-wayland)")

    runtime = tempfile.mkdtemp(prefix="zarvel-weston-")
    os.chmod(runtime, 0o700)
    socket = "wayland-zarvel"
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
    env.pop("DISPLAY", None)
    log_path = os.path.join(runtime, "weston.log")
    with open(log_path, "wb") as log:
        weston = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", f"--socket={socket}", "--width=1280", "--height=1024",
             "--idle-time=0", "--no-config"],
            env=env, stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
    try:
        deadline = time.monotonic() + 20
        while not os.path.exists(os.path.join(runtime, socket)):
            if weston.poll() is not None or time.monotonic() > deadline:
                with open(log_path, errors="replace") as f:
                    print(f.read()[-3000:])
                skip("weston did not start here")
            time.sleep(0.1)
        time.sleep(0.5)  # the shell's own clients come up
        # A headless weston has no seat, and Qt's Wayland text input then
        # fails on the first caret it draws: the compose input context
        # stands in (a desktop session always has a keyboard).
        env.update(WAYLAND_DISPLAY=socket, QT_QPA_PLATFORM="wayland", QT_IM_MODULE="compose")
        with_suppressions(env, runtime, wayland=True)
        status = subprocess.call(sys.argv[1:], env=env)
        if weston.poll() is not None:
            print("with_weston: weston ended during the test", flush=True)
            status = status or 1
        return status
    finally:
        if weston.poll() is None:
            os.killpg(weston.pid, signal.SIGTERM)
            try:
                weston.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(weston.pid, signal.SIGKILL)
                weston.wait()
        shutil.rmtree(runtime, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
