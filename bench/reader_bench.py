#!/usr/bin/python3
"""Runs a window benchmark on a display of its own, either as on a desktop without a screen reader (no
accessibility bus) or with the accessibility bus and a stand-in reader listening to every event the
window sends and asking what a reader asks about each. The reader's counts go to standard error at the
end.

    bench/reader_bench.py [--reader] PROGRAM [ARGUMENT...]
"""

import os
import signal
import subprocess
import sys
import tempfile
import time

READER = r'''
import sys, warnings
warnings.simplefilter("ignore")
import pyatspi
counts = {}

def read(event):
    counts[event.type] = counts.get(event.type, 0) + 1
    try:
        source = event.source
        source.name, source.getRoleName(), source.getState()
        if event.type.startswith("object:active-descendant-changed") and event.any_data:
            cell = event.any_data
            cell.name, cell.description, cell.getState()
        elif event.type.startswith("object:selection-changed") and source.getRoleName() == "table":
            source.queryTable().nSelectedRows, source.querySelection().nSelectedChildren
        elif event.type.startswith("object:model-changed"):
            source.queryTable().nRows
    except Exception:  # an object gone before it was asked about, as readers meet them
        counts["gone"] = counts.get("gone", 0) + 1

def stop(*_):
    print("reader: " + ", ".join("%s %d" % item for item in sorted(counts.items())), file=sys.stderr)
    pyatspi.Registry.stop()

import signal
signal.signal(signal.SIGTERM, stop)
pyatspi.Registry.registerEventListener(read, "object", "focus", "window")
print("listening", flush=True)
pyatspi.Registry.start()
'''


def start(command, env, **options):
    return subprocess.Popen(command, env=env, start_new_session=True, **options)


def main():
    arguments = sys.argv[1:]
    reader = arguments[0] == "--reader"
    program = arguments[1:] if reader else arguments
    folder = tempfile.mkdtemp(prefix="quorvel-reader-bench-")
    env = dict(os.environ, HOME=folder, XDG_RUNTIME_DIR=folder)
    helpers = []
    try:
        xvfb = start(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"], env,
                     stdout=subprocess.PIPE)
        helpers.append(xvfb)
        env["DISPLAY"] = ":" + xvfb.stdout.readline().decode().strip()
        if reader:
            bus = start(["dbus-daemon", "--session", "--nofork", "--print-address=1"], env, stdout=subprocess.PIPE,
                        stderr=subprocess.DEVNULL)
            helpers.append(bus)
            env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()
            helpers.append(start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately", "--a11y=1"], env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            env["GTK_MODULES"] = "gail:atk-bridge"
            env.pop("NO_AT_BRIDGE", None)
            listener = start(["/usr/bin/python3", "-c", READER], env, stdout=subprocess.PIPE)
            helpers.append(listener)
            listener.stdout.readline()  # listening
        else:
            env.pop("DBUS_SESSION_BUS_ADDRESS", None)
            env["NO_AT_BRIDGE"] = "1"
        status = subprocess.call(program, env=env)
        if reader:
            os.killpg(listener.pid, signal.SIGTERM)
            listener.wait(timeout=10)
        return status
    finally:
        for helper in reversed(helpers):
            try:
                os.killpg(helper.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            helper.wait()
        subprocess.call(["rm", "-rf", folder])


if __name__ == "__main__":
    sys.exit(main())
