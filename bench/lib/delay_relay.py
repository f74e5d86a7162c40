#!/usr/bin/env python3
"""A relay on 127.0.0.1 that makes a loopback server look far away.

    delay_relay.py TARGET_PORT ONE_WAY_MS

Listens on a free port (printed on the first line of standard output), and
for each connection opens one to 127.0.0.1:TARGET_PORT. Every block is
delivered ONE_WAY_MS after it arrived, in each direction, and a connection's
first bytes one round trip later still: what the TCP handshake costs on a
real link. Stop it with SIGTERM.
"""
import asyncio
import signal
import sys


async def pump(reader, writer, delay, first_extra, loop):
    queue = asyncio.Queue()

    async def deliver():
        while True:
            due, data = await queue.get()
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            if data is None:
                if writer.can_write_eof():
                    writer.write_eof()
                return
            writer.write(data)
            await writer.drain()

    sender = asyncio.create_task(deliver())
    extra = first_extra
    try:
        while True:
            data = await reader.read(65536)
            queue.put_nowait((loop.time() + delay + extra, data or None))
            extra = 0.0
            if not data:
                break
    except (ConnectionError, OSError):
        queue.put_nowait((loop.time(), None))
    try:
        await sender
    except (ConnectionError, OSError):
        pass


async def main():
    target = int(sys.argv[1])
    delay = float(sys.argv[2]) / 1000.0
    loop = asyncio.get_running_loop()

    async def handle(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection("127.0.0.1", target)
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(
            pump(client_reader, server_writer, delay, 2 * delay, loop),
            pump(server_reader, client_writer, delay, 0.0, loop),
        )
        for writer in (client_writer, server_writer):
            writer.close()

    server = await asyncio.start_server(handle, "127.0.0.1", 0, backlog=256)
    print(server.sockets[0].getsockname()[1], flush=True)
    stop = loop.create_future()
    loop.add_signal_handler(signal.SIGTERM, stop.set_result, None)
    async with server:
        await stop


if __name__ == "__main__":
    asyncio.run(main())
