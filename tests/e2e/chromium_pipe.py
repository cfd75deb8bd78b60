"""Headless Chromium (SwiftShader's WebGL 2) driven over the DevTools
protocol on a pipe, with nothing but the Python standard library: for the web
page's tests and benchmark."""
import base64
import fcntl
import json
import os
import subprocess
import time


class Browser:
    """Chromium reading protocol messages on its fd 3 and answering on fd 4,
    each message a JSON text ended by a NUL byte."""

    def __init__(self, profile, log, pictures, flags=()):
        to_browser, self.writer = os.pipe()
        self.reader, from_browser = os.pipe()

        def fds():
            # Moved out of the way first, so that neither lands on the
            # other's number; dup2 leaves 3 and 4 open across exec.
            ours = [fcntl.fcntl(fd, fcntl.F_DUPFD, 10) for fd in (to_browser, from_browser)]
            for number, fd in zip((3, 4), ours):
                os.dup2(fd, number)
                os.set_inheritable(number, True)

        self.log = open(log, "ab")
        self.pictures = pictures
        self.process = subprocess.Popen(
            ["chromium", "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
             "--remote-debugging-pipe", "--user-data-dir=" + profile, "--no-first-run", "--hide-scrollbars",
             "--mute-audio", *flags, "about:blank"],
            preexec_fn=fds, close_fds=False, stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log)
        os.close(to_browser)
        os.close(from_browser)
        self.buffer = b""
        self.next_id = 0

    def call(self, method, params=None, session=None, timeout=30):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.writer, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            while b"\0" not in self.buffer:
                chunk = os.read(self.reader, 1 << 20)
                if not chunk:
                    raise RuntimeError("chromium closed its pipe")
                self.buffer += chunk
            text, self.buffer = self.buffer.split(b"\0", 1)
            reply = json.loads(text)
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply["result"]
        raise RuntimeError(f"{method}: no answer")

    def open(self, url, width, height, scale=1):
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        self.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": scale, "mobile": False}, session)
        self.call("Page.navigate", {"url": url}, session)
        return session

    def evaluate(self, session, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True}, session)
        return result["result"].get("value")

    def wait_frames(self, session, count, timeout=20):
        """Waits until the page has drawn `count` frames; the count reached."""
        deadline = time.monotonic() + timeout
        frames = 0
        while time.monotonic() < deadline:
            frames = int(self.evaluate(session, "Number(document.documentElement.dataset.frames || 0)") or 0)
            if frames >= count:
                break
            time.sleep(0.05)
        return frames

    def screenshot(self, session, name):
        """The viewport's pixels as RGB bytes; the PNG is kept as name.png in
        the pictures' folder."""
        data = base64.b64decode(self.call("Page.captureScreenshot", {"format": "png"}, session)["data"])
        path = os.path.join(self.pictures, name + ".png")
        with open(path, "wb") as f:
            f.write(data)
        return Rgb(path)

    def metrics(self, session):
        """The page's running totals (ScriptDuration, TaskDuration, ... in
        seconds), Performance.enable having been called on the session."""
        return {m["name"]: m["value"] for m in self.call("Performance.getMetrics", {}, session)["metrics"]}

    def close(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.log.close()


class Rgb:
    """A PNG's pixels as 8-bit RGB bytes, row by row from the top."""

    def __init__(self, png):
        size = subprocess.run(["identify", "-format", "%w %h", png], check=True, capture_output=True).stdout.split()
        self.width, self.height = int(size[0]), int(size[1])
        self.data = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return self.data[i:i + 3]
