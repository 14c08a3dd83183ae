#!/usr/bin/env python3
"""An FTP server for the uploader's tests, on pyftpdlib.

Listens on 127.0.0.1 at a free port and prints "PORT <n>" once it listens. One user whose
login directory is --root; --readonly names a folder below it where nothing may be
stored. Every login and every stored file is appended to --events as one line.
"""
import argparse
import os
import signal

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="cam")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--readonly", default="")
    parser.add_argument("--events", required=True)
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    if args.readonly:
        authorizer.override_perm(args.user, os.path.join(args.root, args.readonly), perm="elr",
                                 recursive=True)

    def event(text):
        with open(args.events, "a") as f:
            f.write(text + "\n")

    class Handler(FTPHandler):
        def on_login(self, username):
            event("login %s" % username)

        def on_file_received(self, file):
            event("stored %s" % os.path.relpath(file, args.root))

    Handler.authorizer = authorizer
    Handler.permit_foreign_addresses = False
    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.address[1], flush=True)

    def stop(*unused):
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, stop)
    server.serve_forever(timeout=0.5, handle_exit=True)


if __name__ == "__main__":
    main()
