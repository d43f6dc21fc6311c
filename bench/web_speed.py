#!/usr/bin/env python3
"""web_speed: how fast the WebAssembly build draws, against the native one.

The bundled helix and the heavy curve of render_bench, at 10^6 samples, drawn
by the native x86 helixor-cli (CPU time of the whole process, as render_bench
measures it) and by the WebAssembly build three ways: helixor-cli.js under
Node as a whole process (CPU time, start-up and compilation included), the
page's module under Node (CPU time of the drawing alone), and the page's
module in a worker of headless Chromium (time inside the worker, from
performance.now). The rounds are interleaved at random in one run; medians
and minimums are printed with the ratios to native, and the load average at
the start (figures from a busy machine do not hold).

Usage: web_speed.py NATIVE_CLI WASM_BUILD_DIR [--rounds N] [--samples N]
(WASM_BUILD_DIR as the web preset makes it: build/wasm).
"""
import argparse
import functools
import http.server
import json
import os
import random
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
HELIX = os.path.join(ROOT, "resources", "examples", "helix.fnc")
HEAVY = {"AEdit": "0.5", "BEdit": "1.5", "xt": "cos(2^t)*ln(sqr(atan(t)))+sin(3*t)",
         "yt": "(t MOD 3)*exp(-t/10)+sqrt(abs(sin(t)))", "zt": "2*cos(t)+abs(sin(3*t))^2"}


def fields_of(curve, samples):
    fields = {}
    if curve == "helix":
        with open(HELIX, encoding="latin-1") as f:
            for line in f.read().splitlines():
                name, _, text = line.partition("=")
                fields[name] = text
    else:
        fields = dict(HEAVY)
    # Precission n - 1 gives n samples.
    fields["Precission"] = str(samples - 1)
    return fields


def child_cpu(command, scratch):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    out = subprocess.run(command, cwd=scratch, capture_output=True, text=True, check=True).stdout
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return 1000 * ((after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)), out


def render_command(program, fields, scratch):
    command = list(program) + ["render"]
    for name, text in fields.items():
        command += ["--set", f"{name}={text}"]
    return command + ["-o", os.path.join(scratch, "picture.bmp")]


def labels_of(report):
    lines = dict(line.split(": ", 1) for line in report.splitlines() if ": " in line)
    return lines.get("zoom"), lines.get("length")


class Browser:
    def __init__(self, site):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        self.folder = tempfile.mkdtemp(prefix="helixor-web-speed-")
        for name in ("helixor-web.js", "helixor-web.wasm"):
            shutil.copy(os.path.join(site, name), self.folder)
        for name in ("bench.html", "bench-worker.js"):
            shutil.copy(os.path.join(HERE, "web", name), self.folder)
        handler = functools.partial(QuietHandler, directory=self.folder)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        options = webdriver.ChromeOptions()
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage"):
            options.add_argument(argument)
        options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
        self.driver = webdriver.Chrome(service=Service(shutil.which("chromedriver") or "/usr/bin/chromedriver"),
                                       options=options)
        self.driver.set_script_timeout(600)
        self.driver.get(f"http://127.0.0.1:{self.server.server_address[1]}/bench.html")
        self.version = self.driver.capabilities.get("browserVersion", "?")

    def draw(self, fields):
        return self.driver.execute_async_script(
            "const done = arguments[arguments.length - 1]; window.drawOnce(arguments[0]).then(done);", fields)

    def close(self):
        self.driver.quit()
        self.server.shutdown()
        shutil.rmtree(self.folder, ignore_errors=True)


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".wasm": "application/wasm",
                      ".js": "text/javascript"}

    def log_message(self, *args):
        pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("native_cli")
    parser.add_argument("wasm_build")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--samples", type=int, default=1000000)
    args = parser.parse_args()
    args.native_cli = os.path.abspath(args.native_cli)
    args.wasm_build = os.path.abspath(args.wasm_build)
    node_cli = os.path.join(args.wasm_build, "cli", "helixor-cli.js")
    site = os.path.join(args.wasm_build, "web", "site")
    load = os.getloadavg()[0]
    print(f"load average {load:.2f}" + ("  (busy machine: figures do not hold)" if load > 0.5 else ""))
    node = shutil.which("node")
    version = subprocess.run([node, "--version"], capture_output=True, text=True).stdout.strip()
    browser = Browser(site)
    print(f"node {version}, chromium {browser.version}, {args.samples} samples, {args.rounds} rounds")
    scratch = tempfile.mkdtemp(prefix="helixor-web-speed-", dir="/dev/shm" if os.path.isdir("/dev/shm") else None)
    ways = ["native", "node-cli", "node-module", "chromium-worker"]
    times = {(curve, way): [] for curve in ("helix", "heavy") for way in ways}
    rounds = [(curve, way) for curve in ("helix", "heavy") for way in ways] * args.rounds
    random.seed(1)
    random.shuffle(rounds)
    expected = {}
    try:
        for curve in ("helix", "heavy"):
            _, report = child_cpu(render_command([args.native_cli], fields_of(curve, args.samples), scratch), scratch)
            expected[curve] = labels_of(report)
        for curve, way in rounds:
            fields = fields_of(curve, args.samples)
            if way == "native":
                ms, report = child_cpu(render_command([args.native_cli], fields, scratch), scratch)
                labels = labels_of(report)
            elif way == "node-cli":
                ms, report = child_cpu(render_command([node, node_cli], fields, scratch), scratch)
                labels = labels_of(report)
            elif way == "node-module":
                command = [node, os.path.join(HERE, "web", "node-draw.js"), site] + [f"{k}={v}" for k, v in fields.items()]
                answer = json.loads(subprocess.run(command, capture_output=True, text=True, check=True).stdout)
                ms, labels = answer["cpu"], (answer["zoom"], answer["length"])
            else:
                answer = browser.draw(fields)
                ms, labels = answer["ms"], (answer["zoom"], answer["length"])
            if labels != expected[curve]:
                sys.exit(f"web_speed: {way} drew the {curve} otherwise: {labels} against {expected[curve]}")
            times[(curve, way)].append(ms)
    finally:
        browser.close()
        shutil.rmtree(scratch, ignore_errors=True)

    print(f"{'curve':6} {'way':16} {'median ms':>10} {'min ms':>9} {'x native (median)':>18} {'x native (min)':>15}")
    for curve in ("helix", "heavy"):
        base = times[(curve, "native")]
        for way in ways:
            t = times[(curve, way)]
            print(f"{curve:6} {way:16} {statistics.median(t):10.1f} {min(t):9.1f} "
                  f"{statistics.median(t) / statistics.median(base):18.2f} {min(t) / min(base):15.2f}")
    print("goal: at most 4x native CPU time (node-cli: CPU of the whole process; node-module: CPU of the "
          "drawing; chromium-worker: time inside the worker)")


if __name__ == "__main__":
    main()
