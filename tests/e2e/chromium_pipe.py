"""Headless Chromium (SwiftShader's WebGL 2) driven over the DevTools protocol on a pipe
(JSON messages ended by a NUL byte, in on fd 3, out on fd 4): for the web page's test and benchmark."""
import base64
import fcntl
import json
import os
import subprocess
import time


class Browser:
    def __init__(self, profile, log, pictures, flags=()):
        to_browser, self.writer = os.pipe()
        self.reader, from_browser = os.pipe()

        def fds():
            # Out of the way first, so that neither lands on the other's number.
            ours = [fcntl.fcntl(fd, fcntl.F_DUPFD, 10) for fd in (to_browser, from_browser)]
            for number, fd in zip((3, 4), ours):
                os.dup2(fd, number)
                os.set_inheritable(number, True)

        self.log, self.pictures, self.buffer, self.next_id = open(log, "ab"), pictures, b"", 0
        self.process = subprocess.Popen(
            ["chromium", "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
             "--remote-debugging-pipe", "--user-data-dir=" + profile, "--no-first-run", "--hide-scrollbars",
             "--mute-audio", *flags, "about:blank"],
            preexec_fn=fds, close_fds=False, start_new_session=True, stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log)
        os.close(to_browser)
        os.close(from_browser)

    def call(self, method, params=None, session=None):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.writer, json.dumps(message).encode() + b"\0")
        while True:  # events and other replies are passed over
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

    def resize(self, session, width, height, scale=1):
        self.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": scale, "mobile": False}, session)

    def open(self, url, width, height, scale=1, script=None, timezone=None):
        """A new tab at url; script runs in it before the page's own, timezone (e.g. "UTC") is its zone."""
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        self.resize(session, width, height, scale)
        if script:
            self.call("Page.enable", {}, session)
            self.call("Page.addScriptToEvaluateOnNewDocument", {"source": script}, session)
        if timezone:
            self.call("Emulation.setTimezoneOverride", {"timezoneId": timezone}, session)
        self.call("Page.navigate", {"url": url}, session)
        return session

    def evaluate(self, session, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True}, session)
        return result["result"].get("value")

    def wait_frames(self, session, count, timeout=20):
        for _ in range(int(timeout / 0.05)):
            frames = int(self.evaluate(session, "Number(document.documentElement.dataset.frames || 0)") or 0)
            if frames >= count:
                break
            time.sleep(0.05)
        return frames

    def screenshot(self, session, name):
        path = os.path.join(self.pictures, name + ".png")
        with open(path, "wb") as f:
            f.write(base64.b64decode(self.call("Page.captureScreenshot", {"format": "png"}, session)["data"]))
        return Rgb(path)

    def close(self):
        # The browser's helpers (its GPU process, its crash handler) outlive it for a moment and go on
        # writing to the profile; the whole process group is ended before the profile is removed.
        self.process.terminate()
        self.process.wait()
        group = self.process.pid
        for signal in (15, 15, 15, 15, 15, 9):
            try:
                os.killpg(group, signal)
            except ProcessLookupError:
                break
            time.sleep(0.2)
        self.log.close()


class Rgb:
    def __init__(self, png):
        ppm = subprocess.run(["convert", png, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
        header, self.data = ppm.split(b"\n255\n", 1)
        self.width, self.height = (int(n) for n in header.split()[1:3])

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return self.data[i:i + 3]


def within(a, b, box=None):
    """The share of the pixels of box (x0, y0, x1, y1; default all) with every channel within 2 levels."""
    x0, y0, x1, y1 = box or (0, 0, a.width, a.height)
    close = 0
    for y in range(y0, y1):
        pa, pb = (p.data[3 * (y * a.width + x0):3 * (y * a.width + x1)] for p in (a, b))
        close += sum(1 for i in range(0, len(pa), 3) if all(abs(pa[i + k] - pb[i + k]) <= 2 for k in range(3)))
    return close / ((x1 - x0) * (y1 - y0))
