#!/usr/bin/env python3
"""A mail server for the uploader's tests, on aiosmtpd.

Listens on 127.0.0.1 at a free port and prints "PORT <n>" once it answers. Every mail it
takes is written to <out>/mail<N>.eml (the data bytes as received) and <out>/mail<N>.env
(the sender, then one recipient a line). Options make it misbehave in the ways a test
needs.
"""
import argparse
import os
import signal
import socket
import ssl
import sys
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--refuse-mail-once", action="store_true")
    parser.add_argument("--refuse-rcpt", default="")
    parser.add_argument("--greeting", default="")
    parser.add_argument("--data-reply", default="")
    parser.add_argument("--close-at", default="")
    parser.add_argument("--cert", default="")
    parser.add_argument("--key", default="")
    parser.add_argument("--implicit-tls", action="store_true")
    parser.add_argument("--auth", default="")
    parser.add_argument("--login-only", action="store_true")
    args = parser.parse_args()

    state = {"mail_refused": False, "count": 0}

    class Handler:
        async def handle_MAIL(self, server, session, envelope, address, mail_options):
            if args.refuse_mail_once and not state["mail_refused"]:
                state["mail_refused"] = True
                return "451 Try again"
            envelope.mail_from = address
            envelope.mail_options.extend(mail_options)
            return "250 OK"

        async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
            if address == args.refuse_rcpt:
                return "550 No such user here"
            envelope.rcpt_tos.append(address)
            return "250 OK"

        async def handle_DATA(self, server, session, envelope):
            state["count"] += 1
            base = os.path.join(args.out, "mail%d" % state["count"])
            with open(base + ".eml", "wb") as f:
                f.write(envelope.original_content)
            with open(base + ".env", "w") as f:
                f.write("\n".join([envelope.mail_from] + envelope.rcpt_tos) + "\n")
            return args.data_reply or "250 Message accepted for delivery"

    class Server(SMTP):
        greeted = False

        async def push(self, status):
            if not self.greeted and isinstance(status, str) and status.startswith("220 "):
                self.greeted = True
                if args.greeting:
                    status = args.greeting.replace("\\r\\n", "\r\n")
            await super().push(status)

        async def smtp_MAIL(self, arg):
            if args.close_at == "MAIL":
                self.transport.close()
                return
            await super().smtp_MAIL(arg)

        async def smtp_QUIT(self, arg):
            if args.close_at == "QUIT":
                self.transport.close()
                return
            await super().smtp_QUIT(arg)

    kwargs = {}
    context = None
    if args.cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)
        if not args.implicit_tls:
            kwargs.update(tls_context=context, require_starttls=True)
    if args.auth:
        user, password = args.auth.split(":", 1)

        def authenticator(server, session, envelope, mechanism, auth_data):
            ok = auth_data.login == user.encode() and auth_data.password == password.encode()
            return AuthResult(success=ok, handled=False)

        # aiosmtpd only counts STARTTLS as TLS; with TLS from the start the whole
        # connection is encrypted anyway.
        if args.login_only:
            kwargs.update(auth_exclude_mechanism=["PLAIN"])
        kwargs.update(authenticator=authenticator, auth_required=True,
                      auth_require_tls=not args.implicit_tls)

    class ServerController(Controller):
        def factory(self):
            return Server(self.handler, **self.SMTP_kwargs)

    for _ in range(5):
        port = free_port()
        controller = ServerController(
            Handler(), hostname="127.0.0.1", port=port,
            ssl_context=context if args.implicit_tls else None, **kwargs)
        try:
            controller.start()
            break
        except Exception:
            continue
    else:
        sys.exit(1)

    print("PORT %d" % port, flush=True)
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *unused: stop.set())
    signal.signal(signal.SIGINT, lambda *unused: stop.set())
    stop.wait()
    controller.stop()


if __name__ == "__main__":
    main()
