#!/usr/bin/env python3
"""The arm64 window program, run under qemu-aarch64 on Xvfb with openbox.

Starts the arm64 helixor on a bundled helix, answers the association
question No, types Enter in z(t) and compares the graph window with the
picture that the x86 `helixor-cli render --labels` draws of the same file:
every pixel of the curve and the axes must be the same (the labels are
drawn by the system's fonts and are only counted).

    arm64_desktop_test.py ARM64_HELIXOR X86_HELIXOR_CLI EXAMPLE.fnc [--shots FOLDER]
"""
import argparse
import os
import signal
import sys
import tempfile
import time

from checks import check, compare_graph, graph_mask, stop, summary, wait_for
from desktop_test import Display, describe, run, start_program

GRAPH_CLIENT = (601, 457)
# An emulated processor: every step of the program takes many times longer.
SLOW = 120


def client_area(display, wid):
    info = run("xwininfo", "-id", wid, env=display.env)
    fields = {}
    for line in info.splitlines():
        if ":" in line:
            key, _, value = line.strip().partition(":")
            fields[key.strip()] = value.strip()
    return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
            int(fields["Width"]), int(fields["Height"]))


def session(program, cli, example, shots):
    home = tempfile.mkdtemp(prefix="helixor-arm64-")
    display = Display(True, home)
    app = None
    try:
        app = start_program(display, home, "qemu-aarch64", "-L", "/", program, example)
        # A fresh home knows no .fnc handler: the association question comes first.
        confirm = wait_for(lambda: display.window("Confirm", timeout=0.1), timeout=SLOW)
        check(confirm is not None, "the association question is shown")
        if not confirm:
            describe(display, app, home)
            return
        display.key(confirm, "Escape")  # the answer No
        main = display.window("Helixor 1.0", timeout=SLOW)
        graph = display.window("Graph", timeout=SLOW)
        check(main is not None and graph is not None, "main and graph windows shown")
        if not (main and graph):
            describe(display, app, home)
            return
        time.sleep(1)
        cx, cy, _, _ = client_area(display, main)
        # Enter in z(t) draws the curve.
        run("xdotool", "windowactivate", "--sync", main, env=display.env)
        display.click(cx + 412 + 30, cy + 24 + 9)
        time.sleep(0.5)
        run("xdotool", "key", "--delay", "100", "End", "Return", env=display.env)
        labelled, bare = graph_mask(cli, example, home)
        gc = client_area(display, graph)
        check(gc[2:] == GRAPH_CLIENT, f"graph window client size {gc[2]} x {gc[3]}")

        def drawn():
            result = compare_graph(display.grab(), gc, labelled, bare)
            return result if result and result[1] == 0 and result[0] > 0 else None
        result = wait_for(drawn, timeout=SLOW, step=1.0)
        screen = display.grab()
        if shots:
            screen.save(os.path.join(shots, "arm64-graph.png"))
        if not result:
            result = compare_graph(screen, gc, labelled, bare)
        check(result is not None and result[1] == 0 and result[0] > 0,
              f"curve and axes as x86 helixor-cli draws them: {result[0] if result else 0} pixels "
              f"the same, {result[1] if result else '?'} differ")
        if result:
            print(f"note  label pixels that differ from the x86 labels: {result[2]}", flush=True)
        # Closing the main window (openbox's Alt+F4) ends the program.
        display.key(main, "alt+F4")
        ended = wait_for(lambda: app.poll() is not None, timeout=SLOW)
        check(ended is not None and app.returncode == 0,
              f"the program ends when its main window closes (status {app.poll()})")
    finally:
        stop(app)
        display.close()


def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(124))
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("cli")
    parser.add_argument("example")
    parser.add_argument("--shots")
    args = parser.parse_args()
    if args.shots:
        os.makedirs(args.shots, exist_ok=True)
    session(os.path.abspath(args.program), os.path.abspath(args.cli), os.path.abspath(args.example),
            args.shots)
    return summary("the arm64 program draws the helix as the x86 build does")


if __name__ == "__main__":
    sys.exit(main())
