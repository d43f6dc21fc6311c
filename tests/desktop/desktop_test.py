#!/usr/bin/env python3
"""The real program on a real X server, with and without a window manager.

Starts Xvfb (1280 x 1024), optionally openbox, and the program on a bundled
example with a private home, then checks what a user sees: the outer frames
of the main and graph windows; the association question, the error dialog
and the standard error box centred on the screen; the help window centred on
its first showing; the weight of the window font, measured on a screenshot,
also on a screen scaled by QT_SCALE_FACTOR=2; the graph and help windows
minimised by openbox and brought back; the hover face of a button after a
modal box without a window manager; the About window's version line.

    desktop_test.py PROGRAM EXAMPLE.fnc [--shots FOLDER]
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from PIL import ImageGrab

from checks import check, stop, summary, wait_for

SCREEN_W, SCREEN_H = 1280, 1024
def run(*cmd, env):
    return subprocess.run(cmd, env=env, capture_output=True, text=True, timeout=20).stdout


class Display:
    def __init__(self, with_wm, home, scale=None):
        read, write = os.pipe()
        self.xvfb_log = os.path.join(home, "xvfb.log")
        with open(self.xvfb_log, "wb") as log:
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write), "-screen", "0", f"{SCREEN_W}x{SCREEN_H}x24",
                 "-nolisten", "tcp"], pass_fds=(write,), stdout=log, stderr=log)
        os.close(write)
        # Read up to the newline: closing the pipe early kills the server.
        told = b""
        while not told.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                break
            told += chunk
        os.close(read)
        number = told.decode().strip()
        self.name = ":" + number
        self.env = dict(os.environ, DISPLAY=self.name, HOME=home,
                        XDG_CONFIG_HOME=os.path.join(home, ".config"),
                        XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                        XDG_DATA_DIRS="/usr/local/share:/usr/share", LC_ALL="C.UTF-8")
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env.pop("QT_QPA_PLATFORM", None)
        for name in ("QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
                     "QT_ENABLE_HIGHDPI_SCALING"):
            self.env.pop(name, None)
        if scale:
            self.env["QT_SCALE_FACTOR"] = str(scale)
        self.wm = None
        try:
            # The display number is told a little before the server takes clients.
            if not wait_for(lambda: subprocess.run(
                    ["xprop", "-root", "-len", "0", "_NET_SUPPORTED"], env=self.env,
                    capture_output=True).returncode == 0, timeout=30):
                raise RuntimeError("Xvfb did not start")
            if with_wm:
                self.start_wm(home)
        except BaseException:
            self.close()
            raise

    def start_wm(self, home):
        log_path = os.path.join(home, "openbox.log")
        for _ in range(2):  # a busy machine may need a second try
            with open(log_path, "ab") as log:
                self.wm = subprocess.Popen(["openbox"], env=self.env, stdout=log, stderr=log)
            if wait_for(lambda: "window id" in run(
                    "xprop", "-root", "_NET_SUPPORTING_WM_CHECK", env=self.env), timeout=30):
                return
            self.wm.kill()
            self.wm.wait()
        with open(log_path, errors="replace") as log:
            raise RuntimeError("openbox did not start:\n" + log.read())

    def close(self):
        stop(self.wm)
        stop(self.xvfb)

    def window(self, title, timeout=15.0):
        def find():
            out = run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$", env=self.env)
            ids = out.split()
            return ids[0] if ids else None
        return wait_for(find, timeout)

    def outer_frame(self, wid):
        """(left, top, width, height) of the window with its frame."""
        info = run("xwininfo", "-id", wid, env=self.env)
        fields = {}
        for line in info.splitlines():
            if ":" in line:
                key, _, value = line.strip().partition(":")
                fields[key.strip()] = value.strip()
        x, y = int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"])
        w, h = int(fields["Width"]), int(fields["Height"])
        left = right = top = bottom = 0
        if self.wm:
            extents = run("xprop", "-id", wid, "_NET_FRAME_EXTENTS", env=self.env)
            if "=" in extents:
                left, right, top, bottom = (int(v) for v in extents.split("=")[1].split(","))
        return x - left, y - top, w + left + right, h + top + bottom

    def settled_frame(self, wid):
        """The outer frame once it has stopped changing (mapped and framed)."""
        last = None
        for _ in range(40):
            frame = self.outer_frame(wid)
            if frame == last:
                return frame
            last = frame
            time.sleep(0.1)
        return last

    def key(self, wid, *keys):
        if self.wm:
            run("xdotool", "windowactivate", "--sync", wid, env=self.env)
            run("xdotool", "key", "--window", wid, *keys, env=self.env)
        else:
            # Without a window manager the program gives its dialog the
            # focus itself; the keys are typed once it has it. A key sent
            # to a window instead leaves a stray key event behind, which
            # reaches the next window to take the focus (the About window's
            # OK button, which closes it), so that is the last resort.
            if wait_for(lambda: run("xdotool", "getwindowfocus", env=self.env).strip() == wid,
                        timeout=10):
                run("xdotool", "key", *keys, env=self.env)
            else:
                print(f"note  window {wid} never took the focus; the keys are sent to it",
                      flush=True)
                run("xdotool", "key", "--window", wid, *keys, env=self.env)

    def click(self, x, y):
        run("xdotool", "mousemove", str(x), str(y), "click", "1", env=self.env)

    def grab(self):
        return ImageGrab.grab(xdisplay=self.name).convert("RGB")

    def wm_state(self, wid):
        """"Normal", "Iconic" or None (withdrawn) as the window manager says."""
        out = run("xprop", "-id", wid, "WM_STATE", env=self.env)
        for state in ("Normal", "Iconic"):
            if "window state: " + state in out:
                return state
        return None

    def viewable(self, wid):
        return "IsViewable" in run("xwininfo", "-id", wid, env=self.env)

    def client_origin(self, wid):
        info = run("xwininfo", "-id", wid, env=self.env)
        return (int(info.split("Absolute upper-left X:")[1].split()[0]),
                int(info.split("Absolute upper-left Y:")[1].split()[0]))

    def park_pointer(self):
        """The pointer over the bare screen, off every window."""
        run("xdotool", "mousemove", "2", str(SCREEN_H - 2), env=self.env)


class NothingShown(Exception):
    """The program showed no window at all: a run that says nothing about
    placement, tried once more after its circumstances are printed."""


def start_program(display, home, *args):
    log = open(os.path.join(home, "helixor.log"), "wb")
    try:
        return subprocess.Popen(list(args), env=display.env, stdout=log, stderr=log)
    finally:
        log.close()


def tail(path, lines=15):
    try:
        with open(path, errors="replace") as f:
            return "".join(f.readlines()[-lines:])
    except OSError as error:
        return f"({error})\n"


def describe(display, app, home):
    """What there is to know when a window does not come."""
    code = app.poll()
    print("      the program " + ("is still running" if code is None
                                  else f"ended with status {code}"), flush=True)
    print("      its output:\n" + tail(os.path.join(home, "helixor.log")), end="")
    server = display.xvfb.poll()
    print("      the X server " + ("is still running" if server is None
                                   else f"ended with status {server}"), flush=True)
    print("      its output:\n" + tail(display.xvfb_log), end="")
    tree = run("xwininfo", "-root", "-children", env=display.env)
    print("      top-level windows:\n" + "\n".join(tree.splitlines()[-15:]), flush=True)


def first_window(display, app, home, title):
    """The first window the program shows, or NothingShown when it shows
    none of its windows at all."""
    found = wait_for(lambda: display.window(title, timeout=0.1) or app.poll() is not None,
                     timeout=30)
    if found and found is not True:
        return found
    describe(display, app, home)
    if display.window("Helixor 1.0", timeout=1) is None:
        raise NothingShown()
    return None


def check_centred(frame, what):
    left, top, w, h = frame
    want = ((SCREEN_W - w) // 2, (SCREEN_H - h) // 2)
    check(abs(left - want[0]) <= 1 and abs(top - want[1]) <= 1,
          f"{what} centred: outer frame at ({left}, {top}) size {w} x {h}, centre wants {want}")


def stroke_width(image, box):
    """Mean length of the dark horizontal runs of the text inside box: about
    1 pixel for a regular face at this size, about 2 for a bold one."""
    region = image.crop(box).convert("L")
    w, h = region.size
    pixels = region.load()
    runs = []
    for y in range(h):
        length = 0
        for x in range(w + 1):
            dark = x < w and pixels[x, y] < 110
            if dark:
                length += 1
            elif length:
                runs.append(length)
                length = 0
    return sum(runs) / len(runs) if runs else 0.0


def first_ink(image, box):
    """Leftmost column of bright pixels (text on the About window's black)
    inside box, or None."""
    region = image.crop(box).convert("L")
    w, h = region.size
    pixels = region.load()
    columns = [x for y in range(h) for x in range(w) if pixels[x, y] > 128]
    return box[0] + min(columns) if columns else None


def same_face(screen, a, b):
    """Whether two button-face points show the same colour."""
    return screen.getpixel(a) == screen.getpixel(b)


def settled_screen(display, ready, timeout=5.0):
    """A screenshot once ready(screenshot) holds (a busy machine paints
    late), or the last one taken."""
    shot = [None]

    def grab_and_test():
        shot[0] = display.grab()
        return ready(shot[0])
    wait_for(grab_and_test, timeout=timeout, step=0.1)
    return shot[0]


def minimise_checks(display, cx, cy, main, graph, help_window, shots):
    """openbox offers minimising whatever a window asks: the tool windows go
    down alone, "Show Graph" follows, and both come back from it."""
    for wid, name in ((graph, "graph"), (help_window, "help")):
        types = run("xprop", "-id", wid, "_NET_WM_WINDOW_TYPE", env=display.env)
        first = types.partition("=")[2].split(",")[0].strip()
        check(first == "_NET_WM_WINDOW_TYPE_UTILITY",
              f"openbox: the {name} window asks for a tool window ({first or 'no type'})")
        hints = run("xprop", "-id", wid, "_MOTIF_WM_HINTS", env=display.env).partition("=")[2]
        values = [int(v, 16) for v in hints.split(",") if v.strip()]
        check(len(values) >= 2 and values[0] & 1 and not values[1] & (0x08 | 0x10),
              f"openbox: the {name} window asks for no minimise and maximise ({hints.strip()})")

    # Button faces: Show Graph against Load FNC (up) and Isometric (down).
    show_face = (cx + 256 + 3, cy + 104 + 3)
    up_face = (cx + 96 + 3, cy + 104 + 3)
    down_face = (cx + 256 + 3, cy + 64 + 3)
    before = display.settled_frame(graph)
    run("xdotool", "windowminimize", graph, env=display.env)
    wait_for(lambda: display.wm_state(graph) == "Iconic", timeout=5)
    display.park_pointer()
    screen = settled_screen(display, lambda shot: same_face(shot, show_face, up_face))
    if shots:
        screen.save(os.path.join(shots, "graph-minimised-wm.png"))
    check(display.wm_state(graph) == "Iconic" and display.wm_state(main) == "Normal",
          f"openbox: the graph window minimises alone (graph {display.wm_state(graph)}, "
          f"main {display.wm_state(main)})")
    check(same_face(screen, show_face, up_face), "openbox: Show Graph is up while the graph "
          f"window is minimised (face {screen.getpixel(show_face)})")

    display.click(cx + 256 + 36, cy + 104 + 9)
    wait_for(lambda: display.wm_state(graph) == "Normal" and display.viewable(graph), timeout=5)
    display.park_pointer()
    screen = settled_screen(display, lambda shot: same_face(shot, show_face, down_face))
    if shots:
        screen.save(os.path.join(shots, "graph-restored-wm.png"))
    check(display.wm_state(graph) == "Normal" and display.viewable(graph),
          f"openbox: Show Graph brings the minimised graph window back ({display.wm_state(graph)})")
    check(display.wm_state(main) == "Normal" and display.viewable(main),
          f"openbox: the main window stays as it was ({display.wm_state(main)})")
    check(display.settled_frame(graph) == before, "openbox: the graph window comes back where it was")
    check(same_face(screen, show_face, down_face), "openbox: Show Graph is down again "
          f"(face {screen.getpixel(show_face)})")

    run("xdotool", "windowminimize", help_window, env=display.env)
    wait_for(lambda: display.wm_state(help_window) == "Iconic", timeout=5)
    time.sleep(0.3)
    check(display.wm_state(main) == "Normal",
          f"openbox: minimising the help window leaves the main window ({display.wm_state(main)})")
    display.click(cx + 336 + 36, cy + 104 + 9)
    wait_for(lambda: display.wm_state(help_window) == "Normal", timeout=5)
    check(display.wm_state(help_window) == "Normal" and display.viewable(help_window),
          "openbox: Help brings the minimised help window back")


def hover_and_about_checks(display, cx, cy, shots):
    """Without a window manager: Help was clicked right after a modal box;
    its hover face goes when the pointer leaves. Then the About window's
    version line starts at the other lines' left edge."""
    run("xdotool", "mousemove", str(cx + 200), str(cy + 3), env=display.env)
    help_face, up_face = (cx + 336 + 3, cy + 104 + 3), (cx + 96 + 3, cy + 104 + 3)
    screen = settled_screen(display, lambda shot: same_face(shot, help_face, up_face))
    if shots:
        screen.save(os.path.join(shots, "hover-left-bare.png"))
    check(same_face(screen, help_face, up_face),
          "no window manager: Help loses its hover face when the pointer leaves after a modal "
          f"box (face {screen.getpixel(help_face)}, up {screen.getpixel(up_face)})")

    display.click(cx + 416 + 36, cy + 104 + 9)
    about = display.window("About")
    check(about is not None, "no window manager: the About window is shown")
    if not about:
        return
    ax, ay = display.client_origin(about)

    def painted(shot):
        # The light inner ring of the bevel and the black inside it: the
        # panel is on top and painted (the help window lies partly under it).
        return (min(shot.getpixel((ax + 1, ay + 1))) > 200 and min(shot.getpixel((ax + 1, ay + 100))) > 200
                and max(shot.getpixel((ax + 3, ay + 3))) < 40 and max(shot.getpixel((ax + 3, ay + 100))) < 40
                and first_ink(shot, (ax + 2, ay + 32, ax + 150, ay + 46)) is not None)
    screen = settled_screen(display, painted)
    if shots:
        screen.crop((ax, ay, ax + 228, ay + 170)).save(os.path.join(shots, "about-bare.png"))
    version = first_ink(screen, (ax + 2, ay + 32, ax + 150, ay + 46))
    lines = [first_ink(screen, (ax + 2, ay + top, ax + 150, ay + top + 14))
             for top in (51, 72, 93, 115)]
    lines = [x for x in lines if x is not None]
    edge = min(lines) if lines else None
    check(version is not None and edge is not None and version - ax >= 12 and abs(version - edge) <= 2,
          f"no window manager: the version line starts at x = {None if version is None else version - ax}, "
          f"the other lines at {None if edge is None else edge - ax}")


def session(program, example, with_wm, shots):
    label = "openbox" if with_wm else "no window manager"
    print(f"-- {label}", flush=True)
    home = tempfile.mkdtemp(prefix="helixor-home-")
    display = Display(with_wm, home)
    app = None
    try:
        app = start_program(display, home, program, example)
        # A fresh home knows no .fnc handler: the association question comes first.
        confirm = first_window(display, app, home, "Confirm")
        check(confirm is not None, f"{label}: the association question is shown")
        if confirm:
            check_centred(display.settled_frame(confirm), f"{label}: the question")
            display.key(confirm, "Escape")  # the answer No
        main = display.window("Helixor 1.0")
        graph = display.window("Graph")
        check(main is not None and graph is not None, f"{label}: main and graph windows shown")
        if not (main and graph):
            return
        m = display.settled_frame(main)
        g = display.settled_frame(graph)
        check(m[0] == (SCREEN_W - m[2]) // 2 and m[1] == 10,
              f"{label}: main window outer frame at ({m[0]}, {m[1]}), "
              f"wants ({(SCREEN_W - m[2]) // 2}, 10)")
        check(g[0] == (SCREEN_W - g[2]) // 2 and g[1] == m[3] + 10,
              f"{label}: graph window outer frame at ({g[0]}, {g[1]}), "
              f"wants ({(SCREEN_W - g[2]) // 2}, {m[3] + 10})")
        check(g[1] >= m[1] + m[3], f"{label}: graph window starts below the main window")

        time.sleep(0.3)
        screen = display.grab()
        if shots:
            screen.save(os.path.join(shots, f"start-{'wm' if with_wm else 'bare'}.png"))
        # The client area starts inside the frame; "Graph view mode :" is
        # Label4 at (16, 47) of the client area.
        info = run("xwininfo", "-id", main, env=display.env)
        cx = int(info.split("Absolute upper-left X:")[1].split()[0])
        cy = int(info.split("Absolute upper-left Y:")[1].split()[0])
        width = stroke_width(screen, (cx + 16, cy + 47, cx + 120, cy + 60))
        check(width >= 1.6, f"{label}: window font is bold (mean stroke {width:.2f} px, "
              "regular is about 1)")

        # The error dialog: a bad value of a, then "Draw !".
        display.click(cx + 42 + 30, cy + 24 + 9)
        run("xdotool", "key", "ctrl+a", env=display.env)
        run("xdotool", "type", "1/", env=display.env)
        display.click(cx + 416 + 36, cy + 60 + 13)
        error = display.window("Error")
        check(error is not None, f"{label}: the error dialog is shown")
        if error:
            check_centred(display.settled_frame(error), f"{label}: the error dialog")
            if shots:
                display.grab().save(os.path.join(shots, f"error-{'wm' if with_wm else 'bare'}.png"))
            display.key(error, "Return")
            wait_for(lambda: display.window("Error", timeout=0.1) is None, timeout=5)

        # The help window, centred on its first showing.
        display.click(cx + 336 + 36, cy + 104 + 9)
        help_window = display.window("Help")
        check(help_window is not None, f"{label}: the help window is shown")
        if help_window:
            check_centred(display.settled_frame(help_window), f"{label}: the help window")
            if shots:
                time.sleep(0.3)
                display.grab().save(os.path.join(shots, f"help-{'wm' if with_wm else 'bare'}.png"))
            if with_wm:
                minimise_checks(display, cx, cy, main, graph, help_window, shots)
        if not with_wm:
            hover_and_about_checks(display, cx, cy, shots)
    finally:
        stop(app)
        display.close()
        shutil.rmtree(home, ignore_errors=True)


def scale_session(program, example, shots, scale=2):
    """The program on a screen scaled by QT_SCALE_FACTOR, under openbox: the
    window font as bold as the buttons' captions, the dialogs centred to the
    device pixel."""
    label = f"openbox, scale {scale}"
    print(f"-- {label}", flush=True)
    home = tempfile.mkdtemp(prefix="helixor-home-")
    display = Display(True, home, scale=scale)
    app = None
    try:
        app = start_program(display, home, program, example)
        confirm = first_window(display, app, home, "Confirm")
        check(confirm is not None, f"{label}: the association question is shown")
        if confirm:
            check_centred(display.settled_frame(confirm), f"{label}: the question")
            display.key(confirm, "Escape")
        main = display.window("Helixor 1.0")
        check(main is not None, f"{label}: the main window is shown")
        if not main:
            return
        display.settled_frame(main)
        cx, cy = display.client_origin(main)

        def at(x, y):  # a point of the main window's client area, in device pixels
            return cx + round(x * scale), cy + round(y * scale)

        screen = settled_screen(display, lambda shot: stroke_width(shot, (*at(16, 47), *at(120, 60))) > 0
                                and stroke_width(shot, (*at(18, 66), *at(87, 81))) > 0)
        if shots:
            screen.save(os.path.join(shots, f"start-scale{scale}.png"))
        # "Graph view mode :" at (16, 47) against the caption of "Front",
        # inside its frame at (16, 64, 73, 19).
        text = stroke_width(screen, (*at(16, 47), *at(120, 60)))
        caption = stroke_width(screen, (*at(18, 66), *at(16 + 71, 64 + 17)))
        check(text >= 1.6 * scale and text >= 0.8 * caption,
              f"{label}: window font is bold (mean stroke {text:.2f} device pixels, "
              f"button captions {caption:.2f}, regular is about {1.3 * scale:.1f})")

        display.click(*at(42 + 30, 24 + 9))
        run("xdotool", "key", "ctrl+a", env=display.env)
        run("xdotool", "type", "1/", env=display.env)
        display.click(*at(416 + 36, 60 + 13))
        error = display.window("Error")
        check(error is not None, f"{label}: the error dialog is shown")
        if error:
            check_centred(display.settled_frame(error), f"{label}: the error dialog")
            display.key(error, "Return")
            wait_for(lambda: display.window("Error", timeout=0.1) is None, timeout=5)
        display.click(*at(336 + 36, 104 + 9))
        help_window = display.window("Help")
        check(help_window is not None, f"{label}: the help window is shown")
        if help_window:
            check_centred(display.settled_frame(help_window), f"{label}: the help window")
    finally:
        stop(app)
        display.close()
        shutil.rmtree(home, ignore_errors=True)


def error_box_session(program):
    """A start on a missing file: the standard error box, centred, and then
    the main window where it belongs."""
    print("-- openbox, missing file", flush=True)
    home = tempfile.mkdtemp(prefix="helixor-home-")
    display = Display(True, home)
    app = None
    try:
        missing = os.path.join(home, "missing.fnc")
        app = start_program(display, home, program, missing)
        box = first_window(display, app, home, "Helixor")
        check(box is not None, "the standard error box is shown")
        if not box:
            return
        check_centred(display.settled_frame(box), "the standard error box")
        display.key(box, "Return")
        main = display.window("Helixor 1.0")
        check(main is not None, "the main window opens after the error")
        if main:
            m = display.settled_frame(main)
            check(m[0] == (SCREEN_W - m[2]) // 2 and m[1] == 10,
                  f"main window outer frame at ({m[0]}, {m[1]}) after the error")
    finally:
        stop(app)
        display.close()
        shutil.rmtree(home, ignore_errors=True)


def main():
    # A timeout's SIGTERM ends the run through the clean-ups, so that no
    # server or window manager is left behind.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(124))
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("example")
    parser.add_argument("--shots")
    args = parser.parse_args()
    if args.shots:
        os.makedirs(args.shots, exist_ok=True)
    program, example = os.path.abspath(args.program), os.path.abspath(args.example)
    runs = [("openbox", lambda: session(program, example, True, args.shots)),
            ("no window manager", lambda: session(program, example, False, args.shots)),
            ("openbox, missing file", lambda: error_box_session(program)),
            ("openbox, scale 2", lambda: scale_session(program, example, args.shots))]
    for label, run_session in runs:
        for attempt in (1, 2):
            try:
                run_session()
                break
            except NothingShown:
                if attempt == 2:
                    check(False, f"{label}: the program shows a window")
                else:
                    print(f"note  {label}: no window came at all; the session once more",
                          flush=True)
    return summary("all desktop checks passed")


if __name__ == "__main__":
    sys.exit(main())
