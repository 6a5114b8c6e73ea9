#!/usr/bin/python3
"""A man in the middle for the interop tests, on 127.0.0.1 only.

Relays every connection to --upstream. While the file --dir/strip exists,
it deletes from what the server says every line that offers encryption
("250-STARTTLS", "STLS"), as an attacker on the path would. Every byte the
client sends goes into --dir/client-<n>.log, so a test can see what left
the client in the clear.

Prints "PORT <n>" once it listens and exits when its standard input closes.
"""
import argparse
import asyncio
import os
import re

OFFERS_TLS = re.compile(rb"^(250[- ]STARTTLS|STLS)\r?$", re.IGNORECASE)


async def pump(reader, writer, log=None, strip=False):
    pending = b""
    # A "250-" line kept back until the next line shows whether a deleted
    # "250 STARTTLS" ended the reply after it: then this line ends it.
    held = b""
    try:
        while True:
            data = await reader.read(65536)
            if not data:
                break
            if log:
                log.write(data)
                log.flush()
            if strip:
                pending += data
                lines = pending.split(b"\n")
                pending = lines.pop()
                out = []
                for line in lines:
                    if OFFERS_TLS.match(line):
                        if line[3:4] == b" " and held.startswith(b"250-"):
                            held = b"250 " + held[4:]
                        continue
                    if held:
                        out.append(held)
                    held = line + b"\n"
                if held and not held.startswith(b"250-"):
                    out.append(held)
                    held = b""
                data = b"".join(out)
            writer.write(data)
            await writer.drain()
    except (ConnectionError, asyncio.CancelledError):
        pass
    finally:
        if strip:
            writer.write(held + pending)
        writer.close()


async def main():
    p = argparse.ArgumentParser()
    p.add_argument("--dir", required=True)
    p.add_argument("--upstream", type=int, required=True)
    args = p.parse_args()
    count = 0

    async def on_client(c_reader, c_writer):
        nonlocal count
        count += 1
        strip = os.path.exists(os.path.join(args.dir, "strip"))
        s_reader, s_writer = await asyncio.open_connection("127.0.0.1", args.upstream)
        with open(os.path.join(args.dir, f"client-{count}.log"), "wb") as log:
            await asyncio.gather(pump(c_reader, s_writer, log=log),
                                 pump(s_reader, c_writer, strip=strip))

    server = await asyncio.start_server(on_client, "127.0.0.1", 0)
    print(f"PORT {server.sockets[0].getsockname()[1]}", flush=True)
    loop = asyncio.get_running_loop()
    done = loop.create_future()

    def on_stdin():
        if not os.read(0, 4096) and not done.done():
            done.set_result(None)

    loop.add_reader(0, on_stdin)
    await done
    server.close()


if __name__ == "__main__":
    asyncio.run(main())
