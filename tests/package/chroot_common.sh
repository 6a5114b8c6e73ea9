# Shared by the package's chroot scripts: a fresh minimal Debian chroot
# from a cached debootstrap tarball, with the machine's Debian mirror as its
# apt source and its own /proc, /dev and /dev/pts. Sourced with `top` (the
# source tree), `suite`, `arch` and `root` (the chroot's folder) set.

step() { printf '\n== %s\n' "$*"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

# The Debian mirror and the security mirror the machine's apt uses, from
# one-line or deb822 sources.
read -r mirror security < <(python3 - "$suite" <<'EOF'
import glob, sys
suite = sys.argv[1]
found = {}
def note(uri, suites):
    uri = uri.rstrip("/")
    for s in suites:
        if s == suite and "main" not in found:
            found["main"] = uri
        elif s == suite + "-security" and "security" not in found:
            found["security"] = uri
for path in glob.glob("/etc/apt/sources.list") + sorted(glob.glob("/etc/apt/sources.list.d/*.list")):
    for line in open(path):
        f = line.split("#", 1)[0].split()
        if len(f) >= 3 and f[0] == "deb":
            f = [x for x in f[1:] if not x.startswith("[")]
            note(f[0], [f[1]])
for path in sorted(glob.glob("/etc/apt/sources.list.d/*.sources")):
    for stanza in open(path).read().split("\n\n"):
        fields = {}
        for line in stanza.splitlines():
            if ":" in line and not line.startswith((" ", "#")):
                k, v = line.split(":", 1)
                fields[k.strip().lower()] = v.split()
        if "deb" in fields.get("types", []):
            for uri in fields.get("uris", []):
                note(uri, fields.get("suites", []))
print(found.get("main", ""), found.get("security", ""))
EOF
)
[ -n "$mirror" ] || fail "no $suite mirror in /etc/apt/sources.list*"

cache=$top/build-deb/chroot
tarball=$cache/$suite-minbase-$arch.tgz
mkdir -p "$cache"

release_root() {
  local m
  for m in "$root/dev/pts" "$root/dev" "$root/proc"; do
    if mountpoint -q "$m"; then umount "$m"; fi
  done
}

prepare_root() {
  # A root left over from an interrupted run may still have file systems
  # mounted; removing it would reach into them.
  release_root
  if findmnt -rn -o TARGET | grep -qF "$root/"; then
    fail "something is still mounted under $root"
  fi
  rm -rf "$root"

  step "debootstrap $suite (minbase) from $mirror"
  if [ ! -f "$tarball" ]; then
    debootstrap --variant=minbase --arch="$arch" --make-tarball="$tarball.part" "$suite" "$cache/download" "$mirror" >/dev/null
    mv "$tarball.part" "$tarball"
    rm -rf "$cache/download"
  fi
  debootstrap --variant=minbase --arch="$arch" --unpack-tarball="$tarball" "$suite" "$root" "$mirror" >/dev/null
  echo "chroot: $root"

  {
    echo "deb $mirror $suite main"
    echo "deb $mirror $suite-updates main"
    if [ -n "$security" ]; then echo "deb $security $suite-security main"; fi
  } >"$root/etc/apt/sources.list"
  cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

  # A /dev of its own with the few devices apt, Xvfb and Qt open, so that
  # nothing in the chroot touches the machine's devices.
  mount -t proc proc "$root/proc"
  mount -t tmpfs -o mode=755,size=64m chroot-dev "$root/dev"
  mknod -m 666 "$root/dev/null" c 1 3
  mknod -m 666 "$root/dev/zero" c 1 5
  mknod -m 666 "$root/dev/random" c 1 8
  mknod -m 666 "$root/dev/urandom" c 1 9
  mknod -m 666 "$root/dev/tty" c 5 0
  mkdir -m 1777 "$root/dev/shm"
  mkdir "$root/dev/pts"
  mount -t devpts -o newinstance,ptmxmode=0666 chroot-pts "$root/dev/pts"
  ln -s pts/ptmx "$root/dev/ptmx"

  # Packages downloaded by earlier runs are kept next to the tarball.
  mkdir -p "$cache/archives"
  cp "$cache"/archives/*.deb "$root/var/cache/apt/archives/" 2>/dev/null || true
  in_root apt-get update -qq
}

keep_downloads() { cp "$root"/var/cache/apt/archives/*.deb "$cache/archives/" 2>/dev/null || true; }

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
              DEBIAN_FRONTEND=noninteractive "$@"; }
