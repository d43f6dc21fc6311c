#!/usr/bin/env python3
"""helixor.exe under Wine on a real X server with openbox.

A fresh Wine prefix with Wine's own fonts, the program copied into
C:\\Helixor and a bundled example in C:\\work. Checks what a user of the
Windows build sees: the association question on the first start and the
four registry keys its Yes writes, no question on the second start; the
captions and client sizes of the main and graph windows, side by side;
Enter in z(t) drawing the graph pixel for pixel as `helixor-cli render
--labels` of the Linux build draws it, wherever the curve and the axes are;
Save BMP, Save FNC and Load FNC through the file dialogs; the error dialog
and the standard error box with their texts; the help window and the page
written beside the program; the About window.

Then, in a second prefix, file names beyond the code page: a copy of the
program whose manifest no longer asks for UTF-8 as its code page (as a
Windows before 10 1903 ignores that request) runs with Wine's Western
European code page 1252 (the en-US locale of LC_ALL=C.UTF-8; read back
from the registry), and opens and saves function files and pictures named
in German, Greek, Chinese and emoji, and in a folder whose path is longer
than 260 characters, through its first argument and through the dialogs.

With --installer, also installs the setup program silently, starts the
installed program once (it finds its help page beside itself), uninstalls
silently and checks that nothing of it is left.

The boxes' texts are read from the program's own trace of its dialogs
(HELIXOR_TRACE_DIALOGS): a box's text cannot be read back from outside.

    wine_desktop_test.py HELIXOR.EXE LINUX_HELIXOR_CLI EXAMPLES_FOLDER
                         [--installer SETUP.EXE] [--shots FOLDER]
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageFilter, ImageGrab

from checks import check, compare_graph, graph_mask, stop, summary, wait_for

SCREEN_W, SCREEN_H = 1280, 1024
MAIN_CLIENT = (502, 134)
GRAPH_CLIENT = (601, 457)
QUESTION = ("Windows is not configured to open .fnc files with this program.\\n\\r"
            "Do you want to associate it with these files?")
class Session:
    """Xvfb, openbox and a Wine prefix of their own."""

    def __init__(self, home, shots):
        self.home, self.shots = home, shots
        read, write = os.pipe()
        self.xvfb_log = os.path.join(home, "xvfb.log")
        with open(self.xvfb_log, "wb") as log:
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write), "-screen", "0", f"{SCREEN_W}x{SCREEN_H}x24",
                 "-nolisten", "tcp"], pass_fds=(write,), stdout=log, stderr=log)
        os.close(write)
        told = b""
        while not told.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                break
            told += chunk
        os.close(read)
        self.display = ":" + told.decode().strip()
        self.prefix = os.path.join(home, "wine")
        self.env = dict(os.environ, DISPLAY=self.display, HOME=home, WINEPREFIX=self.prefix,
                        WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL="C.UTF-8",
                        HELIXOR_TRACE_DIALOGS="1")
        for name in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "WINEARCH"):
            self.env.pop(name, None)
        self.wm = None
        self.wineserver = None
        try:
            if not wait_for(lambda: subprocess.run(
                    ["xprop", "-root", "-len", "0", "_NET_SUPPORTED"], env=self.env,
                    capture_output=True).returncode == 0, timeout=30):
                raise RuntimeError("Xvfb did not start")
            self.start_wm()
            self.boot_wine()
        except BaseException:
            self.close()
            raise

    def start_wm(self):
        log_path = os.path.join(self.home, "openbox.log")
        for _ in range(2):
            with open(log_path, "ab") as log:
                self.wm = subprocess.Popen(["openbox"], env=self.env, stdout=log, stderr=log)
            if wait_for(lambda: "window id" in self.run(
                    "xprop", "-root", "_NET_SUPPORTING_WM_CHECK"), timeout=30):
                return
            self.wm.kill()
            self.wm.wait()
        raise RuntimeError("openbox did not start")

    def boot_wine(self):
        # One server for the whole session, instead of one per program.
        self.wineserver = subprocess.Popen(["wineserver", "-f", "-p"], env=self.env,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineboot", "-i"], env=self.env, capture_output=True, timeout=300)
        # Debian's Wine does not load its own fonts: without them the
        # window font would fall back to a serif face.
        fonts = os.path.join(self.drive_c, "windows", "Fonts")
        os.makedirs(fonts, exist_ok=True)
        for name in os.listdir("/usr/share/wine/fonts"):
            if name.endswith(".ttf"):
                shutil.copy(os.path.join("/usr/share/wine/fonts", name), fonts)

    @property
    def drive_c(self):
        return os.path.join(self.prefix, "drive_c")

    def close(self):
        if self.wineserver:
            subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)
            stop(self.wineserver)
        stop(self.wm)
        stop(self.xvfb)

    def run(self, *cmd, timeout=60):
        try:
            return subprocess.run(cmd, env=self.env, capture_output=True, text=True,
                                  timeout=timeout).stdout
        except subprocess.TimeoutExpired:
            print(f"note  {cmd[0]} did not end within {timeout} s", flush=True)
            return ""

    def wine(self, *args, timeout=120):
        return subprocess.run(["wine", *args], env=self.env, capture_output=True,
                              timeout=timeout)

    def start(self, exe, *args, cwd, log):
        out = open(log, "wb")
        try:
            return subprocess.Popen(["wine", exe, *args], env=self.env, cwd=cwd,
                                    stdout=out, stderr=out)
        finally:
            out.close()

    def window(self, title, timeout=20.0):
        def find():
            ids = self.run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$").split()
            return ids[0] if ids else None
        return wait_for(find, timeout)

    def client(self, wid):
        """(left, top, width, height) of the window's X window: under a
        window manager, Wine's X window is the client area."""
        fields = {}
        for line in self.run("xwininfo", "-id", wid).splitlines():
            if ":" in line:
                key, _, value = line.strip().partition(":")
                fields[key.strip()] = value.strip()
        return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                int(fields["Width"]), int(fields["Height"]))

    def inner(self, wid):
        """The client area of a window whose frame Wine draws itself (a tool
        window: openbox leaves it undecorated): Wine's 4-pixel border and
        16-pixel small caption inside the X window."""
        x, y, w, h = self.settled_client(wid)
        return x + 4, y + 20, w - 8, h - 24

    def settled_client(self, wid):
        last = None
        for _ in range(40):
            frame = self.client(wid)
            if frame == last:
                return frame
            last = frame
            time.sleep(0.1)
        return last

    def outer(self, wid):
        x, y, w, h = self.settled_client(wid)
        left = right = top = bottom = 0
        extents = self.run("xprop", "-id", wid, "_NET_FRAME_EXTENTS")
        if "=" in extents:
            left, right, top, bottom = (int(v) for v in extents.split("=")[1].split(","))
        return x - left, y - top, w + left + right, h + top + bottom

    def activate(self, wid):
        self.run("xdotool", "windowactivate", "--sync", wid, timeout=10)
        time.sleep(0.2)

    def key(self, *keys):
        self.run("xdotool", "key", "--delay", "50", *keys)

    def type(self, text):
        self.run("xdotool", "type", "--delay", "30", text)

    def click(self, x, y):
        self.run("xdotool", "mousemove", str(x), str(y), "click", "1")
        time.sleep(0.2)

    def grab(self):
        return ImageGrab.grab(xdisplay=self.display).convert("RGB")

    def shot(self, name):
        image = self.grab()
        if self.shots:
            image.save(os.path.join(self.shots, name))
        return image

    def reg(self, key):
        """The default value of a key under HKEY_CLASSES_ROOT, or None."""
        done = self.wine("reg", "query", "HKEY_CLASSES_ROOT\\" + key, "/ve")
        for line in done.stdout.decode(errors="replace").splitlines():
            if "REG_SZ" in line:
                return line.split("REG_SZ", 1)[1].strip()
        return None


def traced(log):
    with open(log, encoding="utf-8", errors="replace") as f:
        return [line.rstrip("\r\n") for line in f if line.startswith("dialog: ")]


def wait_traced(log, line, timeout=20.0):
    return wait_for(lambda: line in traced(log), timeout)


def not_black(image, box):
    """A box that drew: not one flat colour (under Wine without a window
    manager a box over its parent can stay a black rectangle)."""
    region = image.crop(box)
    colours = region.getcolors(maxcolors=1 << 16) or []
    return len(colours) > 2


def close_box(session, title, keys=("Return",)):
    wid = session.window(title)
    if wid:
        session.activate(wid)
        session.key(*keys)
        wait_for(lambda: session.window(title, timeout=0.1) is None, timeout=10)
    return wid


def paste(session, text):
    """Puts text into the focused field through the clipboard: typed by
    xdotool, characters off the keyboard's map (Greek, Chinese, emoji) get
    lost in the file dialog's field."""
    clip = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard"], env=session.env,
                            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    clip.stdin.write(text.encode("utf-8"))
    clip.stdin.close()
    time.sleep(0.3)
    session.key("ctrl+a", "ctrl+v")
    time.sleep(0.5)
    stop(clip)


def file_dialog(session, titles, windows_path, pasted=False):
    """Types (or pastes) a name into the file dialog that comes and accepts
    it."""
    wid = None
    for title in titles:
        wid = session.window(title, timeout=10)
        if wid:
            break
    if not wid:
        return False
    session.activate(wid)
    if pasted:
        paste(session, windows_path)
    else:
        session.key("ctrl+a")
        session.type(windows_path)
        time.sleep(0.5)
    # The first Return may only close the name completer's list.
    for _ in range(2):
        session.key("Return")
        if wait_for(lambda: session.window(title, timeout=0.1) is None, timeout=5):
            return True
    return False


def program_session(exe, cli, examples, shots):
    print("-- helixor.exe under Wine with openbox", flush=True)
    home = tempfile.mkdtemp(prefix="helixor-wine-")
    session = Session(home, shots)
    app = None
    try:
        folder = os.path.join(session.drive_c, "Helixor")
        work = os.path.join(session.drive_c, "work")
        os.makedirs(folder)
        os.makedirs(work)
        shutil.copy(exe, os.path.join(folder, "helixor.exe"))
        for name in ("helix.fnc", "trefoil.fnc"):
            shutil.copy(os.path.join(examples, name), work)
        log = os.path.join(home, "first.log")
        app = session.start("C:\\Helixor\\helixor.exe", "helix.fnc", cwd=work, log=log)

        # The first start asks; Yes (the default button) writes the keys.
        confirm = session.window("Confirm", timeout=60)
        check(confirm is not None, "the association question is shown on the first start")
        check(wait_traced(log, "dialog: question: Confirm: " + QUESTION) is not None,
              "the question has the Windows wording")
        if confirm:
            time.sleep(0.5)
            screen = session.shot("wine-confirm.png")
            x, y, w, h = session.settled_client(confirm)
            check(not_black(screen, (x, y, x + w, y + h)), "the question box is drawn")
            session.activate(confirm)
            session.key("Return")
        check(wait_traced(log, "dialog: answer: yes") is not None, "Yes answers the question")
        program = "C:\\Helixor\\helixor.exe"
        wanted = {".fnc": "Vector Function",
                  ".fnc\\DefaultIcon": program + ",0",
                  ".fnc\\Shell\\Open": "&Open",
                  ".fnc\\Shell\\Open\\Command": f'"{program}" "%1"'}
        for key, value in wanted.items():
            found = wait_for(lambda: session.reg(key), timeout=10)
            check(found == value, f"HKCR\\{key} = {found!r}, wants {value!r}")

        main = session.window("Helixor 1.0")
        graph = session.window("Graph")
        check(main is not None and graph is not None, "main and graph windows shown")
        if not (main and graph):
            return
        mc, gc = session.settled_client(main), session.inner(graph)
        check(mc[2:] == MAIN_CLIENT, f"main window client size {mc[2]} x {mc[3]}")
        check(gc[2:] == GRAPH_CLIENT, f"graph window client size {gc[2]} x {gc[3]}")
        # The program places its windows by the frames Windows reports; under
        # openbox the main window wears openbox's frame instead, which may be
        # a few pixels taller, so the graph window is checked against the
        # main window's client area and its own outer frame (Wine's).
        m, g = session.outer(main), session.outer(graph)
        check(g[1] >= mc[1] + mc[3], f"graph window {g} starts below the main window's "
              f"client area {mc} (openbox frame {m})")
        time.sleep(0.5)
        session.shot("wine-start.png")
        cx, cy = mc[0], mc[1]

        # Enter in z(t) draws.
        session.activate(main)
        session.click(cx + 412 + 30, cy + 24 + 9)
        session.key("End", "Return")
        time.sleep(2)
        screen = session.shot("wine-graph.png")
        labelled, bare = graph_mask(cli, os.path.join(examples, "helix.fnc"), home)
        gc = session.inner(graph)
        result = compare_graph(screen, gc, labelled, bare)
        check(result is not None, f"graph client area {gc[2:]} is the size of the "
              f"Linux picture {labelled.size}")
        if result:
            same, differ, labels = result
            check(differ == 0 and same > 0,
                  f"curve and axes: {same} pixels as on Linux, {differ} differ")
            print(f"note  label pixels that differ from the Linux labels: {labels}", flush=True)

        # Save BMP, Save FNC, Load FNC and Save FNC again, through the dialogs.
        linux_bmp = os.path.join(home, "linux.bmp")
        subprocess.run([cli, "render", os.path.join(examples, "helix.fnc"), "--format", "bmp",
                        "-o", linux_bmp], check=True)
        steps = [(176, "Save BMP", ("Save As", "Save BMP", "Save"), "C:\\work\\saved.bmp",
                  "saved.bmp", linux_bmp),
                 (16, "Save FNC", ("Save As", "Save FNC", "Save"), "C:\\work\\saved.fnc",
                  "saved.fnc", os.path.join(examples, "helix.fnc")),
                 (96, "Load FNC", ("Open", "Load FNC"), "C:\\work\\trefoil.fnc", None, None),
                 (16, "Save FNC", ("Save As", "Save FNC", "Save"), "C:\\work\\saved2.fnc",
                  "saved2.fnc", os.path.join(examples, "trefoil.fnc"))]
        for left, button, titles, path, written, expected in steps:
            session.activate(main)
            session.click(cx + left + 36, cy + 104 + 9)
            if button == "Save BMP":
                time.sleep(1)
                session.shot("wine-save-dialog.png")
            check(file_dialog(session, titles, path), f"{button}: the file dialog comes and takes {path}")
            if written:
                target = os.path.join(work, written)
                wait_for(lambda: os.path.exists(target), timeout=10)
                with open(target, "rb") as a, open(expected, "rb") as b:
                    same = a.read() == b.read()
                check(same, f"{button} writes {written} byte for byte as on Linux")

        # The standard error box: the count "abc" (on the loaded trefoil).
        session.activate(main)
        session.click(cx + 336 + 36, cy + 64 + 9)
        session.key("ctrl+a")
        session.type("abc")
        session.click(cx + 416 + 36, cy + 60 + 13)
        box = session.window("Helixor")
        check(box is not None, "the standard error box is shown")
        check(wait_traced(log, "dialog: error box: Helixor: 'abc' is not a valid integer value.")
              is not None, "the error box says \"'abc' is not a valid integer value.\" "
              f"(last boxes: {traced(log)[-2:]})")
        if box:
            time.sleep(0.5)
            session.shot("wine-error-box.png")
            close_box(session, "Helixor", ("Escape",))
        session.activate(main)
        session.click(cx + 336 + 36, cy + 64 + 9)
        session.key("ctrl+a")
        session.type("600")

        # Help: the page is written beside the program and shown.
        session.activate(main)
        session.click(cx + 336 + 36, cy + 104 + 9)
        help_window = session.window("Help")
        check(help_window is not None, "the help window is shown")
        page = os.path.join(folder, "help.html")
        wait_for(lambda: os.path.exists(page), timeout=10)
        source = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                              "resources", "help.html")
        with open(source, "rb") as f:
            bundled = f.read()
        written = open(page, "rb").read() if os.path.exists(page) else None
        check(written == bundled, "help.html is written beside the program")
        if help_window:
            time.sleep(1)
            screen = session.shot("wine-help.png")
            x, y, w, h = session.settled_client(help_window)
            check(not_black(screen, (x, y, x + w, y + h)), "the help page is drawn")
            close_box(session, "Help", ("alt+F4",))

        # About opens and closes.
        session.activate(main)
        session.click(cx + 416 + 36, cy + 104 + 9)
        about = session.window("About")
        check(about is not None, "the About window opens")
        if about:
            time.sleep(0.5)
            session.shot("wine-about.png")
            # A frameless window: its OK button closes it.
            ax, ay, _, _ = session.settled_client(about)
            session.click(ax + 73 + 36, ay + 139 + 9)
            check(wait_for(lambda: session.window("About", timeout=0.1) is None, timeout=5),
                  "the About window closes")

        # The error dialog: x(t) back to its placeholder, then Enter in z(t).
        session.click(cx + 268 + 30, cy + 24 + 9)
        session.key("ctrl+a", "BackSpace")
        session.click(cx + 412 + 30, cy + 24 + 9)
        session.key("Return")
        error = session.window("Error")
        check(error is not None, "the error dialog is shown")
        check(wait_traced(log, "dialog: error: Error: Error in function x(t)!") is not None,
              "the error dialog says \"Error in function x(t)!\"")
        if error:
            time.sleep(0.5)
            screen = session.shot("wine-error.png")
            x, y, w, h = session.settled_client(error)
            check(not_black(screen, (x, y, x + w, y + h)), "the error dialog is drawn")
            close_box(session, "Error", ("Escape",))
            # The failed extent pass leaves the extent 0: the second message.
            check(wait_traced(log, "dialog: error box: Helixor: Floating point division by zero.")
                  is not None, "then the standard error box says \"Floating point division by zero.\"")
            check(close_box(session, "Helixor", ("Escape",)) is not None and
                  wait_for(lambda: session.window("Helixor", timeout=0.1) is None, timeout=5),
                  "the second message closes")


        # The close button of openbox's frame (after a box, activating the
        # main window through the window manager may stall, and alt+F4 then
        # reaches no window).
        mo = session.outer(main)
        session.click(mo[0] + mo[2] - 9, mo[1] + 9)
        check(wait_for(lambda: app.poll() is not None, timeout=20) is not None,
              "the program ends when its main window closes")

        # The second start does not ask.
        log2 = os.path.join(home, "second.log")
        app = session.start("C:\\Helixor\\helixor.exe", "helix.fnc", cwd=work, log=log2)
        main = session.window("Helixor 1.0", timeout=60)
        check(main is not None, "the second start opens the main window")
        time.sleep(1)
        check(session.window("Confirm", timeout=0.5) is None and
              not any(line.startswith("dialog: question") for line in traced(log2)),
              "the second start does not ask")
    finally:
        stop(app)
        session.close()
        shutil.rmtree(home, ignore_errors=True)


# Names no single-byte code page holds all of, and a path beyond MAX_PATH.
LONG_FOLDER = "\\".join(["Verzeichnis mit einem recht langen Namen Nummer %d äöü" % n
                          for n in range(1, 6)])
NAMES = [("German", "Grüße aus Köln"),
         ("Greek", "Καμπύλη έλικα"),
         ("Chinese", "螺旋曲线"),
         ("emoji", "Spirale 🌀"),
         ("a path longer than 260 characters", LONG_FOLDER + "\\Kurve")]


def without_utf8_code_page(exe, copy):
    """A copy of the program whose manifest asks for no code page: the
    element is blanked to a comment of the same length, so the resource
    keeps its size."""
    with open(exe, "rb") as f:
        data = f.read()
    start = data.find(b"<activeCodePage")
    end = data.find(b"</activeCodePage>", start) + len(b"</activeCodePage>")
    if start < 0 or end <= start:
        return False
    data = data[:start] + b"<!--" + b" " * (end - start - 7) + b"-->" + data[end:]
    with open(copy, "wb") as f:
        f.write(data)
    return True


def names_session(exe, cli, examples, shots):
    print("-- file names beyond the code page, code page 1252", flush=True)
    home = tempfile.mkdtemp(prefix="helixor-names-")
    session = Session(home, shots)
    app = None
    try:
        folder = os.path.join(session.drive_c, "Helixor")
        work = os.path.join(session.drive_c, "work")
        os.makedirs(folder)
        os.makedirs(work)
        program = os.path.join(folder, "helixor.exe")
        check(without_utf8_code_page(exe, program), "a copy of the program without the UTF-8 code page")
        acp = session.wine("reg", "query", "HKLM\\System\\CurrentControlSet\\Control\\Nls\\CodePage",
                           "/v", "ACP").stdout.decode(errors="replace")
        check("1252" in acp.split("REG_SZ")[-1], f"Wine's code page is 1252 ({acp.strip().splitlines()[-1:]})")
        helix, trefoil = (os.path.join(examples, n) for n in ("helix.fnc", "trefoil.fnc"))
        linux_bmp = os.path.join(home, "linux.bmp")
        subprocess.run([cli, "render", helix, "--format", "bmp", "-o", linux_bmp], check=True)

        def unix(windows_path):
            return os.path.join(work, *windows_path.split("\\"))

        def same(windows_path, expected, what):
            target = unix(windows_path)
            wait_for(lambda: os.path.exists(target), timeout=10)
            ok = False
            if os.path.exists(target):
                with open(target, "rb") as a, open(expected, "rb") as b:
                    ok = a.read() == b.read()
            check(ok, f"{what} writes {windows_path} as on Linux")

        for number, (kind, name) in enumerate(NAMES):
            print(f"-- {kind}", flush=True)
            os.makedirs(os.path.dirname(unix(name + ".fnc")), exist_ok=True)
            shutil.copy(helix, unix(name + ".fnc"))
            shutil.copy(trefoil, unix(name + " (2).fnc"))
            log = os.path.join(home, f"names-{number}.log")
            app = session.start("C:\\Helixor\\helixor.exe", "C:\\work\\" + name + ".fnc", cwd=work, log=log)
            confirm = session.window("Confirm", timeout=60 if number == 0 else 3)
            if confirm:
                session.activate(confirm)
                session.key("Return")
            main = session.window("Helixor 1.0", timeout=60)
            check(main is not None, f"{kind}: the program starts with the name as its first argument")
            if not main:
                stop(app)
                continue
            cx, cy, _, _ = session.settled_client(main)
            # What the first argument loaded, saved again through the dialog.
            saved = name + " gespeichert.fnc"
            session.activate(main)
            session.click(cx + 16 + 36, cy + 104 + 9)
            check(file_dialog(session, ("Save As", "Save FNC", "Save"), "C:\\work\\" + saved, pasted=True),
                  f"{kind}: Save FNC takes the name")
            same(saved, helix, f"{kind}: the first argument opened, Save FNC")
            # The picture.
            session.activate(main)
            session.click(cx + 412 + 30, cy + 24 + 9)
            session.key("End", "Return")
            time.sleep(2)
            session.activate(main)
            session.click(cx + 176 + 36, cy + 104 + 9)
            check(file_dialog(session, ("Save As", "Save BMP", "Save"), "C:\\work\\" + name + ".bmp",
                              pasted=True),
                  f"{kind}: Save BMP takes the name")
            same(name + ".bmp", linux_bmp, f"{kind}: Save BMP")
            # Opened through the dialog, and saved once more.
            session.activate(main)
            session.click(cx + 96 + 36, cy + 104 + 9)
            check(file_dialog(session, ("Open", "Load FNC"), "C:\\work\\" + name + " (2).fnc", pasted=True),
                  f"{kind}: Load FNC takes the name")
            time.sleep(1)
            session.activate(main)
            session.click(cx + 16 + 36, cy + 104 + 9)
            check(file_dialog(session, ("Save As", "Save FNC", "Save"), "C:\\work\\" + name + " (3).fnc",
                              pasted=True),
                  f"{kind}: Save FNC takes the name again")
            same(name + " (3).fnc", trefoil, f"{kind}: Load FNC opened, Save FNC")
            errors = [line for line in traced(log) if line.startswith("dialog: error")]
            check(not errors, f"{kind}: no error shown ({errors[:2]})")
            if number == 0:
                session.shot("wine-names.png")
            mo = session.outer(main)
            session.click(mo[0] + mo[2] - 9, mo[1] + 9)
            if not wait_for(lambda: app.poll() is not None, timeout=20):
                stop(app)
    finally:
        stop(app)
        session.close()
        shutil.rmtree(home, ignore_errors=True)


def installer_session(setup, shots):
    print("-- the installer under Wine", flush=True)
    home = tempfile.mkdtemp(prefix="helixor-setup-")
    session = Session(home, shots)
    app = None
    try:
        local = os.path.join(session.drive_c, "helixor-setup.exe")
        shutil.copy(setup, local)
        # The silent installer ends when it is done.
        session.wine("C:\\helixor-setup.exe", "/S", timeout=300)
        folder = os.path.join(session.drive_c, "Program Files", "Helixor")
        start_menu = os.path.join(session.drive_c, "ProgramData", "Microsoft", "Windows",
                                  "Start Menu", "Programs", "Helixor.lnk")
        uninstall_key = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Helixor"
        installed = ["helixor.exe", "helixor-cli.exe", "help.html", "LICENSE.txt",
                     "uninstall.exe", os.path.join("examples", "helix.fnc")]
        for name in installed:
            check(os.path.exists(os.path.join(folder, name)), f"installed: {name}")
        check(os.path.exists(start_menu), "installed: the Start-menu entry")
        key = session.wine("reg", "query", uninstall_key, "/v", "DisplayName")
        check(b"Helixor" in key.stdout, "installed: the uninstall key")

        # The installed program finds its help page beside itself.
        page = os.path.join(folder, "help.html")
        before = os.stat(page).st_mtime_ns
        log = os.path.join(home, "installed.log")
        app = session.start("C:\\Program Files\\Helixor\\helixor.exe", cwd=folder, log=log)
        confirm = session.window("Confirm", timeout=60)
        if confirm:
            session.activate(confirm)
            session.key("Return")
        main = session.window("Helixor 1.0")
        check(main is not None, "the installed program starts")
        if main:
            x, y, _, _ = session.settled_client(main)
            session.activate(main)
            session.click(x + 336 + 36, y + 104 + 9)
            check(session.window("Help") is not None, "the installed program shows its help")
            time.sleep(1)
            session.shot("wine-installed-help.png")
            check(os.stat(page).st_mtime_ns == before, "it found the installed help page")
            session.activate(main)
            session.key("alt+F4")
            wait_for(lambda: app.poll() is not None, timeout=20)
        stop(app)
        command = session.reg(".fnc\\Shell\\Open\\Command")
        check(command == '"C:\\Program Files\\Helixor\\helixor.exe" "%1"',
              f"the association names the installed program ({command!r})")

        session.wine("C:\\Program Files\\Helixor\\uninstall.exe", "/S", timeout=300)
        # The uninstaller runs from a copy of itself and may end a moment
        # after the one started.
        wait_for(lambda: not os.path.exists(folder), timeout=30)
        left = []
        for root, _, files in os.walk(folder):
            left += [os.path.join(root, f) for f in files]
        check(not os.path.exists(folder), f"uninstalled: the program folder ({left or 'empty'})")
        check(not os.path.exists(start_menu), "uninstalled: the Start-menu entry")
        key = session.wine("reg", "query", uninstall_key)
        check(key.returncode != 0, "uninstalled: the uninstall key")
        check(session.reg(".fnc") is None, "uninstalled: the .fnc association it made")
    finally:
        stop(app)
        session.close()
        shutil.rmtree(home, ignore_errors=True)


def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(124))
    parser = argparse.ArgumentParser()
    parser.add_argument("exe")
    parser.add_argument("cli")
    parser.add_argument("examples")
    parser.add_argument("--installer")
    parser.add_argument("--shots")
    parser.add_argument("--only-names", action="store_true",
                        help="only the file names beyond the code page")
    args = parser.parse_args()
    if args.shots:
        os.makedirs(args.shots, exist_ok=True)
    if not args.only_names:
        program_session(os.path.abspath(args.exe), os.path.abspath(args.cli),
                        os.path.abspath(args.examples), args.shots)
    names_session(os.path.abspath(args.exe), os.path.abspath(args.cli),
                  os.path.abspath(args.examples), args.shots)
    if args.installer and not args.only_names:
        installer_session(os.path.abspath(args.installer), args.shots)
    return summary("all checks under Wine passed")


if __name__ == "__main__":
    sys.exit(main())
