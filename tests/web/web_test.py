#!/usr/bin/python3
"""The browser page in headless chromium, against the desktop's bits.

Serves SITE_DIR on a free port of its own, drives chromium through
chromedriver and compares what the page shows and downloads with what
helixor-cli (the native build) draws and writes for the same inputs: the
canvas pixels, the zoom and length texts, the messages of the error dialog
and the standard error box, the BMP, PNG, SVG and function-file bytes.
Also the view buttons, Load FNC, Help and About, the tab order, a long
drawing with its progress and Cancel (with the page's responsiveness
measured), the page offline through its service worker, a 390-pixel
wide screen, and a Draw and a Cancel while the module still loads.

    web_test.py SITE_DIR HELIXOR_CLI [--shots FOLDER]

Each step prints its checks ("ok" / "FAIL") and a PASS or FAIL line, and
leaves a screenshot step-NN-name.png in FOLDER. Exit status 1 on any
failure.
"""
import argparse
import base64
import functools
import http.server
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import traceback

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "desktop"))
from checks import check, failures, wait_for  # noqa: E402

from selenium import webdriver  # noqa: E402
from selenium.webdriver.chrome.service import Service  # noqa: E402
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402

W, H = 600, 451
FIELDS = ("AEdit", "BEdit", "xt", "yt", "zt", "Precission")
HELIX = {"AEdit": "0", "BEdit": "20*pi", "xt": "cos(t)", "yt": "sin(t)", "zt": "t/10",
         "Precission": "2000"}
# Long enough in the browser (about 4 s under Node) to watch its progress
# and to cancel it half-way.
HEAVY = {"AEdit": "0", "BEdit": "2*pi",
         "xt": "(4+sin(20*t))*cos(t)+sqrt(abs(sin(7*t)))/10",
         "yt": "(4+sin(20*t))*sin(t)+sqrt(abs(cos(7*t)))/10",
         "zt": "cos(20*t)+exp(sin(3*t))/10", "Precission": "1000000"}
VIEWS = (("FrontButton", "front", "X", "Y"), ("LeftButton", "left", "Z", "Y"),
         ("BottomButton", "bottom", "X", "Z"), ("Isometric", "isometric", "X", "Y"))
# The desktop window's tab stops, from the About button on.
TAB_ORDER = ("AboutButton", "AEdit", "BEdit", "xt", "yt", "zt", "BmpButton", "Precission",
             "SaveButton", "LoadButton")
BUTTONS = ("DrawButton", "FrontButton", "LeftButton", "BottomButton", "Isometric", "SaveButton",
           "LoadButton", "BmpButton", "ShowButton", "HelpButton", "AboutButton", "PngButton",
           "SvgButton", "CancelButton")
# The largest pause of the page's own timer during a long drawing that
# still counts as answering.
MAX_GAP_MS = 200


# ---------------------------------------------------------------- serving

class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{".wasm": "application/wasm", ".js": "text/javascript",
                             ".webmanifest": "application/manifest+json",
                             ".fnc": "application/octet-stream"})

    def log_message(self, *args):
        pass

    def do_GET(self):
        # A slow network where the server asks for one: the module's .wasm
        # comes late.
        if self.path.endswith(".wasm"):
            time.sleep(getattr(self.server, "slow_wasm", 0))
        try:
            super().do_GET()
        except (BrokenPipeError, ConnectionResetError):
            pass  # a worker stopped while its .wasm was on the way


class Server:
    """SITE_DIR over HTTP on 127.0.0.1 (a secure context, as the service
    worker needs), in a thread; stopped and started again on the same port."""

    def __init__(self, site, port=0, slow_wasm=0):
        self.site = site
        self.httpd = http.server.ThreadingHTTPServer(
            ("127.0.0.1", port), functools.partial(QuietHandler, directory=site))
        self.httpd.slow_wasm = slow_wasm
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def stop(self):
        if self.httpd:
            self.httpd.shutdown()
            self.httpd.server_close()
            self.httpd = None

    @property
    def url(self):
        return f"http://127.0.0.1:{self.port}/"


# ---------------------------------------------------------------- desktop side

class Cli:
    """helixor-cli render of a set of fields: its report lines and its
    picture bytes, kept by their inputs."""

    def __init__(self, program, work):
        self.program, self.work, self.cache = program, work, {}

    def render(self, fields, view="isometric", ext="bmp"):
        key = (tuple(sorted(fields.items())), view, ext)
        if key not in self.cache:
            out = os.path.join(self.work, f"cli-{len(self.cache)}.{ext}")
            cmd = [self.program, "render", "--view", view, "-o", out]
            for name, text in fields.items():
                cmd += ["--set", f"{name}={text}"]
            done = subprocess.run(cmd, capture_output=True, text=True, timeout=120)
            if done.returncode not in (0, 1):
                raise RuntimeError(f"{' '.join(cmd)}: {done.returncode} {done.stderr}")
            lines = {}
            for line in done.stdout.splitlines():
                name, _, text = line.partition(": ")
                lines.setdefault(name, text)
            with open(out, "rb") as f:
                self.cache[key] = (lines, f.read())
        return self.cache[key]

    def rgb(self, fields, view="isometric"):
        lines, bmp = self.render(fields, view)
        return lines, bmp_rgb(bmp)


def bmp_rgb(data):
    """The 8-bit BMP as top-down RGB bytes: 14 + 40 bytes of headers, a
    BGRA colour table of 256 entries, rows bottom-up of 600 bytes."""
    offset = int.from_bytes(data[10:14], "little")
    table = data[54:54 + 1024]
    rgb_of = [bytes((table[4 * i + 2], table[4 * i + 1], table[4 * i])) for i in range(256)]
    out = bytearray()
    for row in range(H - 1, -1, -1):
        start = offset + row * W
        out += b"".join(rgb_of[i] for i in data[start:start + W])
    return bytes(out)


def compare_rgb(shown, wanted):
    """None when equal, else how they differ."""
    if shown is None:
        return "no picture read"
    if len(shown) != len(wanted):
        return f"{len(shown)} bytes against {len(wanted)}"
    if shown == wanted:
        return None
    bad = [i // 3 for i in range(0, len(wanted), 3) if shown[i:i + 3] != wanted[i:i + 3]]
    first = bad[0]
    return (f"{len(bad)} pixel(s) differ, the first at ({first % W}, {first // W}): "
            f"{tuple(shown[3 * first:3 * first + 3])} against {tuple(wanted[3 * first:3 * first + 3])}")


# ---------------------------------------------------------------- the page

# The canvas is copied into a scratch canvas of the test's own and read
# there: reading the page's canvas again and again would make chromium warn
# on the console, which the test counts against the page.
READ_CANVAS = """
const c = document.getElementById('Graph');
if (!c || c.width !== 600 || c.height !== 451) return null;
if (!window.__scratch) {
  window.__scratch = document.createElement('canvas');
  window.__scratch.width = 600; window.__scratch.height = 451;
}
const copy = window.__scratch.getContext('2d', {willReadFrequently: true});
copy.clearRect(0, 0, 600, 451);
copy.drawImage(c, 0, 0);
const d = copy.getImageData(0, 0, 600, 451).data;
const rgb = new Uint8Array(600 * 451 * 3);
for (let i = 0, j = 0; i < d.length; i += 4, j += 3) { rgb[j] = d[i]; rgb[j + 1] = d[i + 1]; rgb[j + 2] = d[i + 2]; }
let s = '';
for (let i = 0; i < rgb.length; i += 0x8000) s += String.fromCharCode.apply(null, rgb.subarray(i, i + 0x8000));
return btoa(s);
"""

# Ticks of the page's own timer while a drawing runs: the largest gap
# between two is how long the page did not answer. The progress texts are
# read at each tick too.
START_PROBE = """
const p = window.__probe = {max: 0, ticks: 0, last: performance.now(), progress: [], stop: false,
                            keyDelay: 0, keys: 0, long: []};
p.start = p.last;
// How long a key waited before the page handled it.
document.addEventListener('keydown', e => {
  if (!p.stop) { p.keyDelay = Math.max(p.keyDelay, performance.now() - e.timeStamp); p.keys++; }
}, true);
const tick = () => {
  const now = performance.now();
  if (now - p.last > 50) p.long.push([Math.round(now - p.start), Math.round(now - p.last)]);
  p.max = Math.max(p.max, now - p.last); p.last = now; p.ticks++;
  const bar = document.getElementById('Progress'), text = document.getElementById('ProgressText');
  const seen = (bar ? String(bar.value) : '') + ' | ' + (text ? text.textContent : '');
  if (p.progress[p.progress.length - 1] !== seen) p.progress.push(seen);
  if (!p.stop) setTimeout(tick, 10);
};
setTimeout(tick, 10);
"""


class Page:
    def __init__(self, driver, server, shots):
        self.driver, self.server, self.shots = driver, server, shots
        self.console = []

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def el(self, id_):
        return self.driver.find_element(By.ID, id_)

    def state(self):
        return self.js("return document.body ? [document.body.dataset.state, "
                       "document.body.dataset.draws] : [null, null]")

    def draws(self):
        value = self.state()[1]
        return int(value) if value is not None and value.isdigit() else None

    def load(self, timeout=30):
        self.driver.get(self.server.url)
        return wait_for(lambda: self.state()[0] == "ready", timeout=timeout)

    def logs(self):
        """The console lines since the last call, kept for the run."""
        new = self.driver.get_log("browser")
        self.console += new
        return new

    def shot(self, number, name, clip=None):
        if not self.shots:
            return
        path = os.path.join(self.shots, f"step-{number:02d}-{name}.png")
        if clip is None:
            self.driver.save_screenshot(path)
            return
        data = self.driver.execute_cdp_cmd("Page.captureScreenshot", {"format": "png", "clip": clip})["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def canvas(self):
        data = self.js(READ_CANVAS)
        return base64.b64decode(data) if data else None

    def text(self, id_):
        return self.js("const e = document.getElementById(arguments[0]); "
                       "return e ? e.textContent : null", id_)

    def value(self, id_):
        return self.js("return document.getElementById(arguments[0]).value", id_)

    def type_into(self, id_, text):
        """Clicks the field (a placeholder empties itself), takes away what
        is left and types the text."""
        field = self.el(id_)
        field.click()
        field.send_keys(Keys.CONTROL, "a")
        field.send_keys(Keys.DELETE)
        field.send_keys(text)
        return self.value(id_) == text

    def fill(self, fields):
        for name in FIELDS:
            if name in fields:
                self.type_into(name, fields[name])
        shown = {name: self.value(name) for name in fields}
        check(shown == fields, "the fields read what was typed"
              + ("" if shown == fields else f" ({shown})"))

    def wait_drawn(self, before, timeout=30):
        """The draw counter past before and the page ready again."""
        return wait_for(lambda: (lambda s: s[0] == "ready" and s[1] is not None and s[1].isdigit()
                                 and int(s[1]) > before)(self.state()), timeout=timeout)

    def no_draw(self, before, wait=1.0):
        """Whether the counter stays at before and no drawing starts within
        wait seconds (a redraw would start at once)."""
        changed = wait_for(lambda: (lambda s: s[0] != "ready" or s[1] != str(before))(self.state()),
                           timeout=wait)
        return not changed

    def enter_in_zt(self):
        self.el("zt").send_keys(Keys.ENTER)

    def is_open(self, id_):
        return self.js("const d = document.getElementById(arguments[0]); return !!(d && d.open)", id_)

    def clear_downloads(self, folder):
        for name in os.listdir(folder):
            os.remove(os.path.join(folder, name))

    def download(self, button, folder, timeout=20):
        """Clicks button and waits for one finished file in the empty download
        folder: (name, bytes) or (None, None)."""
        self.clear_downloads(folder)
        self.el(button).click()

        def finished():
            names = os.listdir(folder)
            done = [n for n in names if not n.endswith(".crdownload") and not n.startswith(".")]
            if len(done) == 1 and len(names) == 1:
                path = os.path.join(folder, done[0])
                size = os.path.getsize(path)
                time.sleep(0.05)  # the file is renamed when complete; make sure it settled
                if size == os.path.getsize(path) and size > 0:
                    return done[0]
            return None
        name = wait_for(finished, timeout=timeout)
        if not name:
            return None, None
        with open(os.path.join(folder, name), "rb") as f:
            return name, f.read()


def console_problems(entries):
    return [e for e in entries if e.get("level") in ("SEVERE", "WARNING")]


def compare_canvas(page, cli, fields, view, what):
    lines, wanted = cli.rgb(fields, view)
    problem = compare_rgb(page.canvas(), wanted)
    check(problem is None, f"{what}: the canvas equals helixor-cli render --view {view}"
          + (f" ({problem})" if problem else ""))
    return lines


def compare_labels(page, lines, what):
    for id_, key in (("ZoomLabel", "zoom"), ("LengthLabel", "length")):
        shown = page.text(id_)
        check(shown == lines.get(key), f"{what}: {id_} reads {shown!r}, helixor-cli {lines.get(key)!r}")


# ---------------------------------------------------------------- the steps

def step_load(page, cli, ctx):
    ready = page.load()
    check(bool(ready), f"the page reaches data-state=ready (state {page.state()})")
    if not ready:
        return
    check(page.draws() == 0, f"data-draws starts at \"0\" ({page.state()[1]!r})")
    # Let late messages (the service worker's registration, the module)
    # reach the console before it is read.
    page.js("return navigator.serviceWorker && navigator.serviceWorker.ready ? 1 : 0")
    time.sleep(0.5)
    problems = console_problems(page.logs())
    check(not problems, "no console error or warning"
          + "".join(f"\n      {p['level']}: {p['message']}" for p in problems))
    initial = {"AEdit": "         a", "BEdit": "         b", "xt": "      x(t)",
               "yt": "      y(t)", "zt": "      z(t)", "Precission": "100"}
    for name, text in initial.items():
        check(page.value(name) == text, f"{name} starts with {text!r} ({page.value(name)!r})")
    for id_ in BUTTONS:
        check(bool(page.js("return !!document.getElementById(arguments[0])", id_)),
              f"the page has #{id_}")
    check(bool(page.js("const c = document.getElementById('CancelButton'); return c && c.disabled")),
          "Cancel is disabled while nothing is drawn")
    # The graph window starts with the bare 3-D background and its labels
    # as created: the initial fields draw nothing but that background.
    lines, wanted = cli.rgb({})
    problem = compare_rgb(page.canvas(), wanted)
    check(problem is None, "the canvas starts with the 3-D background" + (f" ({problem})" if problem else ""))
    check(page.text("ZoomLabel") == "Zoom  :", f"ZoomLabel starts as 'Zoom  :' ({page.text('ZoomLabel')!r})")
    check(page.text("LengthLabel") == "Length :",
          f"LengthLabel starts as 'Length :' ({page.text('LengthLabel')!r})")


def active_id(page):
    return page.js("return document.activeElement && document.activeElement.id")


def tab(page):
    ActionChains(page.driver).send_keys(Keys.TAB).perform()


def step_helix(page, cli, ctx):
    # A field that shows its placeholder empties itself when entered and
    # takes it back when left empty.
    page.js("document.getElementById('AboutButton').focus()")
    tab(page)
    entered = (active_id(page), page.value("AEdit"))
    tab(page)
    left = (page.value("AEdit"), active_id(page), page.value("BEdit"))
    check(entered == ("AEdit", "") and left == ("         a", "BEdit", ""),
          f"Tab into a: it empties ({entered}); Tab on: it shows '         a' again, b empties ({left})")
    # The picture is shown at its own size, not resampled.
    size = page.js("const r = document.getElementById('Graph').getBoundingClientRect(); "
                   "return [r.width, r.height, window.devicePixelRatio]")
    check(size == [600, 451, 1], f"the canvas is shown at 600 x 451 CSS pixels, ratio 1 ({size})")

    page.fill(HELIX)
    before = page.draws()
    page.el("xt").send_keys(Keys.ENTER)
    check(page.no_draw(before, wait=0.5), "Enter in x(t) does not draw")
    page.enter_in_zt()
    check(bool(page.wait_drawn(before)), f"Enter in z(t) draws (data-draws {before} -> {page.draws()})")
    lines = compare_canvas(page, cli, HELIX, "isometric", "the helix")
    compare_labels(page, lines, "the helix")


def step_views(page, cli, ctx):
    for button, view, x, y in VIEWS:
        before = page.draws()
        page.el(button).click()
        check(bool(page.wait_drawn(before)), f"{button} redraws (data-draws {before} -> {page.draws()})")
        lines = compare_canvas(page, cli, HELIX, view, button)
        compare_labels(page, lines, button)
        letters = (page.text("XLabel"), page.text("YLabel"))
        check(letters == (x, y), f"{button}: the axis letters read {letters}, the desktop {(x, y)}")
        z_shown = page.el("ZLabel").is_displayed()
        check(z_shown == (view == "isometric"),
              f"{button}: the Z letter is {'shown' if z_shown else 'hidden'}")


def step_edit_then_view(page, cli, ctx):
    # After an edit of an expression a view button only switches the view:
    # a clean background and bare labels, no drawing.
    page.type_into("xt", "cos(t)*2")
    before = page.draws()
    page.el("FrontButton").click()
    check(page.no_draw(before), f"an edit of x(t), then Front: no drawing (data-draws {page.state()})")
    _, background = cli.rgb({"AEdit": "abc"}, "front")
    problem = compare_rgb(page.canvas(), background)
    check(problem is None, "an edit, then Front: the canvas shows the bare 2-D background"
          + (f" ({problem})" if problem else ""))
    check((page.text("ZoomLabel"), page.text("LengthLabel")) == ("Zoom :", "Length :"),
          f"an edit, then Front: the labels read {page.text('ZoomLabel')!r}, {page.text('LengthLabel')!r}")
    # The edit back is an edit too: still nothing is drawn.
    page.type_into("xt", HELIX["xt"])
    before = page.draws()
    page.el("Isometric").click()
    check(page.no_draw(before), "x(t) typed back, then Isometric: still no drawing")

    # An edit of the sample count leaves the drawing in force: the next view
    # redraws with the new count.
    before = page.draws()
    page.el("DrawButton").click()
    check(bool(page.wait_drawn(before)), "Draw ! draws again")
    page.type_into("Precission", "500")
    before = page.draws()
    page.el("LeftButton").click()
    check(bool(page.wait_drawn(before)), "an edit of the sample count, then Left: redrawn")
    fields = dict(HELIX, Precission="500")
    lines = compare_canvas(page, cli, fields, "left", "500 samples, Left")
    compare_labels(page, lines, "500 samples, Left")
    page.type_into("Precission", HELIX["Precission"])
    before = page.draws()
    page.el("Isometric").click()
    page.wait_drawn(before)


def close_dialog(page, dialog, button):
    page.el(button).click()
    return wait_for(lambda: not page.is_open(dialog), timeout=5)


def step_errors(page, cli, ctx):
    for field, bad, dialog, text_id, ok, kind in (
            ("AEdit", "abc", "ErrorDialog", "ErrorDialogText", "ErrorDialogOk", "error-dialog"),
            ("Precission", "abc", "ErrorBox", "ErrorBoxText", "ErrorBoxOk", "error-box")):
        fields = dict(HELIX, **{field: bad})
        lines, wanted = cli.rgb(fields)
        page.type_into(field, bad)
        before = page.draws()
        page.enter_in_zt()
        opened = wait_for(lambda: page.is_open(dialog), timeout=15)
        check(bool(opened), f"{field}={bad!r}: #{dialog} opens")
        if opened:
            page.shot(5, f"{dialog.lower()}")
            shown = page.text(text_id)
            check(shown == lines.get(kind),
                  f"{field}={bad!r}: #{text_id} reads {shown!r}, helixor-cli {kind}: {lines.get(kind)!r}")
            check(bool(page.js("return document.getElementById(arguments[0]).matches(':modal')", dialog)),
                  f"#{dialog} is modal")
            if dialog == "ErrorBox":
                caption = page.js("const d = document.getElementById('ErrorBox'); "
                                  "return d.textContent.replace(document.getElementById('ErrorBoxText')"
                                  ".textContent, '')")
                check("Helixor" in (caption or ""), f"#ErrorBox carries the caption Helixor ({caption!r})")
            check(bool(close_dialog(page, dialog, ok)), f"#{ok} closes #{dialog}")
        check(bool(page.wait_drawn(before, timeout=10)),
              f"{field}={bad!r}: the command ends (data-draws {before} -> {page.draws()})")
        # The command stops after the picture was reset to its background.
        problem = compare_rgb(page.canvas(), wanted)
        check(problem is None, f"{field}={bad!r}: the canvas equals helixor-cli's picture"
              + (f" ({problem})" if problem else ""))
        page.type_into(field, HELIX[field])
    before = page.draws()
    page.enter_in_zt()
    page.wait_drawn(before)


def step_downloads(page, cli, ctx):
    folder = ctx["downloads"]
    wanted_fnc = "".join(f"{n}={HELIX[n]}\r\n" for n in FIELDS).encode("latin-1")
    name, data = page.download("SaveButton", folder)
    check(name == "helixor.fnc", f"Save FNC downloads helixor.fnc ({name})")
    check(data == wanted_fnc, f"Save FNC: the desktop's bytes ({data!r})")
    if data:
        ctx["helix.fnc"] = os.path.join(ctx["work"], "helix-saved.fnc")
        with open(ctx["helix.fnc"], "wb") as f:
            f.write(data)

    _, bmp = cli.render(HELIX, "isometric", "bmp")
    name, data = page.download("BmpButton", folder)
    check(name == "helixor.bmp", f"Save BMP downloads helixor.bmp ({name})")
    check(data == bmp, f"Save BMP: helixor-cli's bytes ({None if data is None else len(data)} bytes, "
          f"{len(bmp)} wanted)")

    name, data = page.download("PngButton", folder)
    check(name == "helixor.png", f"Save PNG downloads helixor.png ({name})")
    if data:
        import io
        from PIL import Image
        try:
            image = Image.open(io.BytesIO(data)).convert("RGB")
            problem = compare_rgb(image.tobytes() if image.size == (W, H) else None, bmp_rgb(bmp))
            check(image.size == (W, H) and problem is None,
                  f"Save PNG: {image.size[0]} x {image.size[1]}, the picture's pixels"
                  + (f" ({problem})" if problem else ""))
        except OSError as error:
            check(False, f"Save PNG: the file decodes ({error})")

    _, svg = cli.render(HELIX, "isometric", "svg")
    name, data = page.download("SvgButton", folder)
    check(name == "helixor.svg", f"Save SVG downloads helixor.svg ({name})")
    check(data == svg, f"Save SVG: helixor-cli's bytes ({None if data is None else len(data)} bytes, "
          f"{len(svg)} wanted)")

    # A text beyond ASCII is written in Latin-1, one byte a character, and
    # one beyond Latin-1 as "?", as the desktop writes it.
    page.type_into("yt", "sin(t)*\u00e9\u20ac")
    name, data = page.download("SaveButton", folder)
    wanted = wanted_fnc.replace(b"yt=sin(t)\r\n", b"yt=sin(t)*\xe9?\r\n")
    check(data == wanted, f"Save FNC of a text with \u00e9 and \u20ac: Latin-1 bytes ({data!r})")
    if data:
        ctx["latin1.fnc"] = os.path.join(ctx["work"], "latin1.fnc")
        with open(ctx["latin1.fnc"], "wb") as f:
            f.write(data)
    page.type_into("yt", HELIX["yt"])


def load_file(page, path, fields, what):
    page.el("LoadInput").send_keys(path)
    loaded = wait_for(lambda: all(page.value(n) == t for n, t in fields.items()), timeout=10)
    shown = {n: page.value(n) for n in FIELDS}
    check(bool(loaded), f"{what}: the fields read the file ({shown})")


# A drop of a file as a user's would arrive: dragenter, dragover and drop
# on the page's body, with the file in the DataTransfer.
DROP_FILE = """
const bytes = Uint8Array.from(atob(arguments[1]), c => c.charCodeAt(0));
const data = new DataTransfer();
data.items.add(new File([bytes], arguments[0], {type: ''}));
const target = document.elementFromPoint(innerWidth / 2, innerHeight / 2) || document.body;
for (const type of ['dragenter', 'dragover', 'drop'])
  target.dispatchEvent(new DragEvent(type, {bubbles: true, cancelable: true, dataTransfer: data}));
"""


def step_load_fnc(page, cli, ctx):
    other = {"AEdit": "1", "BEdit": "2", "xt": "t", "yt": "t*t", "zt": "-t", "Precission": "42"}
    page.fill(other)
    if "latin1.fnc" in ctx:
        load_file(page, ctx["latin1.fnc"], dict(HELIX, yt="sin(t)*\u00e9?"), "Load FNC of Latin-1 bytes")
    if "helix.fnc" not in ctx:
        check(False, "Load FNC: no downloaded function file to load")
        return
    # Under a name of its own, which the next Save FNC proposes.
    named = os.path.join(ctx["work"], "my helix.fnc")
    shutil.copy(ctx["helix.fnc"], named)
    load_file(page, named, HELIX, "Load FNC of the downloaded file")
    before = page.draws()
    page.el("DrawButton").click()
    check(bool(page.wait_drawn(before)), "Draw ! after Load FNC draws")
    compare_canvas(page, cli, HELIX, "isometric", "the loaded helix")
    name, data = page.download("SaveButton", ctx["downloads"])
    with open(named, "rb") as f:
        check(name == "my helix.fnc" and data == f.read(),
              f"Save FNC after loading 'my helix.fnc' downloads that name with its bytes ({name})")

    # A file dropped anywhere on the page loads as well.
    page.fill(dict(HELIX, AEdit="7"))
    page.js(DROP_FILE, "dropped.fnc", base64.b64encode(
        "".join(f"{n}={t}\r\n" for n, t in dict(HELIX, AEdit="-1").items()).encode()).decode())
    dropped = wait_for(lambda: page.value("AEdit") == "-1", timeout=10)
    check(bool(dropped), f"a .fnc file dropped on the page loads (a reads {page.value('AEdit')!r})")
    page.fill(HELIX)

    # A line naming another control of the window is a fault of the file:
    # the standard error box with the desktop's text.
    bad = os.path.join(ctx["work"], "bad.fnc")
    with open(bad, "wb") as f:
        f.write(b"AEdit=5\r\nDrawButton=x\r\n")
    done = subprocess.run([cli.program, "render", bad, "-o", os.path.join(ctx["work"], "bad.bmp")],
                          capture_output=True, text=True, timeout=60)
    wanted = next((line.partition(": ")[2] for line in (done.stdout + done.stderr).splitlines()
                   if line.startswith("error-box: ")), None)
    page.el("LoadInput").send_keys(bad)
    opened = wait_for(lambda: page.is_open("ErrorBox"), timeout=10)
    check(bool(opened), "Load FNC of a file with a line DrawButton=: #ErrorBox opens")
    if opened:
        shown = page.text("ErrorBoxText")
        check(wanted is not None and shown == wanted,
              f"Load FNC of a bad line: #ErrorBoxText reads {shown!r}, helixor-cli {wanted!r}")
        close_dialog(page, "ErrorBox", "ErrorBoxOk")
    check(page.value("AEdit") == "5", f"the lines before the bad one are applied (a reads {page.value('AEdit')!r})")
    page.fill(HELIX)


def close_all_dialogs(page):
    """Closes what a failed check left open, so that the next checks can
    reach the controls; says which ones."""
    left = page.js("const open = [...document.querySelectorAll('dialog[open]')]; "
                   "open.forEach(d => d.close()); return open.map(d => d.id)")
    if left:
        print(f"note  closed what was left open: {left}", flush=True)


def help_text(page):
    return page.js("""
const d = document.getElementById('HelpDialog');
let t = d.innerText || '';
for (const f of d.querySelectorAll('iframe')) {
  try { t += ' ' + f.contentDocument.body.innerText; } catch (e) {}
}
return t;""")


def step_help_about(page, cli, ctx):
    for opener, dialog, closer, phrase in (
            ("HelpButton", "HelpDialog", "HelpClose", "draws 3D functions given with three real functions"),
            ("AboutButton", "AboutDialog", "OkButton", "v 1.0 - 21.09.03")):
        for how in (closer, "Escape"):
            page.el(opener).click()
            opened = wait_for(lambda: page.is_open(dialog), timeout=10)
            check(bool(opened), f"{opener} opens #{dialog}")
            if not opened:
                continue
            if how == closer:
                page.shot(8, dialog.lower())
                text = wait_for(lambda: phrase in (help_text(page) if dialog == "HelpDialog"
                                                   else page.text(dialog) or ""), timeout=10)
                check(bool(text), f"#{dialog} shows {phrase!r}")
                page.el(closer).click()
            else:
                ActionChains(page.driver).send_keys(Keys.ESCAPE).perform()
            closed = wait_for(lambda: not page.is_open(dialog), timeout=5)
            check(bool(closed), f"{how} closes #{dialog}")
            if not closed:
                close_all_dialogs(page)


def step_tab_order(page, cli, ctx):
    page.js("document.getElementById('AboutButton').focus()")
    walked = [active_id(page)]
    for _ in range(len(TAB_ORDER) + 3):
        tab(page)
        walked.append(active_id(page))
    check(tuple(walked[:len(TAB_ORDER)]) == TAB_ORDER,
          f"Tab walks {' '.join(map(str, walked[:len(TAB_ORDER)]))}; the desktop {' '.join(TAB_ORDER)}")
    print(f"info  after Load FNC, Tab goes on to {walked[len(TAB_ORDER):]}", flush=True)
    # The walk passes the fields with real texts: none is changed by it.
    shown = {n: page.value(n) for n in FIELDS}
    check(shown == HELIX, f"the fields keep their texts through the walk ({shown})")


def step_long_drawing(page, cli, ctx):
    page.fill(HEAVY)
    page.js(START_PROBE)
    before = page.draws()
    page.el("DrawButton").click()
    drawing = wait_for(lambda: page.state()[0] == "drawing", timeout=10)
    check(bool(drawing), f"data-state becomes drawing ({page.state()})")
    check(bool(page.js("return !document.getElementById('CancelButton').disabled")),
          "Cancel is enabled while drawing")
    started = time.monotonic()
    moved = wait_for(lambda: len(page.js("return window.__probe.progress")) >= 3
                     or page.state()[0] != "drawing", timeout=20)
    # Typing while it draws, a key at a time for a second and a half or
    # until 40 % are drawn, whichever comes first: the keys reach the field
    # at once, and a round trip into the page is answered.
    field = page.el("xt")
    field.click()
    field.send_keys(Keys.END)
    typed_ms, round_ms, added = [], [], ""
    while True:
        t0 = time.monotonic()
        field.send_keys("0" if added else "+")
        typed_ms.append((time.monotonic() - t0) * 1000)
        added += "0" if added else "+"
        t0 = time.monotonic()
        done = page.js("const p = document.getElementById('Progress'); return p ? p.value / (p.max || 1) : 1")
        round_ms.append((time.monotonic() - t0) * 1000)
        if time.monotonic() - started >= 1.5 or done >= 0.4 or page.state()[0] != "drawing":
            break
        time.sleep(0.1)
    still = page.state()[0] == "drawing"
    typed = page.value("xt")
    # The measurement ends before the screenshot, which holds up the page
    # while it is taken.
    probe = page.js("window.__probe.stop = true; return window.__probe")
    page.shot(10, "progress")
    check(typed == HEAVY["xt"] + added, f"text typed during the drawing appears ({typed!r}; "
          f"{len(typed_ms)} keys sent, each in at most {max(typed_ms):.0f} ms through the driver; "
          f"script round trips at most {max(round_ms):.0f} ms)")
    check(still, "the drawing was still running after the typing (else the typing proves nothing)")
    t0 = time.monotonic()
    page.el("CancelButton").click()
    back = wait_for(lambda: page.state()[0] == "ready", timeout=5, step=0.02)
    cancel_s = time.monotonic() - t0
    progress = probe["progress"]
    print(f"info  during the drawing: {probe['ticks']} timer ticks in {probe['last'] - probe['start']:.0f} ms, "
          f"largest gap {probe['max']:.1f} ms, gaps over 50 ms (at ms, length): {probe['long']}; "
          f"progress seen: {progress[:4]}{' ...' if len(progress) > 4 else ''}", flush=True)
    check(bool(moved) and len(progress) >= 3,
          f"Progress/ProgressText change at least twice ({len(progress) - 1} change(s))")
    check(probe["max"] < MAX_GAP_MS, f"the page answers: its timer's largest gap {probe['max']:.1f} ms "
          f"(under {MAX_GAP_MS} ms)")
    check(probe["keys"] > 0 and probe["keyDelay"] < MAX_GAP_MS,
          f"the page answers: {probe['keys']} key(s) waited at most {probe['keyDelay']:.1f} ms "
          f"(under {MAX_GAP_MS} ms)")
    check(bool(back) and cancel_s <= 1.0, f"Cancel: ready again in {cancel_s:.2f} s")
    check(page.draws() == before + 1, f"Cancel counts as one drawing command (data-draws {before} -> "
          f"{page.draws()})")
    check(bool(page.js("return document.getElementById('CancelButton').disabled")),
          "Cancel is disabled again")
    check(page.value("xt") == HEAVY["xt"] + added, "the typed text stays after Cancel")
    # A cancelled drawing is not a completed one: a view does not redraw.
    before = page.draws()
    page.el("Isometric").click()
    check(page.no_draw(before), "after Cancel a view button does not redraw")
    page.fill(HELIX)
    before = page.draws()
    page.enter_in_zt()
    check(bool(page.wait_drawn(before)), "a small drawing after Cancel")
    lines = compare_canvas(page, cli, HELIX, "isometric", "the helix after Cancel")
    compare_labels(page, lines, "the helix after Cancel")


def step_offline(page, cli, ctx):
    # Wait for the worker to take over, then reload: the page is controlled.
    page.js("return 0")
    active = page.driver.execute_async_script("""
const done = arguments[arguments.length - 1];
if (!('serviceWorker' in navigator)) { done(false); return; }
const timer = setTimeout(() => done(false), 15000);
navigator.serviceWorker.ready.then(r => { clearTimeout(timer); done(!!r.active); });""")
    check(bool(active), "a service worker is active after the first visit")
    ready = page.load()
    controlled = page.js("return !!(navigator.serviceWorker && navigator.serviceWorker.controller)")
    check(bool(ready) and bool(controlled), "after a reload navigator.serviceWorker.controller is set")
    # Installable: a manifest whose icons are there.
    manifest = page.driver.execute_async_script("""
const done = arguments[arguments.length - 1];
(async () => {
  const link = document.querySelector('link[rel=manifest]');
  if (!link) return {error: 'no link rel=manifest'};
  const m = await (await fetch(link.href)).json();
  const icons = [];
  for (const i of m.icons || [])
    icons.push([i.src, i.sizes, (await fetch(new URL(i.src, link.href))).ok]);
  return {name: m.name, icons};
})().then(done, e => done({error: String(e)}));""")
    check(bool(manifest) and "error" not in manifest and manifest.get("icons")
          and all(ok for _, _, ok in manifest["icons"]) and "Helixor" in (manifest.get("name") or ""),
          f"the web app manifest names Helixor and its icons are there ({manifest})")
    page.server.stop()
    try:
        ready = page.load(timeout=15)
        check(bool(ready), f"with the server stopped the page loads (state {page.state()})")
        if ready:
            page.fill(HELIX)
            before = page.draws()
            page.enter_in_zt()
            check(bool(page.wait_drawn(before)), "offline: Enter in z(t) draws")
            lines = compare_canvas(page, cli, HELIX, "isometric", "offline")
            compare_labels(page, lines, "offline")
    finally:
        page.shot(11, "offline")
        page.server = Server(page.server.site, page.server.port)
        if page.state()[0] != "ready":
            page.load()


def step_narrow(page, cli, ctx):
    wide = [i for i in FIELDS + BUTTONS + ("Graph",)
            if page.js("const e = document.getElementById(arguments[0]); "
                       "return !!e && e.getClientRects().length > 0", i)]
    # A phone's screen: 390 CSS pixels wide, with the page's viewport rule.
    page.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                {"width": 390, "height": 844, "deviceScaleFactor": 1, "mobile": True})
    try:
        wait_for(lambda: page.js("return window.innerWidth") == 390, timeout=5)
        width = page.js("return [window.innerWidth, document.documentElement.scrollWidth]")
        check(width[1] <= 390, f"390 pixels wide: no sideways scrolling (inner width {width[0]}, "
              f"scroll width {width[1]})")
        unreachable = []
        for id_ in wide:
            where = page.js("""
const e = document.getElementById(arguments[0]);
e.scrollIntoView({block: 'center', inline: 'nearest'});
const r = e.getBoundingClientRect();
const x = r.left + r.width / 2, y = r.top + r.height / 2;
const hit = document.elementFromPoint(x, y);
return {left: r.left, right: r.right, top: r.top, bottom: r.bottom,
        hit: !!hit && (hit === e || e.contains(hit) || (hit.htmlFor === e.id)),
        visible: getComputedStyle(e).visibility !== 'hidden'};""", id_)
            if not (where["left"] >= 0 and where["right"] <= 390.5 and where["hit"] and where["visible"]
                    and where["bottom"] > where["top"]):
                unreachable.append(f"{id_} {where}")
        check(not unreachable, f"390 pixels wide: all {len(wide)} controls reachable"
              + "".join(f"\n      {u}" for u in unreachable))
        page.js("window.scrollTo(0, 0)")
        # Of the emulated screen alone: a plain screenshot shows the window.
        page.shot(12, "narrow-390", clip={"x": 0, "y": 0, "width": 390, "height": 844, "scale": 1})
    finally:
        page.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})


# Records each change of data-state and data-draws from the page's start on.
RECORD_STATES = """
window.__states = [];
new MutationObserver(() => window.__states.push([document.body.dataset.state, document.body.dataset.draws]))
  .observe(document.body, {attributes: true, attributeFilter: ['data-state', 'data-draws']});
"""


def step_slow_start(page, cli, ctx):
    """A Draw asked for while the module still loads (its .wasm held back
    by the server, each time on an origin of its own so that no service
    worker serves it): it runs once the module is up, data-state reads
    drawing until it ends, and a Cancel meanwhile leaves a page that draws."""
    fields = dict(HELIX, Precission="500")
    for cancel in (False, True):
        what = "Cancel while loading" if cancel else "Draw while loading"
        slow = Server(page.server.site, slow_wasm=2.5)
        try:
            page.driver.get(slow.url)
            page.js(RECORD_STATES)
            page.js("for (const [k, v] of Object.entries(arguments[0])) { const e = document.getElementById(k); "
                    "e.value = v; e.dispatchEvent(new Event('input')); }", fields)
            loading = page.state()[0] == "loading"
            page.el("DrawButton").click()
            if cancel:
                page.el("CancelButton").click()
            check(loading, f"{what}: the module was still loading when Draw was clicked")
            if cancel:
                check(bool(wait_for(lambda: page.js("return window.__states.some(s => s[0] === 'ready')"),
                                    timeout=20)), f"{what}: the module comes up")
                before = page.draws()
                page.el("DrawButton").click()
            else:
                before = 0
            drawn = page.wait_drawn(before, timeout=20)
            states = page.js("return window.__states")
            check(bool(drawn), f"{what}: the drawing ends ({page.state()})")
            early = [s for s in states if s[0] == "ready" and int(s[1]) <= before and not cancel]
            check(not early, f"{what}: no data-state ready before the drawing ends ({states})")
            open_ = [d for d in ("ErrorDialog", "ErrorBox") if page.is_open(d)]
            check(not open_, f"{what}: no message ({[page.text(d + 'Text') for d in open_]})")
            lines = compare_canvas(page, cli, fields, "isometric", what)
            compare_labels(page, lines, what)
        finally:
            close_all_dialogs(page)
            slow.stop()
    page.load()


STEPS = (("load", step_load), ("helix", step_helix), ("views", step_views),
         ("edit-then-view", step_edit_then_view), ("errors", step_errors),
         ("downloads", step_downloads), ("load-fnc", step_load_fnc), ("help-about", step_help_about),
         ("tab-order", step_tab_order), ("long-drawing", step_long_drawing),
         ("offline", step_offline), ("narrow", step_narrow), ("slow-start", step_slow_start))


def start_chromium(downloads, log_dir):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for arg in ("--headless=new", "--no-sandbox", "--window-size=1400,900", "--disable-gpu",
                "--disable-dev-shm-usage", "--no-first-run", "--no-default-browser-check",
                "--disable-extensions", "--hide-scrollbars", "--force-color-profile=srgb",
                f"--user-data-dir={os.path.join(log_dir, 'profile')}"):
        options.add_argument(arg)
    options.add_experimental_option("prefs", {
        "download.default_directory": downloads, "download.prompt_for_download": False,
        "download.directory_upgrade": True, "safebrowsing.enabled": False,
        "profile.default_content_setting_values.automatic_downloads": 1})
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    service = Service("/usr/bin/chromedriver", log_path=os.path.join(log_dir, "chromedriver.log"))
    driver = webdriver.Chrome(service=service, options=options)
    driver.set_script_timeout(30)
    # Several downloads in a row without a question.
    driver.execute_cdp_cmd("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
    return driver


def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(124))
    parser = argparse.ArgumentParser()
    parser.add_argument("site")
    parser.add_argument("cli")
    parser.add_argument("--shots")
    args = parser.parse_args()
    site, program = os.path.abspath(args.site), os.path.abspath(args.cli)
    if args.shots:
        os.makedirs(args.shots, exist_ok=True)
    work = tempfile.mkdtemp(prefix="helixor-web-test-")
    downloads = os.path.join(work, "downloads")
    os.makedirs(downloads)
    ctx = {"work": work, "downloads": downloads}
    cli = Cli(program, work)
    server = Server(site)
    driver = None
    results = []
    started = time.monotonic()
    try:
        driver = start_chromium(downloads, work)
        page = Page(driver, server, args.shots)
        for number, (name, run) in enumerate(STEPS, 1):
            print(f"-- step {number}: {name}", flush=True)
            failed_before = len(failures)
            try:
                run(page, cli, ctx)
            except Exception as error:  # one step's breakdown is that step's failure
                traceback.print_exc()
                check(False, f"step {number} ({name}) broke off: {type(error).__name__}: "
                      f"{str(error).splitlines()[0] if str(error) else ''}")
            try:
                page.shot(number, name)
                close_all_dialogs(page)
                late = console_problems(page.logs())
                if number > 1:
                    check(not late, f"step {number}: no console error or warning"
                          + "".join(f"\n      {p['level']}: {p['message']}" for p in late))
            except Exception as error:
                check(False, f"step {number}: screenshot and console ({error})")
            ok = len(failures) == failed_before
            results.append((number, name, ok))
            print(f"{'PASS' if ok else 'FAIL'}  step {number}: {name}", flush=True)
    finally:
        if driver:
            driver.quit()
        page_server = locals().get("page")
        (page_server.server if page_server else server).stop()
        shutil.rmtree(work, ignore_errors=True)
    print(f"-- summary ({time.monotonic() - started:.0f} s)", flush=True)
    for number, name, ok in results:
        print(f"{'PASS' if ok else 'FAIL'}  step {number:2d}: {name}", flush=True)
    if failures or len(results) < len(STEPS):
        print(f"{len(failures)} check(s) failed", flush=True)
        return 1
    print("all browser checks passed", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
