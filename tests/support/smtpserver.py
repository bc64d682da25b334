#!/usr/bin/python3
"""SMTP server for the tests on a free port of 127.0.0.1: prints the port, serves until killed.
Arguments: capture folder, none|starttls|implicit, PEM certificate and key, user and password in
hex (no user: no AUTH), 1 to offer AUTH before TLS too. Each accepted message becomes NNNN.json
in the capture folder: envelope, session, raw bytes and what Python's email package reads."""

import asyncio, email, email.policy, json, logging, ssl, sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class CaptureHandler:
    def __init__(self, folder, offer_auth):
        self.folder, self.offer_auth, self.count = folder, offer_auth, 0

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        return [line for line in responses if self.offer_auth or not line[4:].startswith("AUTH")]

    async def handle_DATA(self, server, session, envelope):
        msg = email.message_from_bytes(envelope.content, policy=email.policy.default)
        defects = [type(d).__name__ for d in msg.defects]
        defects += [f"no {h}" for h in ("Date", "From", "To", "Message-ID", "MIME-Version")
                    if h not in msg]
        defects += [f"{name}: {type(d).__name__}" for name, value in msg.items()
                    for d in getattr(value, "defects", ())]
        record = {"raw": envelope.content.decode("latin-1"), "mail_from": envelope.mail_from,
                  "rcpt_tos": envelope.rcpt_tos,
                  "tls": server.transport.get_extra_info("ssl_object") is not None,
                  "auth_login": session.auth_data.login.decode() if session.authenticated else "",
                  "subject": str(msg["Subject"] or ""), "body": msg.get_content(),
                  "defects": defects}
        self.count += 1
        # Written before the reply, so the client never sees half a capture.
        with open(f"{self.folder}/{self.count:04d}.json", "w", encoding="utf-8") as f:
            json.dump(record, f, ensure_ascii=False)
        return "250 2.0.0 Message accepted for delivery"


async def serve(capture, security, cert, key, user_hex, password_hex, clear_auth):
    context = None
    if security != "none":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(cert, key)
    implicit = security == "implicit"
    handler = CaptureHandler(capture, bool(user_hex))
    expected = LoginPassword(bytes.fromhex(user_hex), bytes.fromhex(password_hex))

    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = auth_data == expected
        # handled=False: aiosmtpd answers a failure with its own "535" line.
        return AuthResult(success=ok, handled=False, auth_data=auth_data if ok else None)

    def factory():
        # Implicit TLS is already encrypted, which aiosmtpd doesn't see.
        return SMTP(handler, tls_context=None if implicit else context, authenticator=authenticate,
                    auth_require_tls=not (clear_auth == "1" or implicit))

    loop = asyncio.get_running_loop()
    server = await loop.create_server(factory, "127.0.0.1", 0, ssl=context if implicit else None)
    print(server.sockets[0].getsockname()[1], flush=True)
    await server.serve_forever()


if __name__ == "__main__":
    # aiosmtpd logs each TLS handshake the tests make fail, and warns on every AUTH.
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)
    asyncio.run(serve(*sys.argv[1:]))
