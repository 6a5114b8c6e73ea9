#!/usr/bin/python3
"""The real program on a desktop.

  program_test.py titles ZARVEL     under Xvfb with a window manager (openbox):
                                    every window's and message box's title as
                                    the window manager shows it (_NET_WM_NAME)
  program_test.py arguments ZARVEL  options the toolkit knows are the
                                    program's own arguments
  program_test.py maximize ZARVEL   under weston on Xvfb, so that it has a
                                    mouse and a keyboard: a click on the
                                    maximize button Qt draws on the main
                                    window, then Escape, which saves all
                                    but the position Wayland cannot tell

Exits 77 (skipped) when a tool is missing.
"""
import codecs
import ctypes
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

from desktop_env import skip as skip_as, with_suppressions

# Places in the main window's client area.
TOOL_COMPOSE = (23, 19)
TOOL_BOOK = (117, 19)
TOOL_SETTINGS = (172, 19)
ABOUT_SEPARATOR = (200, 19)
PALETTE_BUTTON = (239, 325)
BOOK_ROW_2 = (60, 78)
BODY = (51, 222)
BOOK = [("<b>Boss</b>", "boss@example.jp"), ("太郎", "taro@example.jp")]


class Failure(Exception):
    pass


def skip(reason):
    skip_as("program_test", reason)


def die_with_parent():
    ctypes.CDLL("libc.so.6").prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


class Desktop:
    """Every process started here, stopped with its process group at the end."""

    def __init__(self, work):
        self.work = work
        self.procs = []
        self.env = dict(os.environ, NO_AT_BRIDGE="1", LC_ALL="C.UTF-8")
        runtime = os.path.join(work, "runtime")
        os.mkdir(runtime, 0o700)
        self.env["XDG_RUNTIME_DIR"] = runtime  # a lock of its own: one copy per runtime folder

    def spawn(self, argv, log, **kw):
        out = open(os.path.join(self.work, log), "ab")
        p = subprocess.Popen(argv, stdout=out, stderr=out, env=kw.get("env", self.env), cwd=kw.get("cwd"),
                             start_new_session=True, preexec_fn=die_with_parent, pass_fds=kw.get("pass_fds", ()))
        out.close()
        self.procs.append(p)
        return p

    def close(self):
        for p in reversed(self.procs):
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

    def log(self, name):
        try:
            with open(os.path.join(self.work, name), errors="replace") as f:
                return f.read()[-3000:]
        except OSError:
            return ""

    def start_x(self):
        r, w = os.pipe()
        self.spawn(["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24", "-nolisten", "tcp"], "xvfb.log",
                   pass_fds=(w,))
        os.close(w)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(r, 16)
            if not chunk:
                break
            number += chunk
        os.close(r)
        if not number.strip():
            raise Failure("Xvfb did not start\n" + self.log("xvfb.log"))
        self.env["DISPLAY"] = ":" + number.decode().strip()
        self.env["QT_QPA_PLATFORM"] = "xcb"
        self.env.pop("WAYLAND_DISPLAY", None)

    def start_window_manager(self):
        self.spawn(["openbox", "--sm-disable"], "openbox.log")
        self.wait(lambda: "window id" in self.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK"), 20,
                  "the window manager")

    def run(self, *argv):
        return subprocess.run(argv, env=self.env, capture_output=True, text=True, timeout=20).stdout

    @staticmethod
    def wait(ready, timeout, what):
        deadline = time.monotonic() + timeout
        while True:
            value = ready()
            if value:
                return value
            if time.monotonic() > deadline:
                raise Failure(f"timed out after {timeout} s waiting for {what}")
            time.sleep(0.1)

    # ---- windows of one process

    def windows(self, pid):
        return set(self.run("xdotool", "search", "--onlyvisible", "--pid", str(pid)).split())

    def title(self, window):
        out = self.run("xprop", "-id", window, "-notype", "_NET_WM_NAME")
        if "=" not in out:
            return None
        quoted = out.split("=", 1)[1].strip()
        return codecs.escape_decode(quoted[1:-1].encode())[0].decode("utf-8")

    def size(self, window):
        out = self.run("xdotool", "getwindowgeometry", window)
        for line in out.splitlines():
            if "Geometry:" in line:
                w, h = line.split(":", 1)[1].strip().split("x")
                return int(w), int(h)
        return None

    def new_window(self, pid, before, what):
        return self.wait(lambda: next(iter(self.windows(pid) - before), None), 15, what)

    def click(self, window, at, button="1", repeat=1):
        self.run("xdotool", "mousemove", "--window", window, str(at[0]), str(at[1]))
        self.run("xdotool", "click", "--repeat", str(repeat), "--delay", "80", button)
        time.sleep(0.3)

    def activate(self, window):
        # Keys go to the active window; the window manager gives it back to
        # the main window a moment after a dialog closes.
        self.run("xdotool", "windowactivate", "--sync", window)

    def key(self, *keys):
        self.run("xdotool", "key", "--clearmodifiers", *keys)
        time.sleep(0.3)


def write_data(folder, server_port):
    os.makedirs(folder, exist_ok=True)
    book = "".join(f"{n},{a}\r\n" for n, a in BOOK).encode("cp932")
    with open(os.path.join(folder, "zarvel.csv"), "wb") as f:
        f.write(book)
    ini = f"[Server]\r\nsmtp_server=127.0.0.1\r\nsmtp_port={server_port}\r\nmail_address=me@example.jp\r\n"
    with open(os.path.join(folder, "zarvel.ini"), "wb") as f:
        f.write(ini.encode("cp932"))


def svg_loaded(pid):
    with open(f"/proc/{pid}/maps") as f:
        return "libQt6Svg" in f.read()


def pooled_threads(pid):
    names = []
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/comm") as f:
                names.append(f.read().strip())
        except FileNotFoundError:
            pass  # ended meanwhile
    return [n for n in names if n.startswith("Thread (pooled)")]


def titles(zarvel, work):
    for tool in ("Xvfb", "openbox", "xdotool", "xprop"):
        if not shutil.which(tool):
            skip(f"{tool} is not installed (scripts/install-deps)")
    d = Desktop(work)
    problems = []

    def expect(ok, text):
        if not ok:
            problems.append(text)
            print("FAIL:", text, flush=True)

    # A server that takes the connection and never answers keeps the
    # progress window up; closing it ends the send with a failure.
    silent = socket.socket()
    silent.bind(("127.0.0.1", 0))
    silent.listen(4)
    data = os.path.join(work, "data")
    write_data(data, silent.getsockname()[1])
    try:
        d.start_x()
        d.start_window_manager()
        app = d.spawn([zarvel, data], "zarvel.log")
        main = d.new_window(app.pid, set(), "the main window")
        time.sleep(0.5)
        expect(d.title(main) == "zarvel", f"main window titled {d.title(main)!r}")
        # The window list's icon comes from pictures drawn at build time; the
        # SVG library waits for the first picture that needs it.
        icon = d.run("xprop", "-id", main, "-notype", "_NET_WM_ICON")
        sizes = [int(w) for w, h in re.findall(r"Icon \((\d+) x (\d+)\)", icon) if w == h]
        expect(sizes == [16, 32, 64, 128], f"window icon sizes {sizes}")
        expect(not svg_loaded(app.pid), "the SVG library was loaded with the main window")
        # The first frame is drawn on the program's own thread: the toolkit
        # started no helper threads for its fills.
        pooled = pooled_threads(app.pid)
        expect(not pooled, f"the first frame started {len(pooled)} painting threads")

        def dialog(open_it, title, close_it):
            before = d.windows(app.pid)
            open_it()
            w = d.new_window(app.pid, before, title)
            d.activate(w)
            time.sleep(0.3)
            shown = d.title(w)
            expect(shown == title, f"window titled {shown!r}, expected {title!r}")
            close_it()
            d.wait(lambda: w not in d.windows(app.pid), 10, f"{title} to close")
            return w

        dialog(lambda: d.click(main, ABOUT_SEPARATOR), "バージョン情報", lambda: d.key("Escape"))
        expect(svg_loaded(app.pid), "the About box drew its picture without the SVG library")
        dialog(lambda: d.click(main, PALETTE_BUTTON), "一行文字・絵文字(imode)", lambda: d.key("alt+F4"))
        def main_key(k):
            d.activate(main)
            d.key(k)

        d.click(main, TOOL_BOOK)
        dialog(lambda: main_key("alt+t"), "宛先の追加", lambda: d.key("alt+F4"))
        dialog(lambda: main_key("alt+e"), "宛先の編集", lambda: d.key("alt+F4"))
        dialog(lambda: main_key("alt+d"), "確認", lambda: d.key("alt+n"))  # <b>Boss</b> is kept
        d.click(main, TOOL_SETTINGS)
        main_key("alt+t")  # SMTP AUTH on, so that its button works
        dialog(lambda: main_key("alt+u"), "SMTP認証", lambda: d.key("alt+F4"))

        # A send to 太郎: the progress window, then the failure's box.
        d.click(main, TOOL_BOOK)
        d.click(main, BOOK_ROW_2, repeat=2)
        d.click(main, BODY)
        d.run("xdotool", "type", "--delay", "50", "test")
        before = d.windows(app.pid)
        main_key("alt+s")
        progress = d.new_window(app.pid, before, "the progress window")
        time.sleep(0.5)
        expect(d.title(progress) == "送信先 - 太郎さん", f"progress window titled {d.title(progress)!r}")
        before = d.windows(app.pid) - {progress}
        silent.close()
        box = d.wait(lambda: next(iter(d.windows(app.pid) - before - {progress}), None), 30, "the failure's box")
        d.activate(box)
        expect(d.title(box) == "zarvel", f"failure box titled {d.title(box)!r}")
        d.key("Return")
        d.wait(lambda: box not in d.windows(app.pid), 10, "the failure's box to close")

        # A settings file that cannot be written: the error handler's box,
        # and the window stays open; once it can be written, Escape ends it.
        ini = os.path.join(data, "zarvel.ini")
        os.replace(ini, ini + ".kept")
        os.mkdir(ini)
        dialog(lambda: (d.click(main, TOOL_COMPOSE), main_key("Escape")), "エラー", lambda: d.key("Return"))
        expect(app.poll() is None, "the program ended although its settings were not saved")
        os.rmdir(ini)
        os.replace(ini + ".kept", ini)
        d.click(main, TOOL_COMPOSE)
        main_key("Escape")
        try:
            status = app.wait(timeout=20)
        except subprocess.TimeoutExpired:
            raise Failure("Escape did not end the program")
        expect(status == 0, f"the program ended with status {status}")
        with open(os.path.join(data, "zarvel.csv"), "rb") as f:
            expect(f.read() == "".join(f"{n},{a}\r\n" for n, a in BOOK).encode("cp932"), "zarvel.csv changed")
        with open(os.path.join(data, "close.txt"), "rb") as f:
            expect(f.read() == b"\r\ntest", "close.txt does not hold the body")

        # Two arguments, given as the toolkit's own option: refused.
        refused = d.spawn([zarvel, "-style", "Fusion"], "refused.log", cwd=work)
        box = d.new_window(refused.pid, set(), "the refusal")
        d.activate(box)
        expect(d.title(box) == "zarvel" and d.size(box) != (280, 359),
               f"'-style Fusion' showed {d.title(box)!r} of size {d.size(box)}, not the refusal box")
        d.key("Return")
        expect(refused.wait(timeout=10) == 0, "the refused start did not end")
        expect("Fusion" not in os.listdir(work), "the refused start created a folder")
    except Failure as e:
        problems.append(str(e))
        print("FAIL:", e, "\n", d.log("zarvel.log"), flush=True)
    finally:
        d.close()
        silent.close()
    return problems


WESTON_INI = """[core]
idle-time=0

[shell]
background-color=0xff000000
panel-position=none
locking=false
"""
# Qt's own Wayland title bar: 3 pixels of frame, 30 of title bar; the
# maximize button's middle lies 40 pixels left of the right edge, 15 down.
MAIN_SURFACE = (286, 392)
MAXIMIZE_BUTTON = (-40, 15)


def screenshot(d, window):
    """Width, height and 8-bit RGB pixels of an X window."""
    ppm = subprocess.run(["import", "-window", window, "-depth", "8", "ppm:-"], env=d.env, capture_output=True,
                         timeout=20).stdout
    magic, size, _, pixels = ppm.split(b"\n", 3)
    w, h = map(int, size.split())
    return w, h, pixels


def find_window(shot, width):
    """Left, top and right of the first thing at least `width` wide on the
    black desktop."""
    w, h, px = shot
    black = b"\0\0\0"
    for y in range(h):
        row = px[y * w * 3:(y + 1) * w * 3]
        x = 0
        while x < w:
            if row[3 * x:3 * x + 3] == black:
                x += 1
                continue
            start = x
            while x < w and row[3 * x:3 * x + 3] != black:
                x += 1
            if x - start >= width:
                return start, y, x - 1
    return None


def maximize(zarvel, work):
    for tool in ("Xvfb", "weston", "xdotool", "import"):
        if not shutil.which(tool):
            skip(f"{tool} is not installed (scripts/install-deps)")
    d = Desktop(work)
    problems = []
    data = os.path.join(work, "data")
    write_data(data, 25)
    with open(os.path.join(data, "zarvel.ini"), "ab") as f:
        f.write(b"[Window]\r\nleft=100\r\ntop=120\r\n")
    ini_path = os.path.join(work, "weston.ini")
    with open(ini_path, "w") as f:
        f.write(WESTON_INI)
    try:
        d.start_x()
        d.spawn(["weston", "--backend=x11-backend.so", "--socket=wayland-zarvel", "--width=800", "--height=600",
                 f"--config={ini_path}"], "weston.log")
        try:
            output = d.wait(lambda: "window id" in d.log("weston.log") and d.log("weston.log"), 20, "weston")
        except Failure:
            skip("weston does not run on Xvfb here\n" + d.log("weston.log"))
        weston_window = output.split("window id", 1)[1].split()[0]
        d.wait(lambda: os.path.exists(os.path.join(d.env["XDG_RUNTIME_DIR"], "wayland-zarvel")), 20,
               "weston's socket")
        client = with_suppressions(dict(d.env, WAYLAND_DISPLAY="wayland-zarvel", QT_QPA_PLATFORM="wayland"), work,
                                   wayland=True)
        client.pop("DISPLAY")
        app = d.spawn([zarvel, data], "zarvel.log", env=client)
        def main_window_shown():
            # Until the shell has drawn its background the whole screen is lit.
            found = find_window(screenshot(d, weston_window), MAIN_SURFACE[0] - 6)
            return found if found and found[2] - found[0] + 1 == MAIN_SURFACE[0] else None

        left, top, right = d.wait(main_window_shown, 30, "the main window on weston's screen")
        button = (right + 1 + MAXIMIZE_BUTTON[0], top + MAXIMIZE_BUTTON[1])

        # Mouse moves in steps, as a hand does; weston follows the pointer.
        for at in ((button[0] - 60, button[1] + 20), button):
            d.run("xdotool", "mousemove", str(at[0]), str(at[1]))
            time.sleep(0.3)
        d.run("xdotool", "click", "1")
        time.sleep(3)
        if app.poll() is not None:
            problems.append(f"the maximize button ended the program\n{d.log('zarvel.log')}")
            return problems
        back = find_window(screenshot(d, weston_window), MAIN_SURFACE[0] - 6)
        if not back or back[2] - back[0] + 1 != MAIN_SURFACE[0]:
            problems.append(f"after the maximize button the main window is {back}, not {MAIN_SURFACE[0]} wide")

        # Escape in the window saves and ends the program as always.
        d.run("xdotool", "windowfocus", weston_window)
        d.click(weston_window, (left + 60, top + 30 + 150))  # into the body
        d.key("Escape")
        try:
            status = app.wait(timeout=20)
        except subprocess.TimeoutExpired:
            problems.append("Escape did not end the program")
            return problems
        if status != 0:
            problems.append(f"the program ended with status {status}\n{d.log('zarvel.log')}")
        with open(os.path.join(data, "zarvel.ini"), "rb") as f:
            ini = f.read()
        for key in (b"left=100\r\n", b"top=120\r\n", b"send_max=100\r\n"):
            if key not in ini:
                problems.append(f"zarvel.ini lacks {key!r}: {ini!r}")
    except Failure as e:
        problems.append(str(e))
    finally:
        d.close()
    return problems


def arguments(zarvel, work):
    d = Desktop(work)
    d.env["QT_QPA_PLATFORM"] = "offscreen"
    problems = []
    try:
        app = d.spawn([zarvel, "-reverse"], "zarvel.log", cwd=work)
        folder = os.path.join(work, "-reverse")
        d.wait(lambda: os.path.exists(os.path.join(folder, "signa1.txt")), 20, "the folder -reverse")
        time.sleep(1)
        app.send_signal(signal.SIGTERM)
        status = app.wait(timeout=20)
        if status != 0:
            problems.append(f"the program ended with status {status}\n{d.log('zarvel.log')}")
        if not os.path.exists(os.path.join(folder, "zarvel.ini")):
            problems.append("nothing was saved in the folder -reverse")
    except Failure as e:
        problems.append(str(e))
    finally:
        d.close()
    return problems


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("titles", "arguments", "maximize"):
        sys.exit(__doc__)
    work = tempfile.mkdtemp(prefix="zarvel-desktop-")
    try:
        modes = {"titles": titles, "arguments": arguments, "maximize": maximize}
        problems = modes[sys.argv[1]](sys.argv[2], work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for p in problems:
        print("problem:", p)
    print(f"{sys.argv[1]}: {'FAILED' if problems else 'passed'}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
