"""A headless Chromium driven over its DevTools pipe: screenshots of viewer pages and printing.

The browser is started once for the whole guide. Each picture waits for the viewer page to report
that it has drawn (body[data-state] = "ready") instead of guessing a time budget, and a viewer that
reports an error stops the build with the viewer's own message rather than putting an error
picture into the manual.
"""

import base64
import json
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time

FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu",
    # WebGL without a GPU: the software renderer.
    "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--no-first-run", "--no-default-browser-check", "--hide-scrollbars", "--mute-audio",
    "--remote-debugging-pipe",
]


class BrowserError(RuntimeError):
    pass


class ViewerError(BrowserError):
    """The page itself failed: trying again would not help."""


class Browser:
    """One Chromium process; commands go in on its fd 3, answers and events come out on fd 4."""

    def __init__(self, executable, log_path=os.devnull, timeout=60.0):
        """Starts Chromium; its own messages go to `log_path`."""
        self.timeout = timeout
        self.profile = tempfile.mkdtemp(prefix="zv-guide-chromium-")
        to_child_r, self.to_child = os.pipe()
        self.from_child, from_child_w = os.pipe()
        # The child expects its pipe ends at fds 3 and 4; move them there before exec.
        fds = (to_child_r, from_child_w)

        def place_pipes():
            # Through fresh copies, in case a pipe end already sits at 3 or 4.
            high = [os.dup(fd) for fd in fds]
            os.dup2(high[0], 3)
            os.dup2(high[1], 4)

        with open(log_path, "ab") as log:
            self.process = subprocess.Popen(
                [executable, *FLAGS, f"--user-data-dir={self.profile}", "about:blank"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                pass_fds=(3, 4), preexec_fn=place_pipes, start_new_session=True)
        os.close(to_child_r)
        os.close(from_child_w)
        self.buffer = b""
        self.next_id = 0

    def close(self):
        try:
            self.command("Browser.close", timeout=10)
        except BrowserError:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            # Only the group this object started: the browser and its helper processes.
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        for fd in (self.to_child, self.from_child):
            os.close(fd)
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _read_message(self, deadline):
        while b"\0" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise BrowserError("Chromium did not answer in time")
            ready, _, _ = select.select([self.from_child], [], [], left)
            if ready:
                chunk = os.read(self.from_child, 1 << 20)
                if not chunk:
                    raise BrowserError("Chromium closed its DevTools pipe")
                self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def command(self, method, params=None, session=None, timeout=None):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        data = json.dumps(message).encode() + b"\0"
        while data:
            try:
                data = data[os.write(self.to_child, data):]
            except BrokenPipeError:
                raise BrowserError("Chromium has stopped") from None
        deadline = time.monotonic() + (timeout or self.timeout)
        while True:
            answer = self._read_message(deadline)
            if answer.get("id") != self.next_id:
                continue  # an event: nothing here waits for events
            if "error" in answer:
                raise BrowserError(f"{method}: {answer['error'].get('message')}")
            return answer.get("result", {})

    def open_page(self, width, height):
        target = self.command("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.command("Target.attachToTarget",
                               {"targetId": target, "flatten": True})["sessionId"]
        page = Page(self, target, session)
        page.command("Page.enable")  # without it, scripts added for new documents do not run
        page.command("Emulation.setDeviceMetricsOverride",
                     {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
        return page


class Page:
    def __init__(self, browser, target, session):
        self.browser, self.target, self.session = browser, target, session

    def command(self, method, params=None, timeout=None):
        return self.browser.command(method, params, self.session, timeout)

    def evaluate(self, expression, await_promise=False):
        result = self.command("Runtime.evaluate", {
            "expression": expression, "returnByValue": True, "awaitPromise": await_promise})
        if "exceptionDetails" in result:
            raise BrowserError(f"script failed: {result['exceptionDetails'].get('text')}")
        return result["result"].get("value")

    def navigate(self, url):
        answer = self.command("Page.navigate", {"url": url})
        if answer.get("errorText"):
            raise BrowserError(f"cannot open {url}: {answer['errorText']}")

    def wait_for(self, expression, what, timeout=None):
        deadline = time.monotonic() + (timeout or self.browser.timeout)
        while time.monotonic() < deadline:
            value = self.evaluate(expression)
            if value:
                return value
            time.sleep(0.05)
        raise BrowserError(f"timed out waiting for {what}")

    def close(self):
        self.browser.command("Target.closeTarget", {"targetId": self.target})


def shoot_viewer(browser, page_file, picture_file, width, height, extra_css):
    """Opens a zvplot viewer page with `extra_css` added, waits until it has drawn and saves a JPEG
    of the view."""
    page = browser.open_page(width, height)
    try:
        # In place before the page's own scripts run, so the first picture drawn is the one to keep.
        page.command("Page.addScriptToEvaluateOnNewDocument", {"source": (
            "document.addEventListener('DOMContentLoaded', () => document.head.insertAdjacentHTML("
            f"'beforeend', {json.dumps(extra_css)}));")})
        page.navigate("file://" + os.path.abspath(page_file))
        state = page.wait_for(
            "document.body && ['ready', 'error'].includes(document.body.dataset.state)"
            " && document.body.dataset.state", f"the viewer of {page_file}")
        if state == "error":
            message = page.evaluate("document.getElementById('message').textContent")
            raise ViewerError(f"{page_file}: the viewer reports: {message}")
        shot = page.command("Page.captureScreenshot", {"format": "jpeg", "quality": 88})
        with open(picture_file, "wb") as f:
            f.write(base64.b64decode(shot["data"]))
    finally:
        page.close()


def print_pdf(browser, html_file, pdf_file, footer_html):
    """Prints a page to PDF on A4 with a page-number footer and an outline from its headings."""
    page = browser.open_page(1200, 1600)
    try:
        page.navigate("file://" + os.path.abspath(html_file))
        page.wait_for("document.readyState === 'complete'", f"{html_file} to load")
        page.evaluate("document.fonts.ready.then(() => true)", await_promise=True)
        mm = 1 / 25.4
        result = page.command("Page.printToPDF", {
            "paperWidth": 210 * mm, "paperHeight": 297 * mm,
            "marginTop": 16 * mm, "marginBottom": 18 * mm,
            "marginLeft": 18 * mm, "marginRight": 18 * mm,
            "printBackground": True, "displayHeaderFooter": True,
            "headerTemplate": "<span></span>", "footerTemplate": footer_html,
            "generateDocumentOutline": True,
        }, timeout=120)
        with open(pdf_file, "wb") as f:
            f.write(base64.b64decode(result["data"]))
    finally:
        page.close()
