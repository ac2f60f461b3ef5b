#!/usr/bin/python3
"""The window as a screen reader reads it: the program runs on a display, a session bus and an
accessibility bus of the test's own, scans a small tree, and is read through AT-SPI (pyatspi) while keys
and clicks go to it through the X server. Usage: ScreenReaderTest.py PROGRAM"""

import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import warnings

PROGRAM = None
SUMMARY = "Scan completed (6 files scanned, 5 duplicates found)"
TOOLBAR = ["Add Folder", "Delete Folder", "Scan Folders", "Stop Scan", "Cut", "Copy", "Paste", "About"]


def wait_for(what, check, seconds=30):
    """Runs the reader's event loop until check() answers, and returns that answer."""
    answer = wait_quietly(check, seconds)
    if not answer:
        raise AssertionError("timed out waiting for " + what)
    return answer


def wait_quietly(check, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        answer = check()
        if answer:
            return answer
        pump(0.05)
    return None


def pump(seconds):
    from gi.repository import GLib
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        while context.iteration(False):
            pass
        time.sleep(0.01)


class Server:
    """Keys and clicks through the X server's XTest extension, as a user's keyboard and mouse send them."""

    def __init__(self, display):
        self.x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
        self.xtst = ctypes.cdll.LoadLibrary("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        for name in ("XKeysymToKeycode", "XFlush", "XCloseDisplay"):
            getattr(self.x11, name).argtypes = [ctypes.c_void_p] + ([ctypes.c_ulong] if name.startswith("XK") else [])
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p] + [ctypes.c_int] * 3 + [ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(display.encode())

    def keys(self, combination):
        names = {"ctrl": "Control_L", "shift": "Shift_L", "alt": "Alt_L"}
        codes = [self.x11.XKeysymToKeycode(self.display, self.x11.XStringToKeysym(names.get(k, k).encode()))
                 for k in combination.split("+")]
        for code in codes:
            self.xtst.XTestFakeKeyEvent(self.display, code, 1, 0)
        for code in reversed(codes):
            self.xtst.XTestFakeKeyEvent(self.display, code, 0, 0)
        self.x11.XFlush(self.display)

    def click(self, x, y):
        self.xtst.XTestFakeMotionEvent(self.display, -1, x, y, 0)
        self.xtst.XTestFakeButtonEvent(self.display, 1, 1, 0)
        self.xtst.XTestFakeButtonEvent(self.display, 1, 0, 0)
        self.x11.XFlush(self.display)


def start(test, command, env, **options):
    """A process of its own group, which ends with everything it started once the tests are done."""
    process = subprocess.Popen(command, env=env, start_new_session=True, **options)
    test.addClassCleanup(lambda: (os.killpg(process.pid, signal.SIGKILL), process.wait()))
    return process


class ScreenReaderTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="quorvel-reader-")
        cls.addClassCleanup(shutil.rmtree, cls.folder, ignore_errors=True)
        cls.make_tree()
        env = cls.start_buses()
        cls.start_program(env)

    @classmethod
    def make_tree(cls):
        cls.tree = os.path.join(cls.folder, "tree")
        contents = {"a/one.txt": "1", "b/one.txt": "1", "c/one.txt": "1", "a/two.dat": "22", "b/two.dat": "22",
                    "a/single.bin": "333"}
        for path, text in contents.items():
            os.makedirs(os.path.dirname(os.path.join(cls.tree, path)), exist_ok=True)
            with open(os.path.join(cls.tree, path), "w") as file:
                file.write(text * 100)

    @classmethod
    def start_buses(cls):
        """A display, a session bus and the accessibility bus of the test's own; the reader connects to
        the latter through the former, as a desktop's readers do."""
        env = dict(os.environ, HOME=cls.folder, XDG_CONFIG_HOME=os.path.join(cls.folder, "config"),
                   XDG_DATA_HOME=os.path.join(cls.folder, "data"), XDG_CACHE_HOME=os.path.join(cls.folder, "cache"),
                   XDG_RUNTIME_DIR=cls.folder, GTK_MODULES="gail:atk-bridge")
        env.pop("NO_AT_BRIDGE", None)
        xvfb = start(cls, ["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"], env,
                     stdout=subprocess.PIPE)
        env["DISPLAY"] = ":" + xvfb.stdout.readline().decode().strip()
        bus = start(cls, ["dbus-daemon", "--session", "--nofork", "--print-address=1"], env, stdout=subprocess.PIPE,
                    stderr=subprocess.DEVNULL)
        env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()
        start(cls, ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately", "--a11y=1"], env,
              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.environ.update(env)
        cls.server = Server(env["DISPLAY"])
        return env

    @classmethod
    def start_program(cls, env):
        os.makedirs(env["XDG_CONFIG_HOME"])
        with open(os.path.join(env["XDG_CONFIG_HOME"], "Quorvel.conf"), "w") as settings:
            settings.write("[Folders]\nFolder0=" + cls.tree + "\n")
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            import pyatspi  # after the buses: it finds the accessibility bus once, when it starts
        cls.atspi = pyatspi
        cls.events = []
        kinds = ["object:announcement", "object:selection-changed", "object:active-descendant-changed"]
        pyatspi.Registry.registerEventListener(lambda event: cls.events.append(event), *kinds)
        start(cls, [PROGRAM], env)
        cls.app = wait_for("the program on the bus", cls.application)
        # The scan through the toolbar's button, as a reader presses it (a closed menu's item pressed over
        # the bus makes the toolkit grab a window it has not made); what follows is what each test reads.
        button = wait_for("the toolbar's Scan Folders", lambda: cls.find(cls.app, "push button", "Scan Folders"))
        button.queryAction().doAction(0)
        cls.table = wait_quietly(lambda: cls.find(cls.app, "table", "Duplicates"), 10)
        if cls.table:
            wait_for("the scan's rows", lambda: cls.table.queryTable().nRows == 5)

    @classmethod
    def application(cls):
        desktop = cls.atspi.Registry.getDesktop(0)
        return next((app for app in desktop if app is not None and app.name == "quorvel"), None)

    @classmethod
    def find(cls, root, role, name=None):
        return cls.atspi.findDescendant(root, lambda o: o.getRoleName() == role and name in (None, o.name))

    def duplicates(self):
        self.assertIsNotNone(self.table, "no table named Duplicates")
        return self.table.queryTable()

    def announced(self, text):
        return any(e.type == "object:announcement" and e.any_data == text for e in self.events)

    def test_duplicates_list_is_a_table_of_the_rows_with_their_groups(self):
        table = self.duplicates()
        self.assertEqual([table.getColumnDescription(c) for c in range(table.nColumns)],
                         ["File", "Location", "Type", "Size", "Last Modified"])
        rows = [(table.getAccessibleAt(r, 0).name, table.getAccessibleAt(r, 1).name) for r in range(5)]
        expected = [(name, os.path.join(self.tree, folder)) for name, folder in
                    [("one.txt", "a"), ("one.txt", "b"), ("one.txt", "c"), ("two.dat", "a"), ("two.dat", "b")]]
        self.assertEqual(sorted(rows), expected)
        sizes = {"one.txt": "100", "two.dat": "200"}
        self.assertEqual([table.getAccessibleAt(r, 3).name for r in range(5)], [sizes[n] for n, _ in rows])
        first = "one.txt" if rows[0][0] == "one.txt" else "two.dat"
        copies = {"one.txt": 3, "two.dat": 2}
        for row, (name, _) in enumerate(rows):
            group = 1 if name == first else 2
            copy = row + 1 if group == 1 else row + 1 - copies[first]
            text = "group %d of 2, copy %d of %d" % (group, copy, copies[name])
            self.assertEqual(table.getRowDescription(row), text)
            self.assertEqual(table.getAccessibleAt(row, 0).description, text)

    def test_folder_list_is_a_table_of_the_folders(self):
        table = self.find(self.app, "table", "Folders").queryTable()
        self.assertEqual((table.nRows, table.getAccessibleAt(0, 0).name), (1, self.tree))

    def test_selection_follows_a_click_and_ctrl_a(self):
        table = self.duplicates()
        cell = table.getAccessibleAt(2, 1)
        x, y, width, height = cell.queryComponent().getExtents(self.atspi.DESKTOP_COORDS)
        self.server.click(x + width // 2, y + height // 2)
        wait_for("the clicked row selected", lambda: table.nSelectedRows == 1 and table.isRowSelected(2))
        self.assertTrue(cell.getState().contains(self.atspi.STATE_SELECTED))
        wait_for("the focused cell", lambda: any(e.type == "object:active-descendant-changed" and
                                                 e.any_data and e.any_data.name == table.getAccessibleAt(2, 0).name
                                                 for e in self.events))
        self.server.keys("ctrl+a")
        wait_for("every row selected", lambda: table.nSelectedRows == 5)
        self.assertEqual(list(table.getSelectedRows()), [0, 1, 2, 3, 4])
        self.assertEqual(self.table.querySelection().nSelectedChildren, 25)  # five cells a row
        self.assertTrue(any(e.type == "object:selection-changed" for e in self.events))
        pane = wait_for("the selection pane", lambda: self.status_panes()[5].startswith("5 files selected"))
        self.assertTrue(pane)
        wait_for("the selection announced", lambda: self.announced(self.status_panes()[5]))

    def status_panes(self):
        bar = self.find(self.app, "status bar")
        return [label.name for label in bar if label.getRoleName() == "label"]

    def test_status_bar_says_and_announces_the_summary(self):
        self.assertEqual(self.status_panes()[1], SUMMARY)
        wait_for("the summary announced", lambda: self.announced(SUMMARY))

    def test_toolbar_buttons_are_push_buttons_named_by_their_tips(self):
        bar = self.find(self.app, "tool bar")
        self.assertEqual([(b.getRoleName(), b.name) for b in bar], [("push button", n) for n in TOOLBAR])

    def test_about_box_links_are_links_with_their_addresses(self):
        self.find(self.app, "push button", "About").queryAction().doAction(0)
        dialog = wait_for("the About box", lambda: next((w for w in self.app if w.name == "About Quorvel"), None))
        try:
            links = self.atspi.findAllDescendants(dialog, lambda o: o.getRoleName() == "link")
            self.assertEqual([(link.name, link.queryHyperlink().getURI(0)) for link in links],
                             [("https://quorvel.example.org/", "https://quorvel.example.org/"),
                              ("email: support@quorvel.example.org", "mailto:support@quorvel.example.org")])
        finally:
            self.find(dialog, "push button", "OK").queryAction().doAction(0)
            wait_for("the About box closed", lambda: all(w.name != "About Quorvel" for w in self.app))


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    unittest.main(warnings="ignore")  # the bindings' own deprecations
