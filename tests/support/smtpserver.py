#!/usr/bin/python3
"""A real SMTP server for the tests, on a free port of 127.0.0.1.

Every accepted message is written to the capture folder as NNNN.eml (the raw bytes as
received, after SMTP dot-unstuffing) and NNNN.json (envelope, session and what Python's
email package reads from the message). Once listening, the server prints one line
"READY <port>" on stdout; it runs until terminated.
"""

import argparse
import asyncio
import email
import email.policy
import email.utils
import json
import logging
import os
import signal
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def parse_args():
    parser = argparse.ArgumentParser()
    parser.add_argument("--capture", required=True, help="folder for the captured messages")
    parser.add_argument("--security", choices=["none", "starttls", "implicit"], default="none")
    parser.add_argument("--cert", help="PEM certificate for STARTTLS or implicit TLS")
    parser.add_argument("--key", help="PEM private key of --cert")
    parser.add_argument("--user-hex", help="hex of the only accepted user name; AUTH is "
                                           "advertised only when this is given")
    parser.add_argument("--password-hex", default="", help="hex of its password")
    parser.add_argument("--clear-auth", action="store_true",
                        help="offer AUTH before TLS as well")
    parser.add_argument("--reject-rcpt", help="answer RCPT TO for this address with 550")
    parser.add_argument("--silent", action="store_true",
                        help="accept connections but never send a byte")
    return parser.parse_args()


def read_date(msg):
    try:
        return email.utils.parsedate_to_datetime(msg["Date"]).timestamp()
    except (TypeError, ValueError):
        return None


def read_message(raw):
    """What an independent reader makes of the message: headers, subject, date, body, defects."""
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    defects = [type(d).__name__ for d in msg.defects]
    headers = {}
    for name, value in msg.items():
        headers[name.lower()] = str(value)
        defects += [f"{name}: {type(d).__name__}" for d in getattr(value, "defects", ())]
    try:
        body = msg.get_content()
    except Exception as error:  # the test sees it among the defects
        body = ""
        defects.append(f"body: {error}")
    return {"subject": headers.get("subject", ""), "date": read_date(msg), "headers": headers,
            "body": body, "defects": defects}


class CaptureHandler:
    def __init__(self, args):
        self.folder = args.capture
        self.offer_auth = args.user_hex is not None
        self.reject_rcpt = args.reject_rcpt
        self.count = 0

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        if self.offer_auth:
            return responses
        return [line for line in responses if not line[4:].startswith("AUTH")]

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address == self.reject_rcpt:
            return f"550 5.1.1 <{address}>: Recipient address rejected"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        stem = os.path.join(self.folder, f"{self.count:04d}")
        raw = envelope.content
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "tls": server.transport.get_extra_info("ssl_object") is not None,
            "auth_login": session.auth_data.login.decode("utf-8", "replace")
            if session.authenticated else "",
        }
        record.update(read_message(raw))
        with open(stem + ".eml", "wb") as f:
            f.write(raw)
        # The JSON file appears last and whole, so a reader never sees half a capture.
        with open(stem + ".tmp", "w", encoding="utf-8") as f:
            json.dump(record, f, ensure_ascii=False)
        os.replace(stem + ".tmp", stem + ".json")
        return "250 2.0.0 Message accepted for delivery"


def make_authenticator(args):
    if args.user_hex is None:
        return None
    expected = LoginPassword(bytes.fromhex(args.user_hex), bytes.fromhex(args.password_hex))

    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = isinstance(auth_data, LoginPassword) and auth_data == expected
        # handled=False: aiosmtpd answers a failure with its "535" line itself.
        return AuthResult(success=ok, handled=False, auth_data=auth_data if ok else None)

    return authenticate


def tls_context(args):
    if args.security == "none":
        return None
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(args.cert, args.key)
    return context


async def say_nothing(reader, writer):
    await reader.read()
    writer.close()


async def serve(args):
    loop = asyncio.get_running_loop()
    context = tls_context(args)
    if args.silent:
        server = await asyncio.start_server(say_nothing, "127.0.0.1", 0)
    else:
        handler = CaptureHandler(args)
        authenticator = make_authenticator(args)
        implicit = args.security == "implicit"

        def factory():
            return SMTP(handler,
                        hostname="smtp.test",
                        tls_context=context if args.security == "starttls" else None,
                        authenticator=authenticator,
                        # Implicit TLS is already encrypted, which aiosmtpd doesn't see.
                        auth_require_tls=not (args.clear_auth or implicit),
                        loop=loop)

        server = await loop.create_server(factory, "127.0.0.1", 0,
                                          ssl=context if implicit else None)
    port = server.sockets[0].getsockname()[1]
    print(f"READY {port}", flush=True)
    stop = loop.create_future()
    loop.add_signal_handler(signal.SIGTERM, stop.set_result, None)
    await stop
    server.close()


def main():
    # aiosmtpd logs each failed TLS handshake the tests provoke, and on every AUTH a warning
    # about its own use of Session.login_data.
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)
    args = parse_args()
    asyncio.run(serve(args))
    return 0


if __name__ == "__main__":
    sys.exit(main())
