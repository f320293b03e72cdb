#!/usr/bin/env python3
"""Ends the real Tarnview with SIGTERM, SIGINT and SIGHUP, one run each, and
checks that it ended as a normal close does: exit status 0 and a profile
with the camera's values and the panels' places. Tarnview starts with the
three signals blocked, as a starter may leave them, and must unblock them;
in the SIGTERM run it starts with SIGHUP ignored (nohup), which it keeps.

    tarnview_signals.py TARNVIEW RZCAM_SIM XKIVCTL MODULE
"""
import configparser
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

tarnview, sim, xkivctl, module = sys.argv[1:5]
PROFILE = "KIV/XKivRZ150LX Control.ini"
# The About panel opens where the profile put it; the end writes its place back.
SEEDED = "[AboutDialog]\nShow=1\nLeft=180\nTop=120\n"


# How long the script waits for what must happen; only a failure ever uses it all.
PATIENCE_SECONDS = 60


def wait_for(what, check, seconds=PATIENCE_SECONDS):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if check():
            return
        time.sleep(0.05)
    sys.exit("signals: timed out waiting for " + what)


def lines_received(log):
    try:
        with open(log) as received:
            return received.read().split()
    except FileNotFoundError:
        return []


def signal_masks(pid):
    masks = {}
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            key, _, value = line.partition(":")
            if key in ("SigBlk", "SigIgn", "SigCgt"):
                masks[key] = int(value, 16)
    return masks


def has(mask, number):
    return bool(mask & (1 << (number - 1)))


def started_like_a_careless_starter(ignore_hangup):
    def prepare():
        signal.pthread_sigmask(signal.SIG_BLOCK, OURS)
        signal.signal(signal.SIGHUP, signal.SIG_IGN if ignore_hangup else signal.SIG_DFL)
    return prepare


OURS = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)


def run(number, ignore_hangup=False, while_connecting=False):
    name = signal.Signals(number).name
    work = tempfile.mkdtemp(prefix="tarnview-signals-")
    env = dict(os.environ, XDG_DATA_HOME=work + "/data", XDG_CONFIG_HOME=work + "/config",
               XDG_DATA_DIRS=work + "/shared", QT_QPA_PLATFORM="offscreen")
    profile = os.path.join(work, "config", PROFILE)
    os.makedirs(os.path.dirname(profile))
    with open(profile, "w") as seeded:
        seeded.write(SEEDED)
    sim_process = host = None
    try:
        subprocess.run([xkivctl, "register", module], env=env, check=True,
                       stdout=subprocess.DEVNULL)
        link, log = work + "/rzcam-sim", work + "/received.log"
        sim_process = subprocess.Popen([sim, "--link", link, "--model", "RZ-150LX-HR",
                                        "--log", log], stdout=subprocess.DEVNULL)
        wait_for("the simulator", lambda: os.path.exists(link))
        host = subprocess.Popen([tarnview], env=dict(env, XKIV_SERIAL_PORTS=link),
                                stderr=subprocess.DEVNULL,
                                preexec_fn=started_like_a_careless_starter(ignore_hangup))
        if while_connecting:
            # The camera's first line: the window is still being made (its
            # handlers are installed before it); the signal must wait for it.
            wait_for("the first line", lambda: lines_received(log))
        else:
            # The last query of the camera's identification: Tarnview is up,
            # its handlers are installed and the camera's values are in.
            wait_for("the identification", lambda: "EA?" in lines_received(log))
        masks = signal_masks(host.pid)
        handled = [ours for ours in OURS if not (ignore_hangup and ours == signal.SIGHUP)]
        if any(has(masks["SigBlk"], ours) for ours in handled):
            sys.exit("signals: Tarnview left a termination signal blocked")
        if has(masks["SigIgn"], signal.SIGHUP) != ignore_hangup:
            sys.exit("signals: Tarnview changed whether SIGHUP is ignored")
        host.send_signal(number)
        try:
            status = host.wait(timeout=PATIENCE_SECONDS)
        except subprocess.TimeoutExpired:
            sys.exit("signals: Tarnview did not end on " + name)
        if status != 0:
            sys.exit("signals: Tarnview ended on %s with status %d" % (name, status))
        written = configparser.ConfigParser(strict=False, interpolation=None)
        written.optionxform = str
        if not written.read(profile):
            sys.exit("signals: no profile after " + name)
        expected = {("General", "Model Name"): "RZ-150LX-HR",
                    ("Comm", "PortName"): link,
                    ("AboutDialog", "Left"): "180", ("AboutDialog", "Top"): "120",
                    ("AboutDialog", "Show"): "1",
                    ("MainDialog", "Left"): "100", ("MainDialog", "Top"): "100"}
        for (section, key), value in expected.items():
            found = written.get(section, key, fallback=None)
            if found != value:
                sys.exit("signals: after %s the profile has %s/%s = %r, not %r"
                         % (name, section, key, found, value))
        print("signals: Tarnview ended on %s%s and wrote its profile"
              % (name, " while connecting" if while_connecting else ""))
    finally:
        for process in (host, sim_process):
            if process is not None and process.poll() is None:
                process.kill()
                process.wait()
        shutil.rmtree(work, ignore_errors=True)


run(signal.SIGTERM, ignore_hangup=True)
run(signal.SIGINT)
run(signal.SIGHUP)
run(signal.SIGTERM, while_connecting=True)
