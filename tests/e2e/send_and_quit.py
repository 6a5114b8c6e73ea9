#!/usr/bin/python3
"""The real program, end to end: zarvel under its own Xvfb, driven with
xdotool as a user drives it, against aiosmtpd on 127.0.0.1.

A first start on a data folder that holds only an address book: the user
enters the SMTP server in the settings view, double-clicks the second entry
of the address-book view, types a Japanese subject and body, presses 送信,
waits for the progress window to close and leaves with Escape. Then the
received mail, send.txt, close.txt, zarvel.ini and zarvel.csv are checked.

A second start sends to a server that falls silent at RCPT, and the session
ends (SIGTERM) while the send hangs: the program stops the send, saves and
ends at once, with nothing recorded.

  send_and_quit.py --zarvel BINARY --smtp-server SMTP_SERVER_SCRIPT

Set ZARVEL_E2E_KEEP=1 to keep the work folder (logs, screenshots) after a
pass; after a failure it is always kept.
"""
import argparse
import ctypes
import datetime
import glob
import json
import os
import random
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

PYTHON = "/usr/bin/python3"
SENDER = "me@example.jp"
BOOK = [("山田太郎", "taro@example.jp"), ("佐藤花子", "hanako@example.jp"), ("鈴木一郎", "ichiro@example.jp")]
PICKED = BOOK[1]
SUBJECT = "打ち合わせの日程（第2回） Re: test"
BODY_LINES = [
    "佐藤さん、こんにちは。",
    "来週の打ち合わせは金曜日の午後3時からです。",
    ". で始まる行と ｶﾀｶﾅ",
    "よろしくお願いします。",
]

# Places in the main window's client area (it has no frame without a window
# manager, so these are X window coordinates too).
TOOL_COMPOSE = (23, 19)    # "メール"
TOOL_BOOK = (117, 19)      # "宛先"
TOOL_SETTINGS = (172, 19)  # "設定"
BOOK_ROW_2 = (60, 78)      # second row of the address-book list
SUBJECT_FIELD = (115, 172)
SEND_BUTTON = (44, 325)

T0 = time.monotonic()


class Failure(Exception):
    pass


def note(text):
    print(f"[{time.monotonic() - T0:5.1f}s] {text}", flush=True)


def die_with_parent():
    # Children go when this script goes, even when it is killed outright.
    libc = ctypes.CDLL("libc.so.6", use_errno=True)
    libc.prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


class Session:
    """Every process started here, stopped (with its process group) at the end."""

    def __init__(self, work):
        self.work = work
        self.procs = []
        self.display = None
        self.zarvel = None

    def spawn(self, argv, log, env=None, stdin=subprocess.DEVNULL, stdout=None):
        out = open(os.path.join(self.work, log), "ab")
        p = subprocess.Popen(argv, stdin=stdin, stdout=stdout if stdout else out, stderr=out, env=env,
                             start_new_session=True, preexec_fn=die_with_parent)
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
            if p.stdin:
                p.stdin.close()

    def log_tail(self, log, lines=40):
        path = os.path.join(self.work, log)
        if not os.path.exists(path):
            return f"({log}: none)"
        with open(path, "rb") as f:
            text = f.read().decode(errors="replace").splitlines()
        if not text:
            return f"({log}: empty)"
        return f"--- {log} (last {lines} lines) ---\n" + "\n".join(text[-lines:])

    def check_zarvel_alive(self):
        if self.zarvel and self.zarvel.poll() is not None:
            raise Failure(f"zarvel ended early with exit code {self.zarvel.returncode}\n" + self.log_tail("zarvel.log"))

    def wait_until(self, what, timeout, predicate, interval=0.05):
        deadline = time.monotonic() + timeout
        while True:
            self.check_zarvel_alive()
            result = predicate()
            if result:
                return result
            if time.monotonic() > deadline:
                raise Failure(f"timed out after {timeout} s waiting for {what}")
            time.sleep(interval)

    # ---- X server and input

    def start_xvfb(self):
        """Xvfb on a display number nobody uses, answering requests."""
        candidates = random.sample(range(200, 900), 20)
        for n in candidates:
            if os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
                continue
            # -noreset: the keyboard map set below must outlive the clients.
            p = self.spawn(["Xvfb", f":{n}", "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"],
                           "xvfb.log")
            deadline = time.monotonic() + 20
            while p.poll() is None and time.monotonic() < deadline:
                probe = subprocess.run(["xdpyinfo", "-display", f":{n}"], stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
                if probe.returncode == 0:
                    self.display = f":{n}"
                    return
                time.sleep(0.1)
            if p.poll() is None:
                raise Failure(f"Xvfb :{n} did not answer within 20 s\n" + self.log_tail("xvfb.log"))
        raise Failure("no free X display number found\n" + self.log_tail("xvfb.log"))

    def xdotool(self, *args, check=True):
        r = subprocess.run(["xdotool", *args], env={**os.environ, "DISPLAY": self.display},
                           capture_output=True, text=True, timeout=20)
        if check and r.returncode != 0:
            raise Failure(f"xdotool {' '.join(args)} failed: {r.stderr.strip()}")
        return r

    def visible_windows(self, name_pattern):
        r = self.xdotool("search", "--onlyvisible", "--name", name_pattern, check=False)
        return r.stdout.split()

    def screenshot(self, name):
        path = os.path.join(self.work, name)
        subprocess.run(["import", "-display", self.display, "-window", "root", path],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        return path


def map_characters(display, text):
    """Puts every non-ASCII character of `text` on a key of its own, so that
    xdotool types it with a plain key press. (Left to itself, xdotool binds
    a spare key for each such character and unbinds it right after the
    press, and a busy program may read the keyboard map only after the
    unbinding and lose the character.) Spare keys are the unused ones and
    those of vendor function keys."""
    x = ctypes.CDLL("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)

    class ModifierKeymap(ctypes.Structure):
        _fields_ = [("max_keypermod", ctypes.c_int), ("modifiermap", ctypes.POINTER(ctypes.c_ubyte))]

    x.XGetModifierMapping.restype = ctypes.POINTER(ModifierKeymap)
    dpy = ctypes.c_void_p(x.XOpenDisplay(display.encode()))
    if not dpy:
        raise Failure(f"cannot open display {display}")
    low, high = ctypes.c_int(), ctypes.c_int()
    x.XDisplayKeycodes(dpy, ctypes.byref(low), ctypes.byref(high))
    count = high.value - low.value + 1
    per = ctypes.c_int()
    syms = x.XGetKeyboardMapping(dpy, ctypes.c_ubyte(low.value), count, ctypes.byref(per))
    mods = x.XGetModifierMapping(dpy).contents
    modifier_keys = {mods.modifiermap[i] for i in range(8 * mods.max_keypermod)}

    def spare(code):
        if code in modifier_keys or code <= 8:
            return False
        row = [syms[(code - low.value) * per.value + i] for i in range(per.value)]
        return all(s == 0 or 0x1008FF00 <= s <= 0x1008FFFF for s in row)

    keys = [c for c in range(low.value, high.value + 1) if spare(c)]
    chars = sorted({c for c in text if ord(c) > 0x7E})
    if len(chars) > len(keys):
        raise Failure(f"{len(chars)} characters to type but only {len(keys)} spare keys")
    for ch, code in zip(chars, keys):
        sym = 0x01000000 + ord(ch)
        x.XChangeKeyboardMapping(dpy, code, 2, (ctypes.c_ulong * 2)(sym, sym), 1)
    x.XSync(dpy, 0)
    x.XCloseDisplay(dpy)


# ---- checks of what was left behind


def parse_ini(text):
    sections, current = [], None
    for line in text.split("\r\n"):
        if line.startswith("[") and line.endswith("]"):
            current = (line[1:-1], {})
            sections.append(current)
        elif "=" in line and current:
            key, value = line.split("=", 1)
            current[1][key.lower()] = value
    return sections


def check_results(work, data, port, sent_between):
    problems = []

    def expect(ok, text):
        if not ok:
            problems.append(text)

    body = "\n".join(BODY_LINES)
    body_crlf = "\r\n".join(BODY_LINES)

    # The server: one message, to the picked address, with what was typed.
    messages = sorted(glob.glob(os.path.join(work, "smtp", "msg-*.json")))
    expect(len(messages) == 1, f"the server received {len(messages)} messages, expected 1")
    if messages:
        with open(messages[0], encoding="utf-8") as f:
            m = json.load(f)
        expect(m["rcpt_tos"] == [PICKED[1]], f"recipients {m['rcpt_tos']}, expected [{PICKED[1]!r}]")
        expect(m["mail_from"] == SENDER, f"sender {m['mail_from']!r}, expected {SENDER!r}")
        expect(m["subject"] == SUBJECT, f"subject {m['subject']!r}, expected {SUBJECT!r}")
        got = m["body"].replace("\r\n", "\n").removesuffix("\n")
        expect(got == body, f"body {got!r}, expected {body!r}")
    rcpt_log = os.path.join(work, "smtp", "rcpt.log")
    rcpts = open(rcpt_log, encoding="utf-8").read().split() if os.path.exists(rcpt_log) else []
    expect(rcpts == [PICKED[1]], f"RCPT TO commands {rcpts}, expected one for {PICKED[1]!r}")

    def read(name):
        path = os.path.join(data, name)
        if not os.path.exists(path):
            problems.append(f"{name} is missing")
            return b""
        with open(path, "rb") as f:
            return f.read()

    # send.txt: one record, the name (not the address), the subject, the
    # time of the send and the body.
    history = read("send.txt").decode("cp932", errors="replace")
    pattern = ('~!,"' + re.escape(PICKED[0]) + '","' + re.escape(SUBJECT) + '",'
               r'"(\d\d)/(\d\d)/(\d\d)\([^)]+\) (\d\d):(\d\d):(\d\d)"' + "\r\n" + re.escape(body_crlf) +
               "\r\n~!!\r\n")
    record = re.fullmatch(pattern, history)
    expect(record, f"send.txt is not the one expected record:\n{history!r}")
    if record:
        yy, mo, dd, hh, mi, ss = (int(v) for v in record.groups())
        stamp = datetime.datetime(2000 + yy, mo, dd, hh, mi, ss)
        early, late = sent_between
        expect(early - datetime.timedelta(seconds=2) <= stamp <= late + datetime.timedelta(seconds=2),
               f"send time {stamp} is not between {early} and {late}")

    # close.txt: subject, CR LF, body, in CP932.
    kept = read("close.txt")
    expect(kept == (SUBJECT + "\r\n" + body_crlf).encode("cp932"), f"close.txt holds {kept!r}")

    # zarvel.ini: created at this first exit, for its owner only, with the
    # sections in the order of their first write and what the user entered.
    ini_path = os.path.join(data, "zarvel.ini")
    ini = read("zarvel.ini")
    if os.path.exists(ini_path):
        mode = os.stat(ini_path).st_mode & 0o777
        expect(mode == 0o600, f"zarvel.ini has mode {mode:o}, expected 600")
    expect(ini.count(b"\n") == ini.count(b"\r\n"), "zarvel.ini has line ends other than CR LF")
    sections = parse_ini(ini.decode("cp932", errors="replace"))
    names = [s[0].lower() for s in sections]
    expect(names == ["options", "window", "server"], f"zarvel.ini sections {names}, expected Options, Window, Server")
    keys = {name.lower(): values for name, values in sections}
    server = keys.get("server", {})
    for key, value in {"smtp_server": "127.0.0.1", "smtp_port": str(port), "mail_address": SENDER,
                       "pop_port": "110"}.items():
        expect(server.get(key) == value, f"zarvel.ini Server/{key} is {server.get(key)!r}, expected {value!r}")
    expect(keys.get("options", {}).get("send_max") == "100", "zarvel.ini Options/send_max is not 100")
    window = keys.get("window", {})
    for key in ("left", "top", "split"):
        expect(re.fullmatch(r"-?\d+", window.get(key, "")), f"zarvel.ini Window/{key} is {window.get(key)!r}")

    # The address book went back as it came.
    book = "".join(f"{n},{a}\r\n" for n, a in BOOK).encode("cp932")
    expect(read("zarvel.csv") == book, "zarvel.csv changed")
    for name in ("signa1.txt", "signa2.txt"):
        expect(read(name) == b"", f"{name} is not the empty signature of a first start")
    leftovers = [n for n in os.listdir(data) if ".tmp" in n]
    expect(not leftovers, f"temporary files left in the data folder: {leftovers}")
    return problems


# ---- the user's session


def run(args, s):
    work = s.work
    data = os.path.join(work, "data")
    smtp_dir = os.path.join(work, "smtp")
    runtime = os.path.join(work, "runtime")
    for d in (data, smtp_dir, runtime):
        os.mkdir(d, 0o700)
    with open(os.path.join(data, "zarvel.csv"), "wb") as f:
        f.write("".join(f"{n},{a}\r\n" for n, a in BOOK).encode("cp932"))

    # The mail server tells its port on its first line and ends when its
    # standard input closes.
    smtp = s.spawn([PYTHON, args.smtp_server, "--dir", smtp_dir], "smtp.log", stdin=subprocess.PIPE,
                   stdout=subprocess.PIPE)
    line = b""
    if select.select([smtp.stdout], [], [], 30)[0]:
        line = smtp.stdout.readline()
    match = re.match(rb"PORT (\d+)", line)
    if not match:
        raise Failure("the SMTP server did not start\n" + s.log_tail("smtp.log"))
    port = int(match.group(1))
    note(f"aiosmtpd on 127.0.0.1:{port}")

    s.start_xvfb()
    note(f"Xvfb on {s.display}")
    map_characters(s.display, SUBJECT + "".join(BODY_LINES))

    env = {k: v for k, v in os.environ.items()
           if k not in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "QT_IM_MODULE",
                        "XMODIFIERS", "SESSION_MANAGER")}
    # No session bus (a bus address that leads nowhere also keeps D-Bus
    # from launching one of its own for the display).
    env.update(DISPLAY=s.display, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime, NO_AT_BRIDGE="1",
               QT_ACCESSIBILITY="0", DBUS_SESSION_BUS_ADDRESS="unix:path=" + os.path.join(work, "no-bus"))
    s.zarvel = s.spawn([args.zarvel, data], "zarvel.log", env=env)
    win = s.wait_until("the main window", 60, lambda: s.visible_windows("^zarvel$"), interval=0.1)
    if len(win) != 1:
        raise Failure(f"{len(win)} visible windows named zarvel at start (a message box?)")
    win = win[0]
    note("main window up")

    # There is no window manager to give the keyboard to the window the user
    # works in; this stands in for it.
    def focus():
        s.xdotool("windowfocus", "--sync", win)

    def click(place, repeat=1):
        s.xdotool("mousemove", "--sync", "--window", win, str(place[0]), str(place[1]), "click", "--repeat",
                  str(repeat), "--delay", "80", "1")

    def type_text(text):
        s.xdotool("type", "--delay", "15", text)

    # The settings view: the SMTP server, its port and the sender, reached
    # with the labels' access keys.
    focus()
    click(TOOL_SETTINGS)
    s.xdotool("key", "alt+s")
    type_text("127.0.0.1")
    s.xdotool("key", "alt+a", "ctrl+a")
    type_text(str(port))
    s.xdotool("key", "alt+m")
    type_text(SENDER)
    s.screenshot("settings.png")

    # The address book: a double-click on the second entry picks it and
    # goes back to the compose view.
    click(TOOL_BOOK)
    click(BOOK_ROW_2, repeat=2)

    # The subject, Enter to the body, the body line by line.
    click(SUBJECT_FIELD)
    type_text(SUBJECT)
    s.xdotool("key", "Return")
    for i, line in enumerate(BODY_LINES):
        if i:
            s.xdotool("key", "Return")
        type_text(line)
    time.sleep(0.3)  # the last keys painted
    s.screenshot("compose.png")
    note("composed; sending")

    early = datetime.datetime.now().replace(microsecond=0)
    click(SEND_BUTTON)
    s.wait_until("the message at the server", 60,
                 lambda: glob.glob(os.path.join(smtp_dir, "msg-*.json")))
    late = datetime.datetime.now().replace(microsecond=0)
    note("message received")
    # The progress window closes itself about three seconds after success.
    s.wait_until("the progress window to close", 30, lambda: not s.visible_windows("^送信"), interval=0.1)
    others = s.visible_windows("^zarvel$")
    if others != [win]:
        raise Failure(f"after the send the visible zarvel windows are {others} (a message box?)")
    note("progress window closed; Escape")

    focus()
    s.xdotool("key", "Escape")
    try:
        code = s.zarvel.wait(timeout=60)
    except subprocess.TimeoutExpired:
        raise Failure("zarvel did not end within 60 s of Escape")
    s.zarvel = None
    if code != 0:
        raise Failure(f"zarvel ended with exit code {code}\n" + s.log_tail("zarvel.log"))
    note("zarvel ended with 0")

    problems = check_results(work, data, port, (early, late))
    if problems:
        raise Failure("\n".join(problems) + "\n" + s.log_tail("zarvel.log"))

    session_ends_during_a_send(args, s, env, data)


def session_ends_during_a_send(args, s, env, data):
    stall_dir = os.path.join(s.work, "stall")
    os.mkdir(stall_dir, 0o700)
    smtp = s.spawn([PYTHON, args.smtp_server, "--dir", stall_dir, "--stall", "rcpt"], "stall.log",
                   stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    line = smtp.stdout.readline() if select.select([smtp.stdout], [], [], 30)[0] else b""
    match = re.match(rb"PORT (\d+)", line)
    if not match:
        raise Failure("the stalling SMTP server did not start\n" + s.log_tail("stall.log"))
    ini_path = os.path.join(data, "zarvel.ini")
    with open(ini_path, "rb") as f:
        ini = f.read()
    with open(ini_path, "wb") as f:
        f.write(re.sub(rb"(?im)^smtp_port=\d+", b"smtp_port=" + match.group(1), ini))
    with open(os.path.join(data, "send.txt"), "rb") as f:
        history = f.read()

    s.zarvel = s.spawn([args.zarvel, data], "zarvel2.log", env=env)
    win = s.wait_until("the main window again", 60, lambda: s.visible_windows("^zarvel$"), interval=0.1)[0]
    s.xdotool("windowfocus", "--sync", win)
    s.xdotool("mousemove", "--sync", "--window", win, str(TOOL_BOOK[0]), str(TOOL_BOOK[1]), "click", "1")
    s.xdotool("mousemove", "--sync", "--window", win, str(BOOK_ROW_2[0]), str(BOOK_ROW_2[1]), "click", "--repeat",
              "2", "--delay", "80", "1")
    s.xdotool("mousemove", "--sync", "--window", win, str(SUBJECT_FIELD[0]), str(SUBJECT_FIELD[1]), "click", "1")
    s.xdotool("key", "Return")  # to the body
    s.xdotool("type", "--delay", "15", "second")
    time.sleep(0.3)
    s.xdotool("mousemove", "--sync", "--window", win, str(SEND_BUTTON[0]), str(SEND_BUTTON[1]), "click", "1")
    s.wait_until("MAIL FROM at the silent server", 60, lambda: os.path.exists(os.path.join(stall_dir, "mail.log")))
    note("send hangs at RCPT; SIGTERM")
    sent = time.monotonic()
    s.zarvel.send_signal(signal.SIGTERM)
    try:
        code = s.zarvel.wait(timeout=10)
    except subprocess.TimeoutExpired:
        raise Failure("zarvel did not end within 10 s of SIGTERM during a send")
    took = time.monotonic() - sent
    s.zarvel = None
    if code != 0:
        raise Failure(f"zarvel ended with exit code {code} after SIGTERM\n" + s.log_tail("zarvel2.log"))
    if took > 3:
        raise Failure(f"zarvel took {took:.1f} s to end after SIGTERM during a send")
    with open(os.path.join(data, "send.txt"), "rb") as f:
        if f.read() != history:
            raise Failure("the stopped send changed send.txt")
    note(f"zarvel ended with 0, {took:.1f} s after SIGTERM")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--zarvel", required=True)
    p.add_argument("--smtp-server", required=True)
    args = p.parse_args()
    work = tempfile.mkdtemp(prefix="zarvel-e2e-")
    s = Session(work)
    failed = True
    try:
        run(args, s)
        failed = False
    except Failure as e:
        print(f"FAIL: {e}", flush=True)
        if s.display:
            note(f"screen at the failure: {s.screenshot('failure.png')}")
    finally:
        s.close()
        if failed or os.environ.get("ZARVEL_E2E_KEEP"):
            note(f"work folder kept: {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)
    note("passed" if not failed else "failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
