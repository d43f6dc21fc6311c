"""What the desktop tests share: the check lines, the waiting, the ending
of processes and the comparison of a graph window with the picture of
helixor-cli render --labels."""
import os
import subprocess
import sys
import time

failures = []


def check(ok, what):
    print(("ok    " if ok else "FAIL  ") + what, flush=True)
    if not ok:
        failures.append(what)


def stop(process):
    """Ends a process that still runs: politely first, then for sure."""
    if process and process.poll() is None:
        process.terminate()
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()


def wait_for(predicate, timeout=15.0, step=0.05):
    """The predicate's first true value, or None when the time is up."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return None


def summary(passed):
    """The closing line and the exit status of a run."""
    if failures:
        print(f"{len(failures)} check(s) failed", flush=True)
        return 1
    print(passed, flush=True)
    return 0


def graph_mask(cli, example, work):
    """The Linux picture with its labels, and the one without (curve and
    axes are the same in both). PIL is imported here: not every desktop
    test compares pictures."""
    from PIL import Image
    labelled = os.path.join(work, "linux-labelled.png")
    bare = os.path.join(work, "linux-bare.png")
    subprocess.run([cli, "render", example, "--labels", "-o", labelled], check=True)
    subprocess.run([cli, "render", example, "--format", "png", "-o", bare], check=True)
    return Image.open(labelled).convert("RGB"), Image.open(bare).convert("RGB")


def compare_graph(screen, client, labelled, bare):
    """(same, differing) pixels of the curve and axes, and the differing
    pixels of the labels. A label's place is where the Linux picture with
    labels differs from the one without, widened by 8 pixels: the window's
    labels are drawn by the system's fonts, whose widths differ a little."""
    from PIL import Image, ImageFilter
    x, y, w, h = client
    shown = screen.crop((x, y, x + w, y + h))
    if shown.size != labelled.size:
        return None
    # The bare picture lies at the client area's top left; the strips
    # beyond it are the window's black background.
    full = Image.new("RGB", labelled.size, (0, 0, 0))
    full.paste(bare, (0, 0))
    mask = Image.new("L", labelled.size, 0)
    lp, bp, mp = labelled.load(), full.load(), mask.load()
    for j in range(h):
        for i in range(w):
            if lp[i, j] != bp[i, j]:
                mp[i, j] = 255
    mask = mask.filter(ImageFilter.MaxFilter(17))
    mp, sp = mask.load(), shown.load()
    same_drawing = differing_drawing = differing_labels = 0
    for j in range(h):
        for i in range(w):
            if mp[i, j]:
                differing_labels += sp[i, j] != lp[i, j]
            elif sp[i, j] == lp[i, j]:
                same_drawing += 1
            else:
                differing_drawing += 1
    return same_drawing, differing_drawing, differing_labels
