#!/usr/bin/env python3
"""Starts Tarnview against rzcam-sim --baud-pace on an X display with a window
manager, as a user runs it: saves screenshots of the window, of the middle of a
write-all and of the middle of a port search, cancels both through the progress
window's Cancel button, times how the program answers the window system, and
closes it through its quit question. Runs inside xvfb-run.

    tarnview_smoke.py TARNVIEW RZCAM_SIM XKIVCTL MODULE SCREENSHOT_FOLDER
"""
import collections
import ctypes
import os
import shutil
import signal
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

# A responsive program answers a window manager's ping at once (the target is
# 200 ms, printed, not asserted: a loaded machine makes any answer late). What
# the test asserts is order: the answer comes while the operation still runs,
# which a window blocked by the operation could not do.
# Silent ports the search tries before it would reach the camera, one
# time-out each: seconds of searching.
SILENT_PORTS = 8

# How long the script waits for what must happen; only a failure ever uses it all.
PATIENCE_SECONDS = 60


def wait_for(what, check, seconds=PATIENCE_SECONDS):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = check()
        if found:
            return found
        time.sleep(0.02)
    sys.exit("smoke: timed out waiting for " + what)


x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
Window = ctypes.c_ulong
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = Window
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XQueryTree.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window), ctypes.POINTER(Window),
                           ctypes.POINTER(ctypes.POINTER(Window)), ctypes.POINTER(ctypes.c_uint)]
x11.XFetchName.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(ctypes.c_char_p)]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XSetErrorHandler.argtypes = [ctypes.c_void_p]
x11.XSendEvent.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XSelectInput.argtypes = [ctypes.c_void_p, Window, ctypes.c_long]
x11.XPending.argtypes = [ctypes.c_void_p]
x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
x11.XGetSelectionOwner.restype = Window
x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XTranslateCoordinates.argtypes = [ctypes.c_void_p, Window, Window, ctypes.c_int,
                                      ctypes.c_int, ctypes.POINTER(ctypes.c_int),
                                      ctypes.POINTER(ctypes.c_int), ctypes.POINTER(Window)]
x11.XGetGeometry.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window)] + \
    [ctypes.POINTER(ctypes.c_int)] * 2 + [ctypes.POINTER(ctypes.c_uint)] * 4
xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                      ctypes.c_ulong]
xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                      ctypes.c_ulong]


class ClientMessage(ctypes.Structure):
    # Also the size of any XEvent, so it serves as the buffer of XNextEvent.
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", Window),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]


CLIENT_MESSAGE = 33
# The mask under which a client sends its ping answer to the root window.
STRUCTURE_NOTIFY_MASK = 1 << 17

# Windows come and go while the tree is walked: a request about one that has
# just gone fails, which Xlib's default handler would answer by ending the
# script (and leaving Tarnview running).
ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
ignore_errors = ERROR_HANDLER(lambda display, error: 0)
x11.XSetErrorHandler(ignore_errors)

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("smoke: no X display")
root = x11.XDefaultRootWindow(display)
wm_protocols = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
net_wm_ping = x11.XInternAtom(display, b"_NET_WM_PING", 0)


def windows_named(match, parent=None):
    """Every window under parent (deep: a window manager puts frames between) whose name
    matches."""
    parent = root if parent is None else parent
    root_out, parent_out = Window(), Window()
    children, count = ctypes.POINTER(Window)(), ctypes.c_uint()
    if not x11.XQueryTree(display, parent, ctypes.byref(root_out), ctypes.byref(parent_out),
                          ctypes.byref(children), ctypes.byref(count)):
        return []
    found = []
    for i in range(count.value):
        child = children[i]
        name = ctypes.c_char_p()
        if x11.XFetchName(display, child, ctypes.byref(name)) and name.value and match(name.value):
            found.append(child)
        else:
            found.extend(windows_named(match, child))
    return found


def window_named(title):
    found = windows_named(lambda name: name == title)
    return found[0] if found else None


def progress_window():
    found = windows_named(lambda name: name.startswith(b"In Progress"))
    return found[0] if found else None


def geometry(window):
    """Screen position and size of a window's inside."""
    x, y, child = ctypes.c_int(), ctypes.c_int(), Window()
    x11.XTranslateCoordinates(display, window, root, 0, 0, ctypes.byref(x), ctypes.byref(y),
                              ctypes.byref(child))
    r, gx, gy = Window(), ctypes.c_int(), ctypes.c_int()
    w, h, border, depth = ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint()
    x11.XGetGeometry(display, window, ctypes.byref(r), ctypes.byref(gx), ctypes.byref(gy),
                     ctypes.byref(w), ctypes.byref(h), ctypes.byref(border), ctypes.byref(depth))
    return x.value, y.value, w.value, h.value


def click(window, units_x, units_y, template_w, template_h):
    """A left click at a point given in the dialog template's units."""
    x, y, w, h = geometry(window)
    xtst.XTestFakeMotionEvent(display, -1, x + units_x * w // template_w,
                              y + units_y * h // template_h, 0)
    xtst.XTestFakeButtonEvent(display, 1, 1, 0)
    xtst.XTestFakeButtonEvent(display, 1, 0, 0)
    x11.XFlush(display)
    return time.monotonic()


def press_enter():
    enter = x11.XKeysymToKeycode(display, 0xFF0D)
    xtst.XTestFakeKeyEvent(display, enter, 1, 0)
    xtst.XTestFakeKeyEvent(display, enter, 0, 0)
    x11.XFlush(display)


ping_stamp = 0


def ping(window):
    """Round trip of a _NET_WM_PING as a window manager sends it, in seconds."""
    global ping_stamp
    ping_stamp += 1
    event = ClientMessage(type=CLIENT_MESSAGE, window=window, message_type=wm_protocols,
                          format=32)
    event.data[0], event.data[1], event.data[2] = net_wm_ping, ping_stamp, window
    start = time.monotonic()
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    reply = ClientMessage()
    while time.monotonic() - start < PATIENCE_SECONDS:
        while x11.XPending(display):
            x11.XNextEvent(display, ctypes.byref(reply))
            if (reply.type == CLIENT_MESSAGE and reply.message_type == wm_protocols and
                    reply.data[0] == net_wm_ping and reply.data[1] == ping_stamp):
                return time.monotonic() - start
        time.sleep(0.002)
    return float("inf")


def ping_while(window, busy, seconds):
    """Pings every 50 ms while busy() holds, at most seconds; the longest answer."""
    longest, count = 0.0, 0
    deadline = time.monotonic() + seconds
    while busy() and time.monotonic() < deadline:
        longest = max(longest, ping(window))
        count += 1
        time.sleep(0.05)
    return longest, count


def screenshot(name):
    path = os.path.join(shots, name)
    subprocess.run(["import", "-window", "root", path], check=True)
    print("smoke: screenshot", path)


def painted(window):
    """Whether a window shows its own light face rather than what an unpainted window
    shows (black under Xvfb, or whatever lay beneath)."""
    data = subprocess.run(["import", "-window", str(window), "-depth", "8", "rgb:-"],
                          check=True, capture_output=True).stdout
    pixels = collections.Counter(data[i:i + 3] for i in range(0, len(data) - 2, 3))
    face = pixels.most_common(1)[0][0]
    return all(channel > 0xC0 for channel in face) and len(pixels) > 4


def shot_of_progress(what, name, host, progress):
    """Saves a screenshot of the operation under way and checks that its progress window is
    painted. Tarnview is stopped meanwhile, so that however long the pictures take on a
    loaded machine the operation is still under way afterwards: its exchange finds the
    answer waiting when it runs again (the time-out looks at the line once more)."""
    host.send_signal(signal.SIGSTOP)
    try:
        screenshot(name)
        shown = painted(progress)
    finally:
        host.send_signal(signal.SIGCONT)
    if not shown:
        # Stopped before its first paint; it paints once it runs.
        wait_for("the %s's progress window to be painted" % what, lambda: painted(progress))


def log_lines(path):
    with open(path) as log:
        return log.read().splitlines()


def write_profile(sim_link):
    folder = os.path.join(work, "config", "KIV")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "XKivRZ150LX Control.ini"), "w") as profile:
        profile.write("[Comm]\nClass=0\nPortName=%s\n" % sim_link +
                      "[MainDialog]\nLeft=20\nTop=20\n"
                      "[CommunicationDialog]\nShow=1\nLeft=20\nTop=110\n")


def cancel_operation(what, progress, window, log):
    """Clicks Cancel, watches the camera's log until the progress window goes, and reports
    the time from the click to the operation's end and to the last line the camera
    received. Returns the number of lines the camera received after Tarnview had read the
    click: a ping sent right behind the click is answered in the same turn of its event
    loop, so the count does not grow with how late a loaded machine lets Tarnview run."""
    before = len(log_lines(log))
    size = os.path.getsize(log)
    clicked = click(progress, 144 + 17, 7 + 7, 186, 44)
    if ping(window) == float("inf"):
        sys.exit("smoke: Tarnview did not take the click on Cancel")
    seen = len(log_lines(log))
    last_line = None
    deadline = clicked + PATIENCE_SECONDS
    while progress_window() is not None and time.monotonic() < deadline:
        if os.path.getsize(log) != size:
            size, last_line = os.path.getsize(log), time.monotonic()
        time.sleep(0.005)
    ended = time.monotonic()
    if ended >= deadline:
        sys.exit("smoke: the cancelled %s did not end" % what)
    received = len(log_lines(log))
    print("smoke: %s cancelled: %.0f ms from the click to its end; %d line(s) after the click%s,"
          " %d after Tarnview read it"
          % (what, (ended - clicked) * 1000, received - before,
             ", the last %.0f ms after it" % ((last_line - clicked) * 1000) if last_line else "",
             received - seen))
    return received - seen


def answered_during(what, longest):
    """Fails unless the pings were answered while the operation's progress window was
    still on screen."""
    if longest == float("inf") or progress_window() is None:
        sys.exit("smoke: Tarnview did not answer the window system during the " + what)


processes = []
silent = []
try:
    subprocess.run([xkivctl, "register", module], env=env, check=True, stdout=subprocess.DEVNULL)
    if shutil.which("openbox"):
        processes.append(subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL,
                                          stderr=subprocess.DEVNULL))
        wait_for("the window manager", lambda: x11.XGetSelectionOwner(
            display, x11.XInternAtom(display, b"WM_S0", 0)))
    else:
        print("smoke: no window manager (install openbox); the windows stand undecorated")
    link = work + "/rzcam-sim"
    log = work + "/received.log"
    # Answers in pieces with short pauses, as some cables deliver them: the
    # write-all lasts long enough to be seen and cancelled on a busy machine.
    processes.append(subprocess.Popen([sim, "--baud-pace", "--chunk", "4", "--link", link,
                                       "--log", log], stdout=subprocess.DEVNULL))
    wait_for("the simulator", lambda: os.path.exists(link))
    # Ports that never answer come first in the search; the profile's port name
    # connects Tarnview to the camera at the start.
    for _ in range(SILENT_PORTS):
        master, slave = os.openpty()
        silent.append((master, slave))
    ports = ":".join([os.ttyname(slave) for _, slave in silent] + [link])
    write_profile(link)
    x11.XSelectInput(display, root, STRUCTURE_NOTIFY_MASK)
    host = subprocess.Popen([tarnview], env=dict(env, XKIV_SERIAL_PORTS=ports))
    processes.insert(0, host)
    window = wait_for("Tarnview's window", lambda: window_named(b"RZ-150/130LX Control Tool"))
    comm = wait_for("the Communication panel", lambda: window_named(b"Communication"))
    # Identified: the model name is read twice.
    wait_for("the camera's identification", lambda: log_lines(log).count("MD?") >= 2)
    time.sleep(0.5)  # lets the window paint once for the screenshot; nothing checks the picture
    screenshot("tarnview.png")
    print("smoke: idle, the window answers a ping in %.1f ms" % (ping(window) * 1000))

    # Synchronize Camera: a write-all of some seconds at 9600 baud.
    clicked = click(comm, 110 + 43, 78 + 7, 299, 238)
    progress = wait_for("the write-all's progress window", progress_window)
    shown = time.monotonic()
    longest, pings = ping_while(window, lambda: time.monotonic() - shown < 0.4, 1)
    print("smoke: write-all: progress window on screen %.0f ms after the click; pings "
          "answered within %.1f ms (%d pings)" % ((shown - clicked) * 1000, longest * 1000,
                                                  pings))
    answered_during("write-all", longest)
    shot_of_progress("write-all", "tarnview-write-all.png", host, progress)
    if progress_window() is None:
        sys.exit("smoke: the write-all ended before it could be cancelled")
    # The exchange under way when Tarnview read the click, and at most one that its
    # worker began while the click was on its way from the event queue to the button.
    if cancel_operation("write-all", progress, window, log) > 2:
        sys.exit("smoke: the write-all went on after Cancel")
    time.sleep(0.3)
    screenshot("tarnview-write-all-cancelled.png")

    # Auto: the search tries the silent ports, one time-out each.
    searched_from = len(log_lines(log))
    clicked = click(comm, 260 + 13, 46 + 7, 299, 238)
    progress = wait_for("the search's progress window", progress_window)
    shown = time.monotonic()
    longest, pings = ping_while(window, lambda: time.monotonic() - shown < 1.5, 3)
    print("smoke: search: progress window on screen %.0f ms after the click; pings answered "
          "within %.1f ms (%d pings)" % ((shown - clicked) * 1000, longest * 1000, pings))
    answered_during("search", longest)
    shot_of_progress("search", "tarnview-search.png", host, progress)
    cancel_operation("search", progress, window, log)
    # The control's message boxes carry its application name.
    message = b"XKivRZ150LX Control"
    wait_for("the search's message", lambda: window_named(message))
    time.sleep(0.3)
    screenshot("tarnview-search-cancelled.png")
    press_enter()
    wait_for("the message to go", lambda: window_named(message) is None)
    name = os.path.basename(tarnview).encode()
    # Only a camera being identified when Cancel came is asked anything more.
    if any(not line.endswith("?") for line in log_lines(log)[searched_from:]):
        sys.exit("smoke: the cancelled search connected to the camera")

    # The window system's close request, as a window manager sends it.
    event = ClientMessage(type=CLIENT_MESSAGE, window=window, message_type=wm_protocols,
                          format=32)
    event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    wait_for("the quit question", lambda: window_named(name))
    time.sleep(0.3)
    screenshot("tarnview-quit.png")
    if host.poll() is not None:
        sys.exit("smoke: Tarnview ended before the question was answered")
    # Enter takes the question's default answer, Yes.
    press_enter()
    status = host.wait(timeout=60)
    if status != 0:
        sys.exit("smoke: Tarnview ended with status %d" % status)
    print("smoke: Tarnview closed through its quit question")
finally:
    for process in processes:
        if process.poll() is None:
            process.kill()
            process.wait()
    for master, slave in silent:
        os.close(master)
        os.close(slave)
