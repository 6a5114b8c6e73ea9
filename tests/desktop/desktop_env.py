"""What the desktop wrappers share: skipping, and the leak suppressions."""
import os
import re
import sys
import tempfile

SKIP = 77
HERE = os.path.dirname(os.path.abspath(__file__))


def skip(who, reason):
    print(f"{who}: skipped: {reason}", flush=True)
    sys.exit(SKIP)


def with_suppressions(env, folder, wayland=False):
    """LSAN_OPTIONS naming the project's suppressions and this folder's.

    Under Wayland, Mesa's EGL loads a driver and unloads it before the leak
    check: only a full unwind at each allocation reaches the frames that name
    who asked for it."""
    options = env.get("LSAN_OPTIONS", "")
    m = re.search(r"(?:^|:)suppressions=([^:]*)", options)
    lines = []
    for path in ([m.group(1)] if m else []) + [os.path.join(HERE, "lsan.supp")]:
        with open(path) as f:
            lines.append(f.read())
    fd, combined = tempfile.mkstemp(prefix="lsan-", suffix=".supp", dir=folder)
    with os.fdopen(fd, "w") as f:
        f.write("\n".join(lines))
    os.chmod(combined, 0o644)
    rest = [o for o in options.split(":") if o and not o.startswith("suppressions=")]
    if wayland:
        rest.append("fast_unwind_on_malloc=0")
    rest = ":".join(rest)
    env["LSAN_OPTIONS"] = f"suppressions={combined}" + (f":{rest}" if rest else "")
    return env
