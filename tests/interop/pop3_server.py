#!/usr/bin/python3
"""A POP3 server without SASL (twisted) for the interop tests, so that a
client has to use USER/PASS or APOP. 127.0.0.1 only.

Prints "PORT <n>" once it listens and exits when its standard input closes.
Every command verb it receives goes into --dir/pop3.log, with "OK" or
"FAIL" and the user for USER/PASS and APOP logins (passwords never).

Twisted 22.4's own APOP check hashes str and bytes together on Python 3 and
always fails, so both checks are done here.
"""
import argparse
import hashlib
import hmac
import os
import sys
import threading

from twisted.cred import error as cred_error
from twisted.internet import protocol, reactor
from twisted.mail import pop3


class Box(pop3.Mailbox):
    def listMessages(self, i=None):
        return [] if i is None else 0


def make_protocol(args):
    user = args.user.encode()
    password = args.password.encode()
    log_path = os.path.join(args.dir, "pop3.log")

    def log(line):
        with open(log_path, "a", encoding="utf-8") as f:
            f.write(line + "\n")

    class Server(pop3.POP3):
        AUTH_CMDS = pop3.POP3.AUTH_CMDS + [b"STLS"]

        def generateMagic(self):
            if args.no_stamp:
                return b"zarvel test POP3 ready"
            return pop3.POP3.generateMagic(self)

        def listCapabilities(self):
            caps = pop3.POP3.listCapabilities(self)
            return caps + [b"STLS"] if args.refuse_stls else caps

        def do_STLS(self):
            self.failResponse(b"STLS not available right now")

        def lineReceived(self, line):
            verb = line.split(b" ", 1)[0].decode(errors="replace").upper()
            log(verb)
            if verb == args.stall:
                return  # never answered
            pop3.POP3.lineReceived(self, line)

        def _login(self, kind, name, ok):
            log(f"{kind} {'OK' if ok else 'FAIL'} {name.decode(errors='replace')}")
            if not ok:
                raise cred_error.UnauthorizedLogin()
            return (pop3.IMailbox, Box(), lambda: None)

        def authenticateUserAPOP(self, name, digest):
            magic = self.magic if isinstance(self.magic, bytes) else self.magic.encode()
            expected = hashlib.md5(magic + password).hexdigest().encode()
            return self._login("APOP", name, name == user and hmac.compare_digest(digest.lower(), expected))

        def authenticateUserPASS(self, name, given):
            return self._login("USER/PASS", name, name == user and given == password)

    return Server


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--dir", required=True)
    p.add_argument("--user", default="alice")
    p.add_argument("--password", default="secret")
    p.add_argument("--refuse-stls", action="store_true", help="offer STLS, then refuse it")
    p.add_argument("--no-stamp", action="store_true", help="greeting without the APOP time stamp")
    p.add_argument("--stall", help="command never answered, e.g. STAT")
    args = p.parse_args()

    factory = protocol.ServerFactory()
    factory.protocol = make_protocol(args)
    factory.noisy = False
    port = reactor.listenTCP(0, factory, interface="127.0.0.1")
    print(f"PORT {port.getHost().port}", flush=True)

    def wait_stdin():
        sys.stdin.buffer.read()
        reactor.callFromThread(reactor.stop)

    threading.Thread(target=wait_stdin, daemon=True).start()
    reactor.run()


if __name__ == "__main__":
    main()
