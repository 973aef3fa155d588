"""Runs RivovaZiv.exe under Wine against a simulated unit; tools/run.sh
builds what it needs and calls this.

On a display, the window opens there for a person to use. Without one, the
program runs on a virtual display and is driven from here: the port is
opened, the unit switches itself on, the form fills, a screenshot is saved.
Everything started here is ended before it returns."""

import argparse
import glob
import os
import sys

import wine_gui


def parse_args():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--exe", required=True, help="RivovaZiv.exe")
    p.add_argument("--sim", required=True, help="the rvz-sim daemon")
    p.add_argument("--driver", required=True, help="gui_line_driver.exe")
    p.add_argument("--dir", required=True, help="folder for the Wine prefix, the screenshot and the logs")
    p.add_argument("--shot", help="where the screenshot goes (default: DIR/screenshot.png)")
    p.add_argument("--com", type=int, default=3, help="the unit's COM port number (default 3)")
    p.add_argument("--family", choices=("solvik", "marvek"), default="solvik")
    p.add_argument("--headless", action="store_true", help="use a virtual display even when DISPLAY is set")
    return p.parse_args()


def log_files(prefix):
    return sorted(glob.glob(os.path.join(prefix.drive_c, "RivovaZiv", "log", "*.log")))


def run_on_display(args, prefix, exe):
    print("RivovaZiv.exe is opening on %s." % os.environ["DISPLAY"])
    print("In the window: COM port list -> COM%d, then 打开端口 (open port)." % args.com)
    print("The simulated unit switches itself on half a second later; the tool")
    print("logs in and fills the form. Close the window to end.")
    app = prefix.popen([exe])
    try:
        app.wait()
    finally:
        wine_gui.stop_process(app)


def drive_headless(args, prefix, exe, display, shot):
    port = "COM%d" % args.com
    print("No display: running on a virtual one (%s) and opening %s myself." % (display.name, port))
    driver = wine_gui.Driver(prefix, args.driver)
    try:
        ms = driver.launch(exe)
        print("main window shown %d ms after launch" % ms)
        names = [driver("item", 1001, i) for i in range(int(driver("count", 1001)))]
        print("port list: %s" % ", ".join(names))
        driver("select", 1001, names.index(port))
        driver("click", 1002)
        driver.wait(5000, "is", "关闭端口", "text", 1002)
        info = driver.wait(60000, "has", "获取配置成功！", "text", "1016@1002")
        print("information box:")
        for line in info.splitlines():
            print("  " + line)
        display.screenshot(shot, driver.window_box())
        print("screenshot: %s" % shot)
        driver("close")
        driver("exit", 10000)
    finally:
        driver.stop()


def main(args):
    os.makedirs(args.dir, exist_ok=True)
    out = os.path.abspath(args.dir)
    headless = args.headless or not os.environ.get("DISPLAY")
    display = wine_gui.Xvfb() if headless else None
    prefix = sim = None
    try:
        lang = os.environ.get("LANG") or "C.UTF-8"
        prefix = wine_gui.WinePrefix(os.path.join(out, "wineprefix"), lang,
                                     display.name if display else os.environ["DISPLAY"])
        exe = prefix.install(args.exe, "RivovaZiv")
        with open(os.path.join(out, "rvz-sim.log"), "w") as sim_log:
            sim = wine_gui.Simulator(args.sim, prefix.dosdevices,
                                     units=["%d:%s:0102" % (args.com, args.family)],
                                     quiet=False, log=sim_log)
        print("simulated %s unit on COM%d (its report: %s)"
              % (args.family.upper(), args.com, os.path.join(out, "rvz-sim.log")))
        if headless:
            drive_headless(args, prefix, exe, display, args.shot or os.path.join(out, "screenshot.png"))
        else:
            run_on_display(args, prefix, exe)
        print("the program: %s" % prefix.unix_path(exe))
        for log in log_files(prefix):
            print("its log: %s" % log)
    finally:
        if sim:
            sim.stop()
        if prefix:
            prefix.end_server()
        if display:
            display.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main(parse_args()))
