#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A chatty device on a pseudo-terminal, flooding the running editor.

For each of three shapes (66-byte lines, "OK" CR LF lines, no line ends at all) a fresh
editor runs on a private Xvfb display with port 1 named by QIE_COM1, "Open" is clicked, and
MEGABYTES MiB are written to the terminal's master side as fast as the editor reads them.
Printed per shape:

- drain: seconds from the first byte written until the editor has read the last one (its
  read count in /proc/PID/io has grown by the bytes sent; the few bytes it reads from the X
  server meanwhile make this end a little early, by far less than a chunk);
- CPU: the editor's own processor time over the same span (user and system), the figure to
  compare on a machine that other work keeps busy;
- peak: the editor's peak resident memory (VmHWM) after the stream;
- click: milliseconds from a real mouse click on cell 0 (XTest) until the cell's centre pixel
  changes on the screen, median of CLICKS clicks at rest before the stream and during it.

    bench/receive_stream.py BUILD_DIR [MEGABYTES] [CLICKS]      (needs Xvfb, xdotool)

The targets: peak under 100 MB, no drain over twice that of the 66-byte lines, and the click
during the stream within 250 ms of the click at rest.
"""
import ctypes
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import tty

CHUNK = 64 * 1024


def shape_block(shape):
    if shape == "lines66":
        # 64 characters and CR LF, numbered as a device would number its records.
        return b"".join(b"%08d " % i + bytes([97 + i % 26]) * 55 + b"\r\n" for i in range(1000))
    if shape == "ok":
        return b"OK\r\n" * 16384
    return bytes(range(0x20, 0x7F)) * 700  # printable, no line end anywhere


class Screen:
    """Clicks and looks at pixels through Xlib and XTest, without headers, via ctypes."""

    class XImage(ctypes.Structure):
        _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int),
                    ("xoffset", ctypes.c_int), ("format", ctypes.c_int),
                    ("data", ctypes.POINTER(ctypes.c_uint32))]

    def __init__(self):
        self.x = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XGetImage.restype = ctypes.POINTER(self.XImage)
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x.XDestroyImage = None  # a macro; the image is freed through its data below
        self.x.XFree.argtypes = [ctypes.c_void_p]
        self.x.XFlush.argtypes = [ctypes.c_void_p]
        self.x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                   ctypes.c_ulong]
        self.xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                                   ctypes.c_int, ctypes.c_ulong]
        self.display = self.x.XOpenDisplay(None)
        if not self.display:
            raise RuntimeError("cannot open the display")
        self.root = self.x.XDefaultRootWindow(self.display)

    def pixel(self, px, py):
        image = self.x.XGetImage(self.display, self.root, px, py, 1, 1, 0xFFFFFFFF, 2)  # ZPixmap
        value = image.contents.data[0] & 0xFFFFFF
        self.x.XFree(ctypes.cast(image.contents.data, ctypes.c_void_p))
        self.x.XFree(ctypes.cast(image, ctypes.c_void_p))
        return value

    def click(self, px, py):
        self.xtst.XTestFakeMotionEvent(self.display, -1, px, py, 0)
        self.xtst.XTestFakeButtonEvent(self.display, 1, 1, 0)
        self.xtst.XTestFakeButtonEvent(self.display, 1, 0, 0)
        self.x.XFlush(self.display)

    def click_latency(self, px, py, timeout=30.0):
        before = self.pixel(px, py)
        start = time.monotonic()
        self.click(px, py)
        while self.pixel(px, py) == before:
            if time.monotonic() - start > timeout:
                raise RuntimeError("the cell never changed on the screen")
        return (time.monotonic() - start) * 1000.0


def read_chars(pid):
    with open(f"/proc/{pid}/io") as io:
        for line in io:
            if line.startswith("rchar:"):
                return int(line.split()[1])
    raise RuntimeError("no rchar")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def peak_kb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    raise RuntimeError("no VmHWM")


def holds(pid, path):
    try:
        return any(os.readlink(f"/proc/{pid}/fd/{fd}") == path
                   for fd in os.listdir(f"/proc/{pid}/fd"))
    except OSError:
        return False


def run_shape(editor, shape, megabytes, clicks, log, xvfb_pid, work):
    master, slave = os.openpty()
    slave_path = os.ttyname(slave)
    tty.setraw(slave)
    os.close(slave)  # nobody but the editor may hold the device
    env = dict(os.environ, QIE_COM1=slave_path)
    app = subprocess.Popen([editor], env=env, stdout=log, stderr=log)
    try:
        frame = subprocess.run(
            ["timeout", "20", "xdotool", "search", "--sync", "--onlyvisible", "--name",
             "^Quernel Image Editor$"], capture_output=True, text=True, check=True
        ).stdout.split()[0]
        geometry = dict(line.split("=") for line in subprocess.run(
            ["xdotool", "getwindowgeometry", "--shell", frame],
            capture_output=True, text=True, check=True).stdout.split())
        ox, oy = int(geometry["X"]), int(geometry["Y"])

        def px(twips):
            return (twips * 2 + 15) // 30

        screen = Screen()
        time.sleep(1.0)
        # "Open": the button's centre, 105 twips above the top of the workspace.
        screen.click(ox + px(12120 + 2040 + 307), oy + px(6000 + 240 + 247 - 105))
        for _ in range(200):
            if holds(app.pid, slave_path):
                break
            time.sleep(0.05)
        else:
            raise RuntimeError("the editor did not open " + slave_path)
        time.sleep(0.5)
        cell_x = ox + (px(120) + px(120 + 235)) // 2
        cell_y = oy + (px(120 - 105) + px(120 + 235 - 105)) // 2

        rest = []
        for _ in range(clicks):
            rest.append(screen.click_latency(cell_x, cell_y))
            time.sleep(0.2)

        total = megabytes * 1024 * 1024
        block = shape_block(shape)
        stream = os.path.join(work, "stream")
        with open(stream, "wb") as f:
            for at in range(0, total, CHUNK):
                f.write(block[: min(CHUNK, total - at)])
        baseline = read_chars(app.pid)
        start = time.monotonic()
        cpu_start = cpu_seconds(app.pid)
        xvfb_start = cpu_seconds(xvfb_pid)
        # A process of its own writes, so that nothing here holds the writes up: the device
        # is as fast as the editor reads.
        pusher = subprocess.Popen(["cat", stream], stdout=master)
        # Clicks spread over the stream, once it is well under way.
        during = []
        while len(during) < clicks and read_chars(app.pid) - baseline < total * 0.9:
            time.sleep(0.3)
            if read_chars(app.pid) - baseline > total * 0.05:
                during.append(screen.click_latency(cell_x, cell_y))
        while read_chars(app.pid) - baseline < total:
            if app.poll() is not None:
                raise RuntimeError("the editor ended during the stream")
            time.sleep(0.01)
        drain = time.monotonic() - start
        cpu = cpu_seconds(app.pid) - cpu_start
        xvfb_cpu = cpu_seconds(xvfb_pid) - xvfb_start
        pusher.wait()
        time.sleep(0.5)
        return {"drain": drain, "cpu": cpu, "xvfb": xvfb_cpu, "peak": peak_kb(app.pid), "rest": rest, "during": during}
    finally:
        app.kill()
        app.wait()
        os.close(master)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = sys.argv[1]
    megabytes = int(sys.argv[2]) if len(sys.argv) > 2 else 30
    clicks = int(sys.argv[3]) if len(sys.argv) > 3 else 7
    editor = os.path.join(build, "quernel-image-editor")
    for tool in ("Xvfb", "xdotool"):
        if not shutil.which(tool):
            sys.exit(f"missing {tool}: run scripts/deps.sh")
    work = tempfile.mkdtemp()
    display_file = os.path.join(work, "display")
    with open(display_file, "w") as fd3:
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(fd3.fileno()), "-screen", "0",
                                 "1280x800x24", "-nolisten", "tcp", "-noreset"],
                                pass_fds=(fd3.fileno(),), stderr=subprocess.DEVNULL)
    try:
        for _ in range(100):
            if os.path.getsize(display_file) > 0:
                break
            time.sleep(0.05)
        with open(display_file) as f:
            os.environ["DISPLAY"] = ":" + f.read().strip()
        for var in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY"):
            os.environ.pop(var, None)
        for _ in range(100):
            if subprocess.run(["xdotool", "getmouselocation"], capture_output=True).returncode == 0:
                break
            time.sleep(0.05)
        results = {}
        with open(os.path.join(work, "editor.log"), "w") as log:
            for shape in os.environ.get("QIE_SHAPES", "lines66 ok noends").split():
                results[shape] = run_shape(editor, shape, megabytes, clicks, log, xvfb.pid, work)
                r = results[shape]
                print(f"{shape:8} {megabytes} MiB: drain {r['drain']:6.2f} s"
                      f" (CPU: editor {r['cpu']:5.2f} s, X server {r['xvfb']:5.2f} s)  peak {r['peak'] / 1024:6.1f} MB"
                      f"  click at rest {statistics.median(r['rest']):6.1f} ms"
                      f"  during {statistics.median(r['during']) if r['during'] else float('nan'):6.1f} ms"
                      f" (max {max(r['during']) if r['during'] else float('nan'):.1f})", flush=True)
        if "lines66" not in results:
            return
        base = results["lines66"]["drain"]
        cpu_base = results["lines66"]["cpu"]
        print("drain ratio to lines66: " + "  ".join(
            f"{s} {results[s]['drain'] / base:.2f}" for s in results)
            + "   editor CPU ratio: " + "  ".join(
            f"{s} {results[s]['cpu'] / cpu_base:.2f}" for s in results))
    finally:
        xvfb.kill()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
