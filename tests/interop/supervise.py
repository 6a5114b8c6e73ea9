#!/usr/bin/python3
"""Runs a server that does not watch its standard input (dovecot) and ends
it, with its whole process group, when our standard input closes: the test
is over or has died. Usage: supervise.py PROGRAM ARGS..."""
import os
import signal
import subprocess
import sys
import threading

child = subprocess.Popen(sys.argv[1:], stdin=subprocess.DEVNULL)
threading.Thread(target=lambda: (sys.stdin.buffer.read(), child.terminate()), daemon=True).start()
try:
    child.wait()
except KeyboardInterrupt:
    child.terminate()
try:
    child.wait(timeout=5)
except subprocess.TimeoutExpired:
    pass
signal.signal(signal.SIGTERM, signal.SIG_IGN)
os.killpg(os.getpgid(0), signal.SIGKILL)
