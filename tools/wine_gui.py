"""RivovaZiv.exe under Wine, driven from outside: an X display, a Wine
prefix, simulated units and the line driver (tests/gui/gui_line_driver.cpp).
Used by the run command and by the GUI tests. Every process started here is
ended here, by its PID."""

import os
import shutil
import socket
import subprocess
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MAIN_CAPTION = "KV200_KV300_KV400设置工具"


def stop_process(proc, grace=5.0):
    """Ends a process we started: politely, then for good."""
    if proc is None or proc.poll() is not None:
        return
    proc.terminate()
    try:
        proc.wait(grace)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


class Xvfb:
    """A virtual X display of our own; Xvfb picks a free number."""

    def __init__(self, size="1280x1024x24"):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", size, "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as numbers:
            number = numbers.readline().strip()
        if not number:
            stop_process(self.proc)
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + number

    def screenshot(self, path, box=None):
        """Saves the screen, or the box (left, top, right, bottom) of it, as PNG."""
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        cmd = ["import", "-display", self.name, "-window", "root"]
        if box:
            left, top, right, bottom = box
            cmd += ["-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage"]
        subprocess.run(cmd + [path], check=True)

    def stop(self):
        stop_process(self.proc)


class WinePrefix:
    """A Wine prefix made for showing the program (tools/wine-prefix-gui.sh):
    Chinese fonts and a virtual desktop. Only COM ports that a test links."""

    def __init__(self, path, lang, display=None):
        self.path = path
        self.env = dict(os.environ, WINEPREFIX=path, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=", LANG=lang, LC_ALL=lang)
        if display:
            self.env["DISPLAY"] = display
        subprocess.run(["bash", os.path.join(ROOT, "tools", "wine-prefix-gui.sh"), path],
                       env=self.env, check=True)
        self.remove_com_links()

    @property
    def drive_c(self):
        return os.path.join(self.path, "drive_c")

    @property
    def dosdevices(self):
        return os.path.join(self.path, "dosdevices")

    def remove_com_links(self):
        for name in os.listdir(self.dosdevices):
            if name.startswith("com"):
                os.unlink(os.path.join(self.dosdevices, name))

    def install(self, exe, folder):
        """Copies exe to C:\\folder\\ and returns its Windows path."""
        target = os.path.join(self.drive_c, folder)
        os.makedirs(target, exist_ok=True)
        shutil.copy2(exe, target)
        return "C:\\%s\\%s" % (folder, os.path.basename(exe))

    def unix_path(self, windows_path):
        assert windows_path[:3].upper() == "C:\\"
        return os.path.join(self.drive_c, *windows_path[3:].split("\\"))

    def popen(self, args, **kwargs):
        return subprocess.Popen(["wine"] + args, env=self.env, **kwargs)

    def end_server(self):
        """Ends this prefix's wineserver and every Wine process in it."""
        subprocess.run(["wineserver", "-k"], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Simulator:
    """The simulated-unit daemon, its COM links in the prefix, and its
    control connection."""

    def __init__(self, sim_exe, dosdevices, units=(), quiet=True, log=None):
        self.workdir = tempfile.mkdtemp(prefix="rvz-sim-")
        port_file = os.path.join(self.workdir, "control-port")
        cmd = [sim_exe, "--dosdevices", dosdevices, "--control-port-file", port_file]
        for unit in units:
            cmd += ["--unit", unit]
        if quiet:
            cmd.append("--quiet")
        self.proc = subprocess.Popen(cmd, stderr=log or subprocess.DEVNULL)
        deadline = time.monotonic() + 5
        while not (os.path.exists(port_file) and os.path.getsize(port_file)):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.stop()
                raise RuntimeError("the simulator did not start")
            time.sleep(0.05)
        with open(port_file) as f:
            self.control = socket.create_connection(("127.0.0.1", int(f.read())))
        self.replies = self.control.makefile("r", encoding="utf-8")

    def command(self, line):
        """Sends one control line; returns the text after "ok", raises on "err"."""
        self.control.sendall((line + "\n").encode())
        reply = self.replies.readline().rstrip("\n")
        if reply != "ok" and not reply.startswith("ok "):
            raise RuntimeError("simulator: %s -> %s" % (line, reply))
        return reply[3:]

    def param(self, unit, number):
        return int(self.command("param %d %d" % (unit, number)))

    def stop(self):
        if getattr(self, "control", None):
            self.control.close()
        stop_process(self.proc)
        shutil.rmtree(self.workdir, ignore_errors=True)


class DriverError(Exception):
    pass


def _escape_arg(text):
    text = str(text)
    for raw, escaped in (("\\", "\\\\"), (" ", "\\s"), ("\t", "\\t"), ("\r", "\\r"), ("\n", "\\n")):
        text = text.replace(raw, escaped)
    return text


def _unescape_value(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"r": "\r", "n": "\n", "t": "\t"}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


class Driver:
    """The line driver under Wine: one process for a whole session.
    Controls are named as the driver names them: "main", "1016",
    "1016@1002" (control 1016 of the page that holds 1002)."""

    def __init__(self, prefix, driver_exe):
        self.prefix = prefix
        self.proc = prefix.popen([prefix.install(driver_exe, "rvz-driver")],
                                 stdin=subprocess.PIPE, stdout=subprocess.PIPE)

    def raw(self, *args):
        """One command; returns (ok, value)."""
        line = " ".join(_escape_arg(a) for a in args) + "\n"
        self.proc.stdin.write(line.encode("utf-8"))
        self.proc.stdin.flush()
        reply = self.proc.stdout.readline().decode("utf-8").rstrip("\n")
        if not reply:
            raise DriverError("the driver ended (command: %s)" % line.strip())
        word, _, value = reply.partition(" ")
        return word == "ok", _unescape_value(value)

    def __call__(self, *args):
        ok, value = self.raw(*args)
        if not ok:
            raise DriverError("%s: %s" % (" ".join(map(str, args)), value))
        return value

    def flag(self, *args):
        return self(*args) == "1"

    def wait(self, ms, mode, expected, *command):
        return self("wait", ms, mode, expected, *command)

    def launch(self, exe_windows_path, ms=30000):
        """Starts the program and waits for its main window; returns the
        milliseconds from launch to the window shown."""
        self("launch", exe_windows_path)
        return int(self("attach", MAIN_CAPTION, ms))

    def window_box(self):
        """The main window's screen rectangle (left, top, right, bottom)."""
        return tuple(int(v) for v in self("rect", "main").split())

    def stop(self):
        if self.proc.poll() is None:
            try:
                self.proc.stdin.close()
            except OSError:
                pass
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                pass
        stop_process(self.proc)


def run_with_display(locale, acp, shots, cmd):
    """Runs cmd on a display and in a fresh GUI prefix of its own, made
    beside $WINEPREFIX so that two runs at once do not share one.
    Screenshots that cmd saves as BMP in $RVZ_GUI_SHOTS land in shots as
    PNG. Returns cmd's exit code."""
    base = os.environ["WINEPREFIX"]
    os.makedirs(os.path.dirname(base), exist_ok=True)
    path = tempfile.mkdtemp(prefix=os.path.basename(base) + ".", dir=os.path.dirname(base))
    xvfb = Xvfb()
    prefix = None
    try:
        prefix = WinePrefix(path, locale, xvfb.name)
        shutil.rmtree(shots, ignore_errors=True)
        os.makedirs(shots)
        # Wine reaches the Unix root as drive Z:. (Asking winepath would
        # leave its wineserver holding a pipe of ours open.)
        shots_windows = "Z:" + os.path.abspath(shots).replace("/", "\\")
        env = dict(prefix.env, RVZ_GUI_ACP=acp, RVZ_GUI_SHOTS=shots_windows)
        code = subprocess.run(cmd, env=env).returncode
        for name in os.listdir(shots):
            if name.endswith(".bmp"):
                bmp = os.path.join(shots, name)
                subprocess.run(["convert", bmp, bmp[:-4] + ".png"], check=True)
                os.unlink(bmp)
        return code
    finally:
        if prefix:
            prefix.end_server()
        xvfb.stop()
        shutil.rmtree(path, ignore_errors=True)


if __name__ == "__main__":
    import sys
    if len(sys.argv) < 6 or sys.argv[1] != "run":
        sys.exit("usage: wine_gui.py run LOCALE ACP SHOT_DIR CMD...")
    sys.exit(run_with_display(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:]))
