#!/usr/bin/python3
"""SMTP server for the tests on a free port of 127.0.0.1: prints the port, serves until killed or
until its standard input closes, as it does when the test ends in any way.
Arguments: capture folder, none|starttls|implicit, PEM certificate and key, user and password in
hex (no user: no AUTH), 1 to offer AUTH before TLS too, and optionally a command ("." for the end
of the data) and the reply it gets instead of being carried out: see ScriptedSMTP. Each accepted
message becomes NNNN.json in the capture folder: envelope, session, raw bytes and what Python's
email package reads."""

import asyncio, email, email.policy, functools, json, logging, os, ssl, sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


async def hang_unless(reply):
    """Unless `reply` refuses (4xx, 5xx), the connection falls silent: not another byte is read
    from it nor written to it, like a server that hangs."""
    if reply[:1] not in ("4", "5"):
        await asyncio.Event().wait()


async def answer(server, reply, _argument):
    if reply:
        await server.push(reply)
    await hang_unless(reply)


class ScriptedSMTP(SMTP):
    """Answers the command `verb` by `answer` instead of carrying it out."""

    def __init__(self, verb, reply, *args, **kwargs):
        if verb:
            # aiosmtpd collects its command methods by name as it starts.
            setattr(self, f"smtp_{verb}", functools.partial(answer, self, reply))
        super().__init__(*args, **kwargs)


class CaptureHandler:
    def __init__(self, folder, offer_auth, end_of_data_reply):
        self.folder, self.offer_auth, self.count = folder, offer_auth, 0
        self.end_of_data_reply = end_of_data_reply

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        return [line for line in responses if self.offer_auth or not line[4:].startswith("AUTH")]

    async def handle_DATA(self, server, session, envelope):
        if self.end_of_data_reply is not None:
            await hang_unless(self.end_of_data_reply)
            return self.end_of_data_reply
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


async def serve(capture, security, cert, key, user_hex, password_hex, clear_auth, verb="",
                reply=""):
    context = None
    if security != "none":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(cert, key)
    implicit = security == "implicit"
    handler = CaptureHandler(capture, bool(user_hex), reply if verb == "." else None)
    expected = LoginPassword(bytes.fromhex(user_hex), bytes.fromhex(password_hex))

    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = auth_data == expected
        # handled=False: aiosmtpd answers a failure with its own "535" line.
        return AuthResult(success=ok, handled=False, auth_data=auth_data if ok else None)

    def factory():
        # Implicit TLS is already encrypted, which aiosmtpd doesn't see.
        return ScriptedSMTP("" if verb == "." else verb, reply, handler,
                            tls_context=None if implicit else context, authenticator=authenticate,
                            auth_require_tls=not (clear_auth == "1" or implicit))

    loop = asyncio.get_running_loop()
    # A test that aborts can't stop the server; the end of its pipe to the server's input does.
    loop.add_reader(0, lambda: os.read(0, 4096) or os._exit(0))
    server = await loop.create_server(factory, "127.0.0.1", 0, ssl=context if implicit else None)
    print(server.sockets[0].getsockname()[1], flush=True)
    await server.serve_forever()


if __name__ == "__main__":
    # aiosmtpd logs each TLS handshake the tests make fail, and warns on every AUTH.
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)
    asyncio.run(serve(*sys.argv[1:]))
