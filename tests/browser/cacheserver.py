#!/usr/bin/env python3
"""A small HTTP server on 127.0.0.1 for the browser-cache end-to-end test.

Serves the files of one folder with a fixed Content-Type by extension, answers single byte-range
requests with 206 (as media elements ask), sends only the first half of a file named cut-*
(then closes the connection), and sends files named *.gz with Content-Encoding:
gzip under the name without .gz. Writes the chosen port to the file named by --port-file.
Stops by itself after --lifetime seconds.
"""
import argparse
import http.server
import os
import re
import threading

TYPES = {
    ".html": "text/html; charset=utf-8",
    ".png": "image/png",
    ".jpg": "image/jpeg",
    ".gif": "image/gif",
    ".webp": "image/webp",
    ".svg": "image/svg+xml",
    ".bmp": "image/bmp",
    ".wav": "audio/wav",
    ".mp4": "video/mp4",
    ".m4s": "video/iso.segment",
    ".css": "text/css",
}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = "."

    def log_message(self, *args):
        pass

    def do_GET(self):
        path = self.path.split("?", 1)[0].lstrip("/")
        # One level of folders (a stream's segments), never a dot-segment or a hidden name.
        if path.count("/") > 1 or any(part.startswith(".") or not part for part in path.split("/")):
            self.send_error(404)
            return
        encoded = os.path.join(self.root, path + ".gz")
        plain = os.path.join(self.root, path)
        gzip = os.path.isfile(encoded)
        file = encoded if gzip else plain
        if not os.path.isfile(file):
            self.send_error(404)
            return
        with open(file, "rb") as f:
            data = f.read()
        ext = os.path.splitext(path)[1]
        status, start, end = 200, 0, len(data) - 1
        ranged = self.headers.get("Range")
        m = re.fullmatch(r"bytes=(\d+)-(\d*)", ranged or "")
        if m and not gzip and len(data) > 0:
            start = int(m.group(1))
            end = min(int(m.group(2)) if m.group(2) else len(data) - 1, len(data) - 1)
            if start > end:
                self.send_response(416)
                self.send_header("Content-Range", "bytes */%d" % len(data))
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            status = 206
        self.send_response(status)
        self.send_header("Content-Type", TYPES.get(ext, "application/octet-stream"))
        self.send_header("Cache-Control", "max-age=86400")
        self.send_header("Last-Modified", "Mon, 01 Jan 2024 00:00:00 GMT")
        self.send_header("ETag", '"%x-%x"' % (len(data), sum(data[:4096])))
        if not gzip:
            self.send_header("Accept-Ranges", "bytes")
        if gzip:
            self.send_header("Content-Encoding", "gzip")
        if status == 206:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, len(data)))
        self.send_header("Content-Length", str(end - start + 1))
        self.end_headers()
        body = data[start:end + 1]
        if path.startswith("cut-"):
            # A transfer that breaks off half-way: the connection closes early.
            self.wfile.write(body[:len(body) // 2])
            self.wfile.flush()
            self.close_connection = True
            return
        self.wfile.write(body)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--lifetime", type=float, default=240)
    args = parser.parse_args()
    Handler.root = args.root
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    with open(args.port_file + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(args.port_file + ".tmp", args.port_file)
    threading.Timer(args.lifetime, server.shutdown).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
