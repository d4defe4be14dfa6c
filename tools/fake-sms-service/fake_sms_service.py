#!/usr/bin/env python3
"""A local stand-in for the text-message service, for tests and for trying
the program by hand. Python 3 standard library only.

It answers the three requests the program makes, as form-encoded POSTs:

  /edeeserver/sendSMS.do    a message to send now, or, with MsgIdentify and a
                            twelve-digit TimeStamp, one scheduled for later
  /edeeserver/cancelSms.do  withdraws the scheduled messages of MsgIdentify
  /edeeserver/account.do    the number of messages the account has left

Each reply is a line of text; "0" means success (the balance query answers
the number instead). Replies can be replaced per path (--reply), the server
can hang without answering (--hang) or answer with an HTTP error (--status).

Every request is recorded byte for byte, as received, in
<record-dir>/NNNN.req when --record-dir is given. On standard output the
first line is "listening on http://HOST:PORT"; then one line per request
("request N POST /path"), written after the request was recorded and
before it is answered, followed by its decoded fields with the password
masked.
"""

import argparse
import os
import socket
import socketserver
import sys
import threading
import urllib.parse

PATHS = ("/edeeserver/sendSMS.do", "/edeeserver/cancelSms.do", "/edeeserver/account.do")


class Service:
    def __init__(self, args):
        self.args = args
        self.lock = threading.Lock()
        self.count = 0
        self.balance = args.balance
        self.scheduled = {}  # identifier -> list of (stamp, phone, text)
        self.replies = {}
        for item in args.reply:
            path, _, text = item.partition("=")
            if not path.startswith("/"):
                path = "/edeeserver/" + path
            self.replies[path] = text.encode("latin-1").decode("unicode_escape").encode("latin-1")

    def record(self, raw, method, path, fields):
        with self.lock:
            self.count += 1
            n = self.count
            if self.args.record_dir:
                name = os.path.join(self.args.record_dir, "%04d.req" % n)
                with open(name + ".tmp", "wb") as f:
                    f.write(raw)
                os.replace(name + ".tmp", name)
            shown = []
            for key, value in fields:
                shown.append("%s=%s" % (key, "******" if key == "Password" else value))
            print("request %d %s %s" % (n, method, path), flush=True)
            if shown and not self.args.quiet:
                print("  " + " ".join(shown), flush=True)
            return n

    def answer(self, path, fields):
        """The reply body for a request (bytes)."""
        if path in self.replies:
            return self.replies[path]
        values = dict(fields)
        account_ok = True
        if self.args.user is not None and values.get("UserName") != self.args.user:
            account_ok = False
        if self.args.password is not None and values.get("Password") != self.args.password:
            account_ok = False
        with self.lock:
            if path == "/edeeserver/account.do":
                return (str(self.balance) if account_ok else "-1").encode()
            if not account_ok:
                return b"-1"
            if path == "/edeeserver/sendSMS.do":
                if not values.get("MobileNumber") or "MsgContent" not in values:
                    return b"-3"
                ident = values.get("MsgIdentify")
                if ident is not None:
                    stamp = values.get("TimeStamp", "")
                    if len(stamp) != 12 or not stamp.isdigit():
                        return b"-4"
                    self.scheduled.setdefault(ident, []).append((stamp, values["MobileNumber"], values["MsgContent"]))
                    return b"0"
                if self.balance <= 0:
                    return b"-5"
                self.balance -= 1
                return b"0"
            if path == "/edeeserver/cancelSms.do":
                ident = values.get("MsgIdentify")
                if ident is None:
                    return b"-3"
                self.scheduled.pop(ident, None)
                return b"0"
        return b"-9"


def decode_fields(body):
    """The form's fields in order; values decoded from GBK for display."""
    fields = []
    for part in body.split(b"&"):
        if not part:
            continue
        key, _, value = part.partition(b"=")
        raw = urllib.parse.unquote_to_bytes(value)
        try:
            text = raw.decode("gbk")
        except UnicodeDecodeError:
            text = raw.decode("latin-1")
        fields.append((key.decode("latin-1"), text))
    return fields


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        service = self.server.service
        sock = self.request
        sock.settimeout(30)
        data = b""
        try:
            while b"\r\n\r\n" not in data:
                chunk = sock.recv(65536)
                if not chunk:
                    return
                data += chunk
                if len(data) > 1 << 20:
                    return
            head, _, rest = data.partition(b"\r\n\r\n")
            lines = head.split(b"\r\n")
            method, path = (lines[0].split(b" ") + [b"", b""])[:2]
            length = 0
            for line in lines[1:]:
                name, _, value = line.partition(b":")
                if name.strip().lower() == b"content-length":
                    length = int(value.strip() or b"0")
            while len(rest) < length:
                chunk = sock.recv(65536)
                if not chunk:
                    break
                rest += chunk
            body = rest[:length]
            raw = head + b"\r\n\r\n" + body
        except (OSError, ValueError):
            return
        method = method.decode("latin-1")
        path = path.decode("latin-1")
        fields = decode_fields(body)
        service.record(raw, method, path, fields)
        if service.args.hang:
            # Never answer; wait until the client gives up.
            try:
                while sock.recv(65536):
                    pass
            except OSError:
                pass
            return
        if method != "POST" or path not in PATHS:
            status, reply = 404, b"not found"
        else:
            status, reply = service.args.status, service.answer(path, fields)
        reason = {200: "OK", 404: "Not Found"}.get(status, "Error")
        header = ("HTTP/1.1 %d %s\r\nContent-Type: text/plain; charset=GBK\r\nContent-Length: %d\r\n"
                  "Connection: close\r\n\r\n" % (status, reason, len(reply))).encode("latin-1")
        try:
            sock.sendall(header + reply)
        except OSError:
            pass


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser(description="A local fake of the text-message service.")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=8080, help="0 picks a free port")
    parser.add_argument("--record-dir", help="keep each request, byte for byte, as NNNN.req here")
    parser.add_argument("--balance", type=int, default=100, help="messages the account has left")
    parser.add_argument("--user", help="the only account name accepted (default: any)")
    parser.add_argument("--password", help="the only password accepted (default: any)")
    parser.add_argument("--reply", action="append", default=[],
                        help="PATH=TEXT: answer PATH (e.g. account.do) with TEXT; \\n and \\r escapes work")
    parser.add_argument("--status", type=int, default=200, help="HTTP status of every answer")
    parser.add_argument("--hang", action="store_true", help="read each request and never answer")
    parser.add_argument("--quiet", action="store_true", help="print only the request lines")
    args = parser.parse_args()
    if args.record_dir:
        os.makedirs(args.record_dir, exist_ok=True)
    server = Server((args.host, args.port), Handler)
    server.service = Service(args)
    host, port = server.server_address[:2]
    print("listening on http://%s:%d" % (host, port), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    # Stop cleanly when the parent closes our input (tests) or on a signal.
    if "--exit-on-stdin-eof" in sys.argv:
        sys.argv.remove("--exit-on-stdin-eof")

        def watch():
            sys.stdin.read()
            os._exit(0)

        threading.Thread(target=watch, daemon=True).start()
    main()
