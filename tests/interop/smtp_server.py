#!/usr/bin/python3
"""A real SMTP server (aiosmtpd) for the interop tests, on 127.0.0.1 only.

Prints "PORT <n>" once it listens on a port of the system's choosing and
exits when its standard input closes (the test is over or has died).

What it received goes into --dir:
  msg-<n>.json  envelope, login, TLS, decoded subject and body, raw headers
  msg-<n>.eml   the message as received
  auth.log      "OK|FAIL <mechanism> <user>" per AUTH attempt
  plain.log     whether AUTH PLAIN came with its initial response
  mail.log      every MAIL FROM address with its parameters
  rcpt.log      every RCPT TO address, accepted or not

Recipients steer the replies: unknown@… gets 550 at RCPT, tempfail@… 451
and rejected@… 554 after the message, drop@… has the connection closed at
RCPT, dropdata@… after the message; the replies of REPLIES_AT_RCPT and
REPLIES_AFTER_DATA are real servers' words. --stall STEP never answers
that step (after STARTTLS's 220, the handshake).
"""
import argparse
import asyncio
import email
import email.policy
import hmac
import json
import os
import secrets
import ssl
import sys
import time

from aiosmtpd.smtp import SMTP, MISSING, AuthResult, LoginPassword, auth_mechanism


REPLIES_AT_RCPT = {
    "nobody": b"550 5.1.1 <nobody@example.jp>: Recipient address rejected: User unknown",
    "utf8": "550 5.7.1 送信は拒否されました".encode("utf-8"),
    "jis": b"550 5.7.1 " + "送信は拒否されました".encode("iso-2022-jp"),
    "multi": b"550-5.7.1 Relaying denied.\r\n550-5.7.1 Ask your postmaster\r\n550 5.7.1 for help",
    "long": b"550 5.7.1 " + b"x" * 100 + b" the end",
}
REPLIES_AFTER_DATA = {
    "later": b"451 4.3.0 Temporary local problem, please try again later",
}
STALL_STEPS = ["ehlo", "starttls", "auth", "mail", "rcpt", "data", "dot", "quit"]


async def stall():
    await asyncio.sleep(3600)


class Recorder:
    def __init__(self, folder, user, password, stall_at=None):
        self.folder = folder
        self.stall_at = stall_at
        self.user = user.encode()
        self.password = password.encode()
        self.count = 0

    def log(self, name, line):
        with open(os.path.join(self.folder, name), "a", encoding="utf-8") as f:
            f.write(line + "\n")

    def check(self, mechanism, user, ok):
        self.log("auth.log", f"{'OK' if ok else 'FAIL'} {mechanism} {user.decode(errors='replace')}")
        return ok

    # LOGIN and PLAIN come here through aiosmtpd's authenticator hook.
    def authenticator(self, server, session, envelope, mechanism, auth_data):
        ok = auth_data.login == self.user and auth_data.password == self.password
        self.check(mechanism, auth_data.login, ok)
        return AuthResult(success=ok, handled=False, auth_data=auth_data)

    # Wraps the built-in PLAIN to note whether the client sent the initial
    # response with the AUTH command (some servers insist on it).
    async def auth_PLAIN(self, server, args):
        self.log("plain.log", "initial-response" if len(args) == 2 else "empty-first-round")
        return await server.auth_PLAIN(None, args)

    @auth_mechanism("CRAM-MD5")
    async def auth_CRAM_MD5(self, server, args):
        if len(args) != 1:
            await server.push("501 5.5.4 No initial response for CRAM-MD5")
            return AuthResult(success=False, handled=True)
        challenge = f"<{secrets.token_hex(8)}.{int(time.time())}@zarvel.test>".encode()
        response = await server.challenge_auth(challenge)
        if response is MISSING:
            return AuthResult(success=False, handled=True)
        user, _, digest = response.partition(b" ")
        expected = hmac.new(self.password, challenge, "md5").hexdigest().encode()
        ok = user == self.user and hmac.compare_digest(digest, expected)
        self.check("CRAM-MD5", user, ok)
        return AuthResult(success=ok, handled=False, auth_data=LoginPassword(user, b""))

    auth_line = None

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        if self.auth_line:
            responses = [self.auth_line if r.upper().startswith("250-AUTH") else r for r in responses]
        return responses

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        self.log("mail.log", f"{address} {' '.join(mail_options)}".strip())
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        self.log("rcpt.log", address)
        local = address.split("@")[0].lower()
        if local == "unknown":
            return "550 5.1.1 No such user here"
        if local == "drop":
            server.transport.abort()
            return "250 OK"
        if local in REPLIES_AT_RCPT:
            return REPLIES_AT_RCPT[local]
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.stall_at == "dot":
            await stall()
        locals_ = {a.split("@")[0].lower() for a in envelope.rcpt_tos}
        for local, reply in REPLIES_AFTER_DATA.items():
            if local in locals_:
                return reply
        if "dropdata" in locals_:
            server.transport.abort()
            return "250 OK"
        if "tempfail" in locals_:
            return "451 4.3.0 Mail server temporarily rejected message"
        if "rejected" in locals_:
            return "554 5.7.1 Message content rejected"
        self.count += 1
        raw = envelope.original_content or envelope.content
        msg = email.message_from_bytes(raw, policy=email.policy.default)
        body = msg.get_content() if not msg.is_multipart() else ""
        login = session.auth_data.login.decode(errors="replace") if session.auth_data else None
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "login": login,
            "tls": server.transport.get_extra_info("ssl_object") is not None,
            "subject": str(msg["subject"]) if msg["subject"] is not None else None,
            "body": body,
            "headers": [[k, v] for k, v in msg.raw_items()],
            "mail_options": envelope.mail_options,
        }
        base = os.path.join(self.folder, f"msg-{self.count}")
        with open(base + ".eml", "wb") as f:
            f.write(raw)
        with open(base + ".json.tmp", "w", encoding="utf-8") as f:
            json.dump(record, f, ensure_ascii=False)
        os.rename(base + ".json.tmp", base + ".json")
        return "250 2.0.0 Message accepted"


class Stalling(SMTP):
    """Never answers the step named in `stall_at`."""

    stall_at = None

    async def smtp_EHLO(self, arg):
        if self.stall_at == "ehlo":
            return await stall()
        return await super().smtp_EHLO(arg)

    async def smtp_STARTTLS(self, arg):
        if self.stall_at == "starttls":
            await self.push("220 2.0.0 Ready to start TLS")
            return await stall()
        return await super().smtp_STARTTLS(arg)

    async def smtp_AUTH(self, arg):
        if self.stall_at == "auth":
            return await stall()
        return await super().smtp_AUTH(arg)

    async def smtp_MAIL(self, arg):
        if self.stall_at == "mail":
            return await stall()
        return await super().smtp_MAIL(arg)

    async def smtp_RCPT(self, arg):
        if self.stall_at == "rcpt":
            return await stall()
        return await super().smtp_RCPT(arg)

    async def smtp_DATA(self, arg):
        if self.stall_at == "data":
            return await stall()
        return await super().smtp_DATA(arg)

    async def smtp_QUIT(self, arg):
        if self.stall_at == "quit":
            return await stall()
        return await super().smtp_QUIT(arg)


class RefusingTls(SMTP):
    """Offers STARTTLS and then refuses it."""

    async def smtp_STARTTLS(self, arg):
        await self.push("454 4.7.0 TLS not available due to temporary reason")


class Silent(asyncio.Protocol):
    """Takes the connection and never says a word."""

    def connection_made(self, transport):
        self.transport = transport


class Garbage(asyncio.Protocol):
    """Answers with lines that are not SMTP; closes with --close."""

    close = False

    def connection_made(self, transport):
        transport.write(b"HTTP/1.1 400 Bad Request\r\n\x00\xff\xfe garbage \x1b[31m\r\nhello?\r\n")
        if self.close:
            transport.close()


def tls_context(args):
    ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    ctx.load_cert_chain(args.cert, args.key)
    return ctx


async def main():
    p = argparse.ArgumentParser()
    p.add_argument("--dir", required=True)
    p.add_argument("--mode", default="smtp",
                   choices=["smtp", "refuse-starttls", "silent", "garbage", "garbage-close"])
    p.add_argument("--cert")
    p.add_argument("--key")
    p.add_argument("--starttls", action="store_true", help="offer STARTTLS")
    p.add_argument("--implicit-tls", action="store_true", help="TLS from the first byte")
    p.add_argument("--auth", choices=["none", "plain-text", "after-tls"], default="none",
                   help="none: no AUTH offered; plain-text: AUTH without TLS; after-tls: AUTH only after STARTTLS")
    p.add_argument("--exclude", action="append", default=[], help="AUTH mechanism not to offer")
    p.add_argument("--user", default="alice")
    p.add_argument("--password", default="secret")
    p.add_argument("--stall", choices=STALL_STEPS)
    p.add_argument("--auth-line", help="the EHLO reply's AUTH line instead of aiosmtpd's own")
    args = p.parse_args()

    loop = asyncio.get_running_loop()
    recorder = Recorder(args.dir, args.user, args.password, args.stall)
    ctx = tls_context(args) if (args.starttls or args.implicit_tls) else None

    if args.mode == "silent":
        factory = Silent
    elif args.mode.startswith("garbage"):
        Garbage.close = args.mode == "garbage-close"
        factory = Garbage
    else:
        cls = RefusingTls if args.mode == "refuse-starttls" else Stalling
        Stalling.stall_at = args.stall
        recorder.auth_line = args.auth_line
        kwargs = dict(hostname="zarvel.test", ident="zarvel test SMTP", timeout=30,
                      authenticator=recorder.authenticator, auth_exclude_mechanism=args.exclude)
        if args.starttls:
            kwargs["tls_context"] = ctx
        if args.auth == "none":
            # aiosmtpd offers AUTH only where TLS is up; without TLS, none.
            kwargs["auth_require_tls"] = True
        elif args.auth == "plain-text":
            kwargs["auth_require_tls"] = False

        def factory():
            return cls(recorder, **kwargs)

    server = await loop.create_server(factory, "127.0.0.1", 0,
                                      ssl=ctx if args.implicit_tls else None)
    port = server.sockets[0].getsockname()[1]
    print(f"PORT {port}", flush=True)

    done = loop.create_future()

    def on_stdin():
        if not os.read(0, 4096) and not done.done():
            done.set_result(None)

    loop.add_reader(0, on_stdin)
    await done
    server.close()


if __name__ == "__main__":
    asyncio.run(main())
