#!/usr/bin/env python3
"""HTTPS servers on 127.0.0.1 for the fetch tests, one per certificate.

    tls_server.py <certificate folder> <list file> <ports file>

Serves each certificate of CERTIFICATES on a port the system chooses,
writes "<name> <port>" lines to the ports file once all
of them listen, then serves until it is killed. Every server answers:

    /list              the list file, gzip-compressed when the client asks
    /redirect?to=URL   302 to URL
    /no-head           nothing, for a minute
    /no-body           a head announcing 100 bytes, then nothing
    anything else      404
"""
import gzip
import http.server
import os
import ssl
import sys
import threading
import time
import urllib.parse

SILENCE_SECONDS = 60

# Server name -> certificate file name (tests/data/tls/make-certs.sh).
CERTIFICATES = {"trusted": "localhost", "expired": "expired",
                "wrong-name": "wrong-name", "unknown-ca": "unknown-ca"}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path == "/list":
            body = self.server.list_bytes
            encoding = None
            if "gzip" in self.headers.get("Accept-Encoding", ""):
                body, encoding = gzip.compress(body, mtime=0), "gzip"
            self.answer(200, body, encoding)
        elif url.path == "/redirect":
            target = urllib.parse.parse_qs(url.query).get("to", [""])[0]
            self.answer(302, b"", location=target)
        elif url.path == "/no-head":
            time.sleep(SILENCE_SECONDS)
        elif url.path == "/no-body":
            self.send_response(200)
            self.send_header("Content-Length", "100")
            self.end_headers()
            self.wfile.flush()
            time.sleep(SILENCE_SECONDS)
        else:
            self.answer(404, b"")

    def answer(self, status, body, encoding=None, location=None):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        if encoding:
            self.send_header("Content-Encoding", encoding)
        if location:
            self.send_header("Location", location)
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class TlsServer(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, context, list_bytes):
        super().__init__(("127.0.0.1", 0), Handler)
        self.context = context
        self.list_bytes = list_bytes

    # The handshake runs on the connection's own thread, so one client
    # that refuses the certificate holds up no other.
    def finish_request(self, request, client_address):
        with self.context.wrap_socket(request, server_side=True) as secure:
            super().finish_request(secure, client_address)

    def handle_error(self, request, client_address):
        pass  # refused certificates end here; the tests judge the client


def main():
    certificates, list_file, ports_file = sys.argv[1:4]
    with open(list_file, "rb") as f:
        list_bytes = f.read()
    lines = []
    for name in CERTIFICATES:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        base = os.path.join(certificates, CERTIFICATES[name])
        context.load_cert_chain(base + ".pem", base + "-key.pem")
        server = TlsServer(context, list_bytes)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        lines.append("%s %d\n" % (name, server.server_address[1]))
    with open(ports_file + ".part", "w") as f:
        f.writelines(lines)
    os.replace(ports_file + ".part", ports_file)
    threading.Event().wait()


if __name__ == "__main__":
    main()
