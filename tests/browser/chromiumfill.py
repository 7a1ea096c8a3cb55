#!/usr/bin/env python3
"""Fills a fresh Chromium disk cache by loading one page in headless Chromium.

Talks to Chromium over --remote-debugging-pipe (JSON messages ending in NUL on fds 3 and 4),
waits until the page sets its title to "done" (or "failed"), then closes the browser through the
protocol so that it writes its cache out before it exits.
Exit status: 0 done, 1 failed, 77 Chromium missing.
"""
import argparse
import fcntl
import json
import os
import shutil
import subprocess
import sys
import time


class Pipe:
    def __init__(self, to_browser, from_browser):
        self.out = to_browser
        self.inp = from_browser
        self.buffer = b""
        self.next_id = 0

    def send(self, method, params=None, session=None):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.out, json.dumps(message).encode() + b"\0")
        return self.next_id

    def reply(self, wanted, deadline):
        while time.monotonic() < deadline:
            while b"\0" in self.buffer:
                raw, self.buffer = self.buffer.split(b"\0", 1)
                message = json.loads(raw)
                if message.get("id") == wanted:
                    if "error" in message:
                        raise RuntimeError(str(message["error"]))
                    return message.get("result", {})
            chunk = os.read(self.inp, 65536)
            if not chunk:
                raise RuntimeError("the browser closed the pipe")
            self.buffer += chunk
        raise TimeoutError("no answer from the browser")

    def call(self, method, params=None, session=None, timeout=30):
        return self.reply(self.send(method, params, session), time.monotonic() + timeout)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("url")
    parser.add_argument("--user-data-dir", required=True)
    parser.add_argument("--disk-cache-dir", required=True)
    parser.add_argument("--timeout", type=float, default=90)
    parser.add_argument("--enable-features", default="")
    args = parser.parse_args()

    browser = shutil.which("chromium") or shutil.which("chromium-browser")
    if not browser:
        print("SKIP: chromium is not installed (Debian package chromium)")
        return 77

    # Kept above fd 4, so that placing them on 3 and 4 in the child never meets itself.
    def high(fd):
        moved = fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, 10)
        os.close(fd)
        return moved
    to_browser_r, to_browser_w = map(high, os.pipe())
    from_browser_r, from_browser_w = map(high, os.pipe())
    # The browser reads commands on fd 3 and writes answers on fd 4.
    def child_fds():
        os.dup2(to_browser_r, 3)
        os.dup2(from_browser_w, 4)
    command = [
        browser, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
        "--no-first-run", "--disable-background-networking", "--disable-component-update",
        "--disable-sync", "--autoplay-policy=no-user-gesture-required", "--mute-audio",
        "--user-data-dir=" + args.user_data_dir, "--disk-cache-dir=" + args.disk_cache_dir,
        "--remote-debugging-pipe", "about:blank",
    ] + (["--enable-features=" + args.enable_features] if args.enable_features else [])
    process = subprocess.Popen(command, preexec_fn=child_fds, close_fds=False,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=None if os.environ.get("VELT_CHROMIUM_LOG") else subprocess.DEVNULL)
    os.close(to_browser_r)
    os.close(from_browser_w)
    pipe = Pipe(to_browser_w, from_browser_r)
    status = 1
    try:
        target = pipe.call("Target.createTarget", {"url": args.url})["targetId"]
        session = pipe.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        deadline = time.monotonic() + args.timeout
        title = ""
        while time.monotonic() < deadline:
            result = pipe.call("Runtime.evaluate", {"expression": "document.title"}, session)
            title = result.get("result", {}).get("value", "")
            if title in ("done", "failed"):
                break
            time.sleep(0.2)
        print("page title: %s" % title)
        status = 0 if title == "done" else 1
        pipe.call("Browser.close")
    except Exception as error:  # noqa: BLE001 - any failure ends the browser below
        print("FAIL: %s" % error)
        status = 1
    try:
        process.wait(timeout=30)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        print("FAIL: the browser did not exit after Browser.close")
        status = 1
    return status


if __name__ == "__main__":
    sys.exit(main())
