#!/usr/bin/env python3
"""Starts Tarnview against rzcam-sim on an X display, saves screenshots and
closes it through its quit question. Runs inside xvfb-run.

    tarnview_smoke.py TARNVIEW RZCAM_SIM XKIVCTL MODULE SCREENSHOT_FOLDER
"""
import ctypes
import os
import subprocess
import sys
import tempfile
import time

tarnview, sim, xkivctl, module, shots = sys.argv[1:6]
os.makedirs(shots, exist_ok=True)
work = tempfile.mkdtemp(prefix="tarnview-smoke-")
suppressions = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan_suppressions.txt")
env = dict(os.environ, XDG_DATA_HOME=work + "/data", XDG_CONFIG_HOME=work + "/config",
           XDG_DATA_DIRS=work + "/shared", QT_QPA_PLATFORM="xcb",
           LSAN_OPTIONS="suppressions=" + suppressions)


# Waits for what must happen; only a failure ever uses the whole time.
def wait_for(what, check, seconds=60):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = check()
        if found:
            return found
        time.sleep(0.05)
    sys.exit("smoke: timed out waiting for " + what)


x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                           ctypes.POINTER(ctypes.c_ulong),
                           ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                           ctypes.POINTER(ctypes.c_uint)]
x11.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                           ctypes.c_void_p]
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]


display = x11.XOpenDisplay(None)
if not display:
    sys.exit("smoke: no X display")
root = x11.XDefaultRootWindow(display)


def window_named(title):
    parent, root_out = ctypes.c_ulong(), ctypes.c_ulong()
    children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
    if not x11.XQueryTree(display, root, ctypes.byref(root_out), ctypes.byref(parent),
                          ctypes.byref(children), ctypes.byref(count)):
        return None
    for i in range(count.value):
        name = ctypes.c_char_p()
        if x11.XFetchName(display, children[i], ctypes.byref(name)) and name.value == title:
            return children[i]
    return None


def screenshot(name):
    path = os.path.join(shots, name)
    subprocess.run(["import", "-window", "root", path], check=True)
    print("smoke: screenshot", path)


sim_process = None
host = None
try:
    subprocess.run([xkivctl, "register", module], env=env, check=True, stdout=subprocess.DEVNULL)
    link = work + "/rzcam-sim"
    sim_process = subprocess.Popen([sim, "--link", link], stdout=subprocess.DEVNULL)
    wait_for("the simulator", lambda: os.path.exists(link))
    host = subprocess.Popen([tarnview], env=dict(env, XKIV_SERIAL_PORTS=link))
    window = wait_for("Tarnview's window", lambda: window_named(b"RZ-150/130LX Control Tool"))
    time.sleep(0.5)  # lets the window paint once for the screenshot; nothing checks the picture
    screenshot("tarnview.png")

    # The window system's close request, as a window manager sends it.
    protocols = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event = ClientMessage(type=33, window=window, message_type=protocols, format=32)
    event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    name = os.path.basename(tarnview).encode()
    wait_for("the quit question", lambda: window_named(name))
    time.sleep(0.3)
    screenshot("tarnview-quit.png")
    if host.poll() is not None:
        sys.exit("smoke: Tarnview ended before the question was answered")
    # Enter takes the question's default answer, Yes.
    enter = x11.XKeysymToKeycode(display, 0xFF0D)
    xtst.XTestFakeKeyEvent(display, enter, 1, 0)
    xtst.XTestFakeKeyEvent(display, enter, 0, 0)
    x11.XFlush(display)
    status = host.wait(timeout=60)
    if status != 0:
        sys.exit("smoke: Tarnview ended with status %d" % status)
    print("smoke: Tarnview closed through its quit question")
finally:
    for process in (host, sim_process):
        if process is not None and process.poll() is None:
            process.kill()
            process.wait()
