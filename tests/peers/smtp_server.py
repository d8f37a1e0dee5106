#!/usr/bin/python3
"""An SMTP server for the mail tests (aiosmtpd) on 127.0.0.1 with an ephemeral port.

Prints "PORT <n>" once listening, then one line per delivered message:
    MESSAGE {"mail_from": ..., "rcpt_tos": [...], "content": "<base64 of the bytes>"}
The content is the message as the server keeps it, after the dot-stuffing has been undone.
A recipient whose address contains "refuse" is answered with 550.
"""
import asyncio
import base64
import json
import socket

from aiosmtpd.smtp import SMTP


class Recorder:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if "refuse" in address:
            return "550 no such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "content": base64.b64encode(envelope.content).decode("ascii"),
        }
        print("MESSAGE", json.dumps(record), flush=True)
        return "250 Message accepted for delivery"


async def main():
    handler = Recorder()
    loop = asyncio.get_running_loop()
    # The listening socket is bound here so that port 0 gives a port nobody else holds.
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.bind(("127.0.0.1", 0))
    server = await loop.create_server(lambda: SMTP(handler, hostname="localhost", decode_data=False), sock=sock)
    print("PORT", sock.getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


asyncio.run(main())
