"""RivovaZiv.exe under Wine and Xvfb, driven through the line driver: a port
that is listed but cannot be opened, and the form's enabling for a main unit
of one family and an automatic unit of the other, one after the other in one
session.

Environment (tests/gui/CMakeLists.txt sets it): RVZ_GUI_APP (RivovaZiv.exe),
RVZ_GUI_DRIVER (gui_line_driver.exe), RVZ_SIM_EXE (rvz-sim), RVZ_GUI_ARTEFACTS
(a folder for screenshots), LANG."""

import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import wine_gui  # noqa: E402

# Each test has its own units, so no test depends on another's port.
LOCKED_UNIT = 41
MAIN_UNIT = 42
AUTO_UNIT = 43

READ_MS = 60000

# Controls of the settings page (the import page shares some ids).
PORT_LIST, OPEN, REFRESH, INFO = "1001", "1002", "1035", "1016@1002"
ROLE, CHANNEL, EXTENSION, PASSWORD, GROUP = "1003", "1023@1002", "1025", "1028", "1034"
SET = "1015"
VOX_RADIOS = ("1011", "1012")
PTT_RADIOS = ("1032", "1010")
IMPORT, IMPORT_OPEN = "1020", "1026@1020"
# Always enabled while the port is open, whatever the role.
OPEN_FORM_CONTROLS = (CHANNEL, PASSWORD, "1007", "1008", SET, "1024", "1026@1002", "1036")


def env(name):
    value = os.environ.get(name)
    if not value:
        raise unittest.SkipTest("%s is not set: run the GUI tests through ctest" % name)
    return value


class PortsAndRoles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.artefacts = env("RVZ_GUI_ARTEFACTS")
        cls.display = wine_gui.Xvfb()
        cls.workdir = tempfile.mkdtemp(prefix="rvz-gui-")
        cls.prefix = cls.sim = cls.driver = None
        try:
            cls.prefix = wine_gui.WinePrefix(os.path.join(cls.workdir, "prefix"),
                                             os.environ.get("LANG", "en_US.UTF-8"), cls.display.name)
            cls.app = cls.prefix.install(env("RVZ_GUI_APP"), "RivovaZiv")
            cls.sim = wine_gui.Simulator(env("RVZ_SIM_EXE"), cls.prefix.dosdevices)
            cls.driver = wine_gui.Driver(cls.prefix, env("RVZ_GUI_DRIVER"))
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        if cls.driver:
            cls.driver.stop()
        if cls.sim:
            cls.sim.stop()
        if cls.prefix:
            cls.prefix.end_server()
        cls.display.stop()
        shutil.rmtree(cls.workdir, ignore_errors=True)

    def setUp(self):
        self.d = self.driver
        self.d.launch(self.app)

    def tearDown(self):
        # Leave no box open, then close as the operator would.
        while self.d.raw("box", 300)[0]:
            self.d("press", 1)
        self.d("close")
        ok, _ = self.d.raw("exit", 10000)
        if not ok:
            self.d("kill")
            self.fail("the program did not end after its window was closed")

    def shot(self, name):
        self.display.screenshot(os.path.join(self.artefacts, name + ".png"), self.d.window_box())

    def select_port(self, number):
        """Refreshes the port list and selects COM<number> in it."""
        self.d("click", REFRESH)
        index = self.d.wait(5000, "not", "-1", "find", PORT_LIST, "COM%d" % number)
        self.d("select", PORT_LIST, index)

    def open_and_read(self, unit):
        """Opens COM<unit>; returns the information lines up to the read's success."""
        earlier = len(self.d("text", INFO))
        self.select_port(unit)
        self.d("click", OPEN)
        self.d.wait(5000, "is", "关闭端口", "text", OPEN)
        deadline = time.monotonic() + READ_MS / 1000
        while True:
            lines = self.d("text", INFO)[earlier:]
            if "获取配置成功！" in lines:
                return lines
            if time.monotonic() > deadline:
                self.fail("no successful read: " + lines)
            time.sleep(0.2)

    def assert_enabled(self, controls, enabled):
        for control in controls:
            self.assertEqual(self.d.flag("enabled", control), enabled, "control %s" % control)

    def test_a_listed_port_that_cannot_be_opened(self):
        self.sim.command("unit %d solvik 0102" % LOCKED_UNIT)
        self.select_port(LOCKED_UNIT)
        # Another program takes the port after the list was made.
        self.sim.command("lock %d on" % LOCKED_UNIT)
        self.d("click", OPEN)
        caption, text = self.d("box", 5000).split("\t")
        self.assertEqual((caption, text), ("RivovaZiv", "打开端口失败"))
        self.shot("open-failed-locked-port")
        self.d("press", 1)

        self.assertEqual(self.d("text", OPEN), "打开端口")
        self.assert_enabled((PORT_LIST, OPEN, REFRESH), True)
        self.assert_enabled(OPEN_FORM_CONTROLS + (EXTENSION, GROUP), False)
        self.assert_enabled((IMPORT, IMPORT_OPEN), False)
        self.assertEqual(self.sim.command("opened %d" % LOCKED_UNIT), "no")

        # Once the port is free again the same choice opens it.
        self.sim.command("lock %d off" % LOCKED_UNIT)
        self.d("click", OPEN)
        self.d.wait(5000, "is", "关闭端口", "text", OPEN)
        self.d.wait(3000, "is", "1", "enabled", IMPORT)
        self.assertEqual(self.sim.command("opened %d" % LOCKED_UNIT), "yes")
        self.d("click", OPEN)
        self.d.wait(5000, "is", "打开端口", "text", OPEN)

    def test_the_form_follows_the_role_and_family_of_each_unit(self):
        # A MARVEK main unit: no extension, no voice or PTT choice, no group.
        self.sim.command("unit %d marvek 1234" % MAIN_UNIT)
        for parameter, value in ((100, 1), (4, 23), (1, 4711), (13, 1)):
            self.sim.command("setparam %d %d %d" % (MAIN_UNIT, parameter, value))
        self.sim.command("autopoweron %d 300" % MAIN_UNIT)
        info = self.open_and_read(MAIN_UNIT)
        self.assertIn("检测到设备开机", info)
        self.assertIn("连接成功！", info)
        self.assertEqual(self.d("text", ROLE), "主机")
        self.assertEqual(self.d("text", CHANNEL), "23")
        self.assertEqual(self.d("text", PASSWORD), "4711")
        self.assertTrue(self.d.flag("checked", PTT_RADIOS[1]))
        self.assert_enabled(OPEN_FORM_CONTROLS, True)
        self.assert_enabled((EXTENSION, GROUP) + VOX_RADIOS + PTT_RADIOS, False)
        self.assertFalse(self.d.flag("enabled", ROLE))
        self.shot("settings-page-marvek-main-unit")

        # Closed: the whole form is disabled.
        self.d("click", OPEN)
        self.d.wait(5000, "is", "打开端口", "text", OPEN)
        self.assert_enabled(OPEN_FORM_CONTROLS, False)

        # A SOLVIK automatic unit: voice and PTT choices, a group, no extension.
        self.sim.command("unit %d solvik 0102" % AUTO_UNIT)
        for parameter, value in ((100, 2), (4, 61), (5, 9)):
            self.sim.command("setparam %d %d %d" % (AUTO_UNIT, parameter, value))
        self.sim.command("autopoweron %d 300" % AUTO_UNIT)
        self.assertIn("获取配置成功！", self.open_and_read(AUTO_UNIT))
        self.assertEqual(self.d("text", ROLE), "自动")
        self.assertEqual(self.d("text", CHANNEL), "61")
        self.assertEqual(self.d("text", GROUP), "9")
        self.assert_enabled(OPEN_FORM_CONTROLS + (GROUP,) + VOX_RADIOS + PTT_RADIOS, True)
        self.assert_enabled((EXTENSION,), False)
        self.shot("settings-page-solvik-automatic-unit")


if __name__ == "__main__":
    unittest.main(verbosity=2)
