#!/usr/bin/python3
"""Runs a command on an X display of its own with fcitx5 and Mozc on, as
Japanese users type: the input method active from the first field on, in
hiragana.

  with_input_method.py COMMAND [ARGS...]

Mozc refuses to run as root, so as root everything here (Xvfb, the session
bus, fcitx5, the command) runs as the ordinary user nobody, in a folder of
its own. Exits 77 (skipped) when a tool is missing or fcitx5 does not come
up, else with the command's status.
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

NOBODY = 65534
PROFILE = """[Groups/0]
Name=Default
Default Layout=us
DefaultIM=mozc

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=mozc
Layout=

[GroupOrder]
0=Default
"""
CONFIG = """[Behavior]
ActiveByDefault=True
ShareInputState=No
"""


def skip(reason):
    skip_as("with_input_method", reason)


def check_tools():
    for tool in ("Xvfb", "xdotool", "fcitx5", "fcitx5-remote", "dbus-daemon", "setpriv"):
        if not shutil.which(tool):
            skip(f"{tool} is not installed (scripts/install-deps)")
    if not glob.glob("/usr/lib/*/fcitx5/fcitx5-mozc.so"):
        skip("Mozc for fcitx5 is not installed (fcitx5-mozc)")
    if not glob.glob("/usr/lib/*/qt6/plugins/platforminputcontexts/libfcitx5platforminputcontextplugin.so"):
        skip("fcitx5's Qt 6 module is not installed (fcitx5-frontend-qt6)")


def stop(procs):
    for p in reversed(procs):
        if p.poll() is None:
            try:
                os.killpg(p.pid, signal.SIGTERM)
                p.wait(timeout=5)
            except (ProcessLookupError, subprocess.TimeoutExpired):
                pass
        try:
            os.killpg(p.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        p.wait()


def stop_strays(marker):
    # mozc_server leaves fcitx5's process group; it is ours when it runs in
    # our folder.
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if marker.encode() in f.read():
                    os.kill(int(pid), signal.SIGKILL)
        except OSError:
            pass


def inside(work, command):
    """As the ordinary user: the display, the bus, fcitx5, then the command."""
    home = os.path.join(work, "home")
    runtime = os.path.join(work, "runtime")
    os.makedirs(os.path.join(home, ".config", "fcitx5"), exist_ok=True)
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    with open(os.path.join(home, ".config", "fcitx5", "profile"), "w") as f:
        f.write(PROFILE)
    with open(os.path.join(home, ".config", "fcitx5", "config"), "w") as f:
        f.write(CONFIG)
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"), XDG_CACHE_HOME=os.path.join(home, ".cache"),
               XDG_RUNTIME_DIR=runtime, ZARVEL_IME_FOLDER=work)
    env.pop("WAYLAND_DISPLAY", None)
    procs = []
    logs = open(os.path.join(work, "servers.log"), "wb")

    def spawn(argv, **kw):
        p = subprocess.Popen(argv, env=env, stdout=kw.get("stdout", logs), stderr=logs, start_new_session=True,
                             pass_fds=kw.get("pass_fds", ()))
        procs.append(p)
        return p

    try:
        r, w = os.pipe()
        spawn(["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24", "-nolisten", "tcp"], pass_fds=(w,))
        os.close(w)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(r, 16)
            if not chunk:
                break
            number += chunk
        os.close(r)
        if not number.strip():
            skip("Xvfb did not start")
        env["DISPLAY"] = ":" + number.decode().strip()

        bus = spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdout=subprocess.PIPE)
        address = bus.stdout.readline().decode().strip()
        if not address:
            skip("no session bus")
        env["DBUS_SESSION_BUS_ADDRESS"] = address

        fcitx_log = os.path.join(work, "fcitx5.log")
        with open(fcitx_log, "wb") as log:
            procs.append(subprocess.Popen(["fcitx5", "--replace"], env=env, stdout=log, stderr=log,
                                          start_new_session=True))
        deadline = time.monotonic() + 30
        while True:
            with open(fcitx_log, errors="replace") as f:
                text = f.read()
            ready = subprocess.call(["fcitx5-remote"], env=env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL) == 0
            if ready and "Loaded addon mozc" in text:
                break
            if procs[-1].poll() is not None or time.monotonic() > deadline:
                print(text[-3000:])
                skip("fcitx5 with Mozc did not come up here")
            time.sleep(0.2)
        time.sleep(0.5)

        env.update(QT_QPA_PLATFORM="xcb", QT_IM_MODULE="fcitx", XMODIFIERS="@im=fcitx", ZARVEL_TEST_FCITX="1")
        with_suppressions(env, work)
        return subprocess.call(command, env=env)
    finally:
        stop(procs)
        stop_strays(f"ZARVEL_IME_FOLDER={work}")
        logs.close()


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    if sys.argv[1] == "--inside":
        return inside(sys.argv[2], sys.argv[3:])
    check_tools()
    work = tempfile.mkdtemp(prefix="zarvel-ime-")
    try:
        me = [sys.executable, os.path.abspath(__file__), "--inside", work] + sys.argv[1:]
        if os.getuid() == 0:
            os.chown(work, NOBODY, NOBODY)
            me = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups", "--"] + me
        return subprocess.call(me)
    finally:
        stop_strays(f"ZARVEL_IME_FOLDER={work}")
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
