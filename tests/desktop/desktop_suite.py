#!/usr/bin/env python3
"""Desktop suite of Robustez.

Drives the release program under a private X server (Xvfb) with a window
manager (openbox) and real X input (xdotool). Each scenario types a study into
a new study window by keys, makes its window actions (close boxes, maximizing,
menus, results windows, message boxes, dialogs), types one MARKER key and
saves the study with "Guardar como..." to a fresh path. The saved file is the
oracle: every field must hold what was typed, and the only change allowed is
the marker appended to the field of the control the user was in, or no
change at all where the user was in no control. A seeded random run strings
the actions together in one study window with the same check after each one.

Scenarios and random moves are tables of data (SCENARIOS, RANDOM_MOVES) over
named actions (ACTIONS). Places on the screen are measured from the screen
itself (Xvfb's frame buffer file) when the program first starts.

    desktop_suite.py PROGRAM [--only TEXT]... [--no-random] [--seed N]
                     [--steps N] [--shots DIR] [--display N]

Every step waits for what it needs (a window shown, a dialog open, the
program done with the input sent so far and its screen still, a file
written), each wait with a time limit that fails the step when it runs out;
no step relies on a fixed pause, so the suite holds on a loaded machine.

The random run uses the seed given with --seed (the test command gives a
fixed one); ROBUSTEZ_DESKTOP_SEED overrides it, to explore other runs (the
seed is printed). ROBUSTEZ_DESKTOP_SLOW multiplies the time limits. One line
per scenario, then "N passed, M failed". Exit status: 0 when every scenario
passed, 1 on any failure or when the suite could not run, 77 when no X
server could be started.
"""

import argparse
import ctypes
import os
import random
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

SKIP = 77
SCREEN_W, SCREEN_H = 1280, 1024
MAIN_TITLE = "Robustez (Tolerancia Condiciones de Operación)"
QUESTION_TITLE = "Guardar archivo?"
SAVE_TITLE = "Guardar como"
BOX_TITLE = "Robustez del Método"  # the program's message boxes
SLOW = float(os.environ.get("ROBUSTEZ_DESKTOP_SLOW", "1"))  # longer time limits
SETTLE_LIMIT = 15  # seconds the program may take to handle input and draw it

# --- Studies ----------------------------------------------------------------

LEVELS = ("Normal", "Baja", "Alta")


class Study:
    """What is typed into a study window, in the order of the saved file."""

    def __init__(self, method, analyst, date, condition, settings, values):
        self.method, self.analyst, self.date = method, analyst, date
        self.condition = condition
        self.settings = settings  # per level
        self.values = values  # per level, n each
        self.n = len(values[0])

    def fields(self):
        """(name, text) of every line of the file."""
        rows = [("método", self.method), ("analista", self.analyst), ("fecha", self.date),
                ("muestras", str(self.n)), ("condición", self.condition)]
        for level, setting, values in zip(LEVELS, self.settings, self.values):
            rows.append((level + " condición", setting))
            rows += [("%s %d" % (level, i + 1), v) for i, v in enumerate(values)]
        return rows

    def grid_order(self):
        """The cells as the Tab key visits them: row by row, left to right."""
        cells = list(self.settings)
        for i in range(self.n):
            cells += [self.values[level][i] for level in range(3)]
        return cells


WORKED = Study("Valoración de ácido acetilsalicílico", "Q.F.B. María Pérez", "07/12/2026",
               "Temperatura", ["25 °C", "20 °C", "30 °C"],
               [["100", "101", "102"], ["99", "100", "101"], ["103", "104", "105"]])
SECOND = Study("Cromatografía de líquidos", "Ing. José Núñez", "08/12/2026", "Flujo",
               ["1.0 mL/min", "0.9 mL/min", "1.1 mL/min"],
               [["98.5", "99.1", "100.2", "99.7"], ["97.9", "98.8", "99.5", "99.0"],
                ["100.4", "101.2", "100.9", "101.5"]])
# Short texts: in the random run markers pile up at the end of the condition,
# and a click to the right of its text must still land past its end.
RANDOM_STUDY = Study("Valoración por HPLC", "Q.F.B. Ana López", "09/12/2026", "pH",
                     ["6.8", "6.6", "7.0"], [["50", "51", "52"], ["49", "50", "51"],
                                             ["52", "53", "54"]])

LAST_CELL = "Alta last"  # the field of the last cell of the grid, whatever n is
NOWHERE = "nowhere"      # the marker goes into no field
NO_MARKER = "no marker"  # no marker is typed: the file must simply be as typed


def field_name(study, marker_field):
    return "Alta %d" % study.n if marker_field == LAST_CELL else marker_field


# --- Processes and the X server ---------------------------------------------


class CannotRun(Exception):
    """The suite cannot drive the program (a tool is missing or broken)."""


class StepFailed(Exception):
    """A step could not be carried out: the program did not react as a user
    would see it react (no question box, no dialog, no window), or not within
    the step's time limit."""


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("client", _ClientMessage),
                ("pad", ctypes.c_long * 24)]


class Pinger:
    """Round trips through the program's event queue. A _NET_WM_PING sent to
    one of its windows comes back (to the root window) once the program has
    handled every X event queued before it: all the input sent so far."""

    CLIENT_MESSAGE = 33
    # The answer is sent to the root window for the clients that select
    # either of these there.
    STRUCTURE_NOTIFY = 1 << 17
    SUBSTRUCTURE_NOTIFY = 1 << 19

    def __init__(self, display):
        try:
            self.lib = ctypes.CDLL("libX11.so.6")
        except OSError as e:
            raise CannotRun("libX11 cannot be loaded: %s" % e)
        lib = self.lib
        lib.XOpenDisplay.restype = ctypes.c_void_p
        lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        lib.XDefaultRootWindow.restype = ctypes.c_ulong
        lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        lib.XInternAtom.restype = ctypes.c_ulong
        lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        lib.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.POINTER(_XEvent)]
        lib.XFlush.argtypes = [ctypes.c_void_p]
        lib.XPending.argtypes = [ctypes.c_void_p]
        lib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(_XEvent)]
        lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.dpy = lib.XOpenDisplay(display.encode())
        if not self.dpy:
            raise CannotRun("the display %s cannot be opened" % display)
        self.root = lib.XDefaultRootWindow(self.dpy)
        self.protocols = lib.XInternAtom(self.dpy, b"WM_PROTOCOLS", 0)
        self.ping_atom = lib.XInternAtom(self.dpy, b"_NET_WM_PING", 0)
        lib.XSelectInput(self.dpy, self.root, self.STRUCTURE_NOTIFY | self.SUBSTRUCTURE_NOTIFY)
        lib.XFlush(self.dpy)
        self.stamp = 0

    def ping(self, window, timeout):
        """True when the program answered within timeout seconds."""
        self.stamp += 1
        event = _XEvent()
        event.client.type = self.CLIENT_MESSAGE
        event.client.window = int(window)
        event.client.message_type = self.protocols
        event.client.format = 32
        event.client.data[0] = self.ping_atom
        event.client.data[1] = self.stamp
        event.client.data[2] = int(window)
        self.lib.XSendEvent(self.dpy, int(window), 0, 0, ctypes.byref(event))
        self.lib.XFlush(self.dpy)
        deadline = time.time() + timeout
        reply = _XEvent()
        while time.time() < deadline:
            while self.lib.XPending(self.dpy):
                self.lib.XNextEvent(self.dpy, ctypes.byref(reply))
                c = reply.client
                if reply.type == self.CLIENT_MESSAGE and c.message_type == self.protocols and \
                        c.data[0] == self.ping_atom and c.data[1] == self.stamp:
                    return True
            time.sleep(0.005)
        return False

    def close(self):
        if self.dpy:
            self.lib.XCloseDisplay(self.dpy)
            self.dpy = None


def _die_with_parent():
    # The X server, the window manager and the program end with the suite,
    # even when it is killed (a test time-out).
    try:
        ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


def spawn(args, **kwargs):
    return subprocess.Popen(args, stdin=subprocess.DEVNULL, preexec_fn=_die_with_parent,
                            **kwargs)


def run(args, env, check=False, timeout=10):
    result = subprocess.run(args, env=env, capture_output=True, text=True, timeout=timeout)
    if check and result.returncode != 0:
        raise CannotRun("%s failed: %s" % (" ".join(args), result.stderr.strip()))
    return result.stdout


class XSession:
    """A private Xvfb whose screen is readable as a file, with openbox."""

    def __init__(self, workdir, display=None):
        self.workdir = workdir
        self.display = display  # the one display number to use, or None: the first free one
        self.procs = []
        self.env = None
        self.fb_path = None

    def start_server(self):
        if shutil.which("Xvfb") is None:
            return "Xvfb is not installed"
        numbers = [self.display] if self.display is not None else range(90, 110)
        for number in numbers:
            if os.path.exists("/tmp/.X%d-lock" % number) or \
                    os.path.exists("/tmp/.X11-unix/X%d" % number):
                continue
            fbdir = os.path.join(self.workdir, "fb%d" % number)
            os.makedirs(fbdir, exist_ok=True)
            log = open(os.path.join(self.workdir, "xvfb%d.log" % number), "w")
            proc = spawn(["Xvfb", ":%d" % number, "-screen", "0", "%dx%dx24" % (SCREEN_W, SCREEN_H),
                          "-nolisten", "tcp", "-noreset", "-fbdir", fbdir],
                         stdout=log, stderr=log)
            deadline = time.time() + 5
            while time.time() < deadline and proc.poll() is None:
                if os.path.exists("/tmp/.X11-unix/X%d" % number) and \
                        os.path.exists(os.path.join(fbdir, "Xvfb_screen0")):
                    break
                time.sleep(0.05)
            if proc.poll() is None and os.path.exists(os.path.join(fbdir, "Xvfb_screen0")):
                self.procs.append(proc)
                self.fb_path = os.path.join(fbdir, "Xvfb_screen0")
                self.env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"),
                            "DISPLAY": ":%d" % number,
                            "HOME": os.path.join(self.workdir, "home"),
                            "XDG_CONFIG_HOME": os.path.join(self.workdir, "home", ".config"),
                            "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"}
                os.makedirs(self.env["XDG_CONFIG_HOME"], exist_ok=True)
                return None
            proc.kill()
            proc.wait()
        if self.display is not None:
            return "the display :%d could not be started" % self.display
        return "no display from :90 to :109 could be started"

    def install_keymap(self):
        """Gives the accented letters and the degree sign keys of their own:
        xdotool would otherwise remap a key for each of them while typing,
        and the program may read the key before or after the change."""
        keymap = run(["xkbcomp", "-xkb", self.env["DISPLAY"], "-"], self.env, check=True)
        codes = re.search(r"xkb_keycodes[^{]*\{(.*?)\n\};", keymap, re.S).group(1)
        symbols = re.search(r"xkb_symbols[^{]*\{(.*?)\n\};", keymap, re.S)
        aliases = dict(re.findall(r"alias\s*<(\w+)>\s*=\s*<(\w+)>;", codes))
        used = set(re.findall(r"key <(\w+)>", symbols.group(1)))
        used |= {aliases.get(name, name) for name in used}
        free = [name for name in re.findall(r"^\s*<(I\d+)>\s*=", codes, re.M) if name not in used]
        pairs = [("aacute", "Aacute"), ("eacute", "Eacute"), ("iacute", "Iacute"),
                 ("oacute", "Oacute"), ("uacute", "Uacute"), ("ntilde", "Ntilde"),
                 ("degree", "degree"), ("udiaeresis", "Udiaeresis")]
        if len(free) < len(pairs):
            raise CannotRun("no free keys for the accented letters")
        added = "".join("    key <%s> { [ %s, %s ] };\n" % (name, a, b)
                        for name, (a, b) in zip(free, pairs))
        keymap = keymap[:symbols.end(1)] + "\n" + added + keymap[symbols.end(1):]
        path = os.path.join(self.workdir, "keymap.xkb")
        with open(path, "w") as f:
            f.write(keymap)
        run(["xkbcomp", "-w", "0", path, self.env["DISPLAY"]], self.env, check=True)

    def start_window_manager(self):
        for tool in ("openbox", "xdotool", "xprop", "xwininfo", "xkbcomp"):
            if shutil.which(tool) is None:
                raise CannotRun("%s is not installed (bash scripts/setup.sh installs it)" % tool)
        log = open(os.path.join(self.workdir, "openbox.log"), "w")
        self.procs.append(spawn(["openbox", "--sm-disable"], env=self.env, stdout=log, stderr=log))
        deadline = time.time() + 10
        while time.time() < deadline:
            if "window id" in run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], self.env):
                self.install_keymap()
                return
            time.sleep(0.1)
        raise CannotRun("openbox did not start")

    def stop(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()


class Screen:
    """The X server's screen, read from Xvfb's frame buffer file (XWD)."""

    def __init__(self, path):
        self.path = path
        self.data = b""
        self.offset = 0
        self.refresh()

    def refresh(self):
        with open(self.path, "rb") as f:
            self.data = f.read()
        header_size, ncolors = struct.unpack(">I", self.data[:4])[0], \
            struct.unpack(">I", self.data[76:80])[0]
        self.offset = header_size + 12 * ncolors
        return self

    def pixel(self, x, y):
        i = self.offset + (y * SCREEN_W + x) * 4
        return self.data[i + 2], self.data[i + 1], self.data[i]

    def white_runs(self, y, x0, x1):
        """(start, length) of the runs of pure white on row y."""
        runs, start = [], None
        for x in range(x0, x1):
            if self.pixel(x, y) == (255, 255, 255):
                if start is None:
                    start = x
            elif start is not None:
                runs.append((start, x - start))
                start = None
        if start is not None:
            runs.append((start, x1 - start))
        return runs

    def ink_clusters(self, x0, x1, y0, y1, gap=6, light=120):
        """Groups of columns holding dark grey pixels (text, glyphs), as
        (left, right, top, bottom); columns closer than gap join a group."""
        columns = []
        for x in range(x0, x1):
            rows = [y for y in range(y0, y1) if self._ink(self.pixel(x, y), light)]
            if rows:
                columns.append((x, min(rows), max(rows)))
        clusters = []
        for x, top, bottom in columns:
            if clusters and x - clusters[-1][1] <= gap:
                left, _, t, b = clusters[-1]
                clusters[-1] = (left, x, min(t, top), max(b, bottom))
            else:
                clusters.append((x, x, top, bottom))
        return clusters

    @staticmethod
    def _ink(p, light):
        return max(p) < light and max(p) - min(p) < 30

    def save_png(self, path):
        rows = []
        for y in range(SCREEN_H):
            start = self.offset + y * SCREEN_W * 4
            bgrx = self.data[start:start + SCREEN_W * 4]
            rgb = bytearray(SCREEN_W * 3)
            rgb[0::3], rgb[1::3], rgb[2::3] = bgrx[2::4], bgrx[1::4], bgrx[0::4]
            rows.append(b"\0" + bytes(rgb))

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + \
                struct.pack(">I", zlib.crc32(kind + body) & 0xffffffff)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", SCREEN_W, SCREEN_H, 8, 2, 0, 0, 0)))
            f.write(chunk(b"IDAT", zlib.compress(b"".join(rows), 1)))
            f.write(chunk(b"IEND", b""))


# --- X input ----------------------------------------------------------------


class Input:
    """xdotool, and what it and the X tools tell of the program's windows."""

    def __init__(self, env, instance):
        self.env = env
        self.instance = instance  # the program's windows' WM_CLASS instance name
        # Waits until the program has handled the input sent so far.
        self.caught_up = lambda: None

    def xdo(self, *args):
        return run(["xdotool"] + [str(a) for a in args], self.env)

    # The keys of the characters typed; the accented letters and the degree
    # sign have keys of their own (XSession.install_keymap).
    KEYSYMS = {" ": "space", ".": "period", "/": "slash", "-": "minus", ",": "comma",
               ":": "colon", "_": "underscore", "°": "degree", "á": "aacute", "é": "eacute",
               "í": "iacute", "ó": "oacute", "ú": "uacute", "ñ": "ntilde", "ü": "udiaeresis",
               "Á": "Aacute", "É": "Eacute", "Í": "Iacute", "Ó": "Oacute", "Ú": "Uacute",
               "Ñ": "Ntilde", "Ü": "Udiaeresis"}

    @staticmethod
    def text_keys(text):
        return [Input.KEYSYMS.get(c, c) for c in text]

    def press(self, keys):
        """Presses the keys one after the other, as fast as a quick typist."""
        self.xdo("key", "--delay", "8", *keys)

    def key(self, *keys):
        self.xdo("key", "--delay", "40", *keys)

    def type(self, text):
        self.press(self.text_keys(text))

    def click(self, x, y, park=None):
        # As a hand does: the pointer comes near, onto the place, then clicks;
        # a pointer that jumps onto a button is not always seen there. The
        # program has seen each move before the next.
        self.xdo("mousemove", "--sync", x - 6, y + 2)
        self.caught_up()
        self.xdo("mousemove", "--sync", x, y)
        self.caught_up()
        self.xdo("click", "1")
        if park:
            self.caught_up()
            self.xdo("mousemove", "--sync", *park)

    def visible_windows(self):
        out = self.xdo("search", "--onlyvisible", "--name", ".")
        return [w for w in out.split()]

    def window_name(self, wid):
        return self.xdo("getwindowname", wid).strip()

    def find_window(self, title):
        for wid in self.visible_windows():
            if self.window_name(wid) == title:
                return wid
        return None

    def active_window(self):
        return self.xdo("getactivewindow").strip()

    def geometry(self, wid):
        """Client rectangle of a window on the screen: x, y, width, height."""
        info = run(["xwininfo", "-id", wid], self.env)
        values = {}
        for line in info.splitlines():
            if ":" in line:
                k, v = line.split(":", 1)
                values[k.strip()] = v.strip()
        try:
            return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]),
                    int(values["Width"]), int(values["Height"]))
        except (KeyError, ValueError):
            return None  # gone meanwhile

    def frame_extents(self, wid):
        out = run(["xprop", "-id", wid, "_NET_FRAME_EXTENTS"], self.env)
        if "=" not in out:
            return 0, 0, 0, 0
        return tuple(int(v) for v in out.split("=")[1].split(","))

    def program_windows(self):
        return self.xdo("search", "--onlyvisible", "--classname", self.instance).split()

    def popup_menu(self):
        """Geometry of the open popup menu, if any: the program's window that
        the window manager does not frame, taller than a tool tip."""
        for wid in self.program_windows():
            info = run(["xwininfo", "-id", wid], self.env)
            geometry = self.geometry(wid)
            if "Override Redirect State: yes" in info and geometry and geometry[3] > 40:
                return geometry
        return None


def near(a, b, tolerance=3):
    """Two places on the screen, the same but for a focus frame's width."""
    return a is not None and b is not None and \
        abs(a[0] - b[0]) <= tolerance and abs(a[1] - b[1]) <= tolerance


def wait_for(predicate, timeout=5.0, interval=0.05):
    """The predicate's first true value, or None once timeout seconds (times
    ROBUSTEZ_DESKTOP_SLOW) have passed without one."""
    deadline = time.time() + timeout * SLOW
    while True:
        value = predicate()
        if value:
            return value
        if time.time() > deadline:
            return None
        time.sleep(interval)


def must(predicate, timeout, what, failure=None):
    """wait_for, failing the step with what did not happen in time."""
    value = wait_for(predicate, timeout)
    if not value:
        raise (failure or StepFailed)("%s (within %g s)" % (what, timeout * SLOW))
    return value


# --- The program ------------------------------------------------------------


class Geometry:
    """Places on the screen, measured once from the screen itself."""


class Program:
    def __init__(self, path, session, workdir):
        self.path = path
        self.savedir = os.path.join(workdir, "s")
        os.makedirs(self.savedir, exist_ok=True)
        self.saves = 0
        self.session = session
        self.x = Input(session.env, os.path.basename(path))
        self.pinger = Pinger(session.env["DISPLAY"])
        self.screen = Screen(session.fb_path)
        self.workdir = workdir
        self.proc = None
        self.g = None
        self.maximized = False
        self.starts = 0

    # Start and stop ------------------------------------------------------

    def start(self, args=()):
        self.stop()
        self.gone()
        self.starts += 1
        home = os.path.join(self.workdir, "home%d" % self.starts)
        runtime = os.path.join(self.workdir, "run%d" % self.starts)
        os.makedirs(os.path.join(home, ".config"), exist_ok=True)
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env = dict(self.session.env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb")
        self.log = open(os.path.join(self.workdir, "program%d.log" % self.starts), "w")
        self.proc = spawn([self.path, *args], env=env, cwd=home, stdout=self.log, stderr=self.log)
        self.main = must(lambda: self.x.find_window(MAIN_TITLE), 30,
                         "the program's main window did not appear (see %s)" % self.log.name,
                         CannotRun)
        self.x.caught_up = self.sync_input
        # The splash window, shown before the main window, stays on top for
        # three seconds.
        must(lambda: not self._splash_shown(), 15, "the splash window did not go away",
             CannotRun)
        must(lambda: self.x.active_window() == self.main, 10,
             "the main window did not become the active window", CannotRun)
        try:
            self.sync()
        except StepFailed as e:
            raise CannotRun("the program started but %s" % e)
        self.maximized = False
        if self.g is None:
            self.calibrate()

    def _splash_shown(self):
        for wid in self.x.program_windows():
            if (self.x.geometry(wid) or (0, 0, 0, 0))[2:] == (500, 425):
                return True
        return False

    def stop(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.proc = None

    def gone(self):
        """The windows of a program stopped are off the screen."""
        must(lambda: not self.x.program_windows(), 10,
             "the windows of the program stopped did not go away", CannotRun)

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def only_main_window(self):
        """No window of the program is shown but the main window."""
        return self.x.visible_windows() == [self.main]

    # Calibration -----------------------------------------------------------

    def calibrate(self):
        """Finds the client area, the study window's parts and the menu bar's
        entries on the screen, with an empty client area first."""
        g = Geometry()
        s = self.screen.refresh()
        mx, my, mw, mh = self.x.geometry(self.main)
        g.main = (mx, my, mw, mh)
        # The client area: the longest run of one colour down a column right
        # of where the study window opens.
        col = mx + mw - 40
        best = (0, 0, 0)
        y = my
        while y < my + mh:
            colour = s.pixel(col, y)
            end = y
            while end + 1 < my + mh and s.pixel(col, end + 1) == colour:
                end += 1
            if end - y > best[1] - best[0]:
                best = (y, end, colour)
            y = end + 1
        g.area_top, g.area_bottom, g.area_colour = best
        g.area_left = mx
        while s.pixel(g.area_left, g.area_top + 100) != g.area_colour:
            g.area_left += 1
        g.area_right = mx + mw - 1
        while s.pixel(g.area_right, g.area_top + 100) != g.area_colour:
            g.area_right -= 1
        g.speed_y = g.area_top - 17  # the speed bar (33 high) above the client area
        menu_band = (my + 1, g.area_top - 34)
        g.menu_titles = self._menu_titles(menu_band)

        # A study window, measured on its first page.
        self.x.key("ctrl+n")
        page = wait_for(lambda: self._find_page(g.area_left, g.area_top, 700, 400), 10)
        if not page:
            raise CannotRun("calibration: the study window's first page was not found")
        g.page = page
        s = self.screen.refresh()
        g.frame = (g.area_left, g.area_top)
        g.frame_right = g.area_left + 688
        title = [y for y in range(g.area_top, page[1])
                 if self._bluish(s.pixel(g.area_left + 300, y))]
        if not title:
            raise CannotRun("calibration: the study window's title bar was not found")
        g.title_y = (title[0] + title[-1]) // 2
        g.title_height = title[-1] - g.area_top + 1
        g.close_box = (g.frame_right - 15, g.title_y)
        g.max_box = (g.frame_right - 35, g.title_y)
        g.min_box = (g.frame_right - 55, g.title_y)

        # Maximized: the window's buttons move to the menu bar's right end.
        self.x.click(*g.max_box, park=self._park(g))
        page_max = wait_for(lambda: self._find_page(g.area_left, my, 700, 400, page), 10)
        if not page_max:
            raise CannotRun("calibration: the maximized study window was not found")
        g.page_max = page_max
        s = self.screen.refresh()
        right = s.ink_clusters(mx + mw - 90, mx + mw, my + 1, g.area_top, gap=3)
        if len(right) < 3:
            raise CannotRun("calibration: the menu bar's window buttons were not found")
        boxes = [((l + r) // 2, (t + b) // 2) for l, r, t, b in right[-3:]]
        g.menu_min, g.menu_restore, g.menu_close = boxes
        band_top = min(b[1] for b in boxes) - 8
        g.menu_titles_max = self._menu_titles((band_top, band_top + 16))
        g.speed_y_max = g.speed_y + (page_max[1] - (page[1] - g.title_height))
        self.g = g
        if os.environ.get("ROBUSTEZ_DESKTOP_VERBOSE"):
            print("geometry: %r" % vars(g), flush=True)
        self.x.click(*g.menu_restore, park=self._park(g))
        if not wait_for(lambda: near(self._find_page(g.area_left, g.area_top, 700, 400), page), 10):
            raise CannotRun("calibration: the study window did not come back to its place: %r" % (
                self._find_page(g.area_left, g.area_top, 700, 400),))
        # Unchanged, it closes without a question.
        choose(self, "Archivo", "Cerrar", False)
        if not wait_for(self.area_empty, 10):
            raise CannotRun("calibration: the empty study window did not close")

    def _menu_titles(self, band):
        s = self.screen.refresh()
        clusters = s.ink_clusters(self.g_main_x(), self.g_main_x() + 400, band[0], band[1],
                                  gap=6, light=215)
        titles = [((l + r) // 2, (t + b) // 2) for l, r, t, b in clusters if r - l > 15]
        if len(titles) < 4:
            raise CannotRun("calibration: the menu bar's titles were not found: %r" % clusters)
        return {"Archivo": titles[0], "Cálculos": titles[1], "Ventana": titles[2],
                "Ayuda": titles[3]}

    def g_main_x(self):
        return self.x.geometry(self.main)[0]

    @staticmethod
    def _bluish(p):
        return p[2] > p[0] + 60

    def _find_page(self, left, top, width, height, unlike=None):
        """The origin of the study window's pages, from the method edit (at
        16, 58 on the first page, 577 wide): its inside is pure white."""
        s = self.screen.refresh()
        for y in range(top, min(top + height, SCREEN_H)):
            for start, length in s.white_runs(y, left, min(left + width, SCREEN_W)):
                if 560 <= length <= 580:
                    origin = (start - 17, y - 59)
                    # The date edit, 230 wide, 147 below.
                    runs = s.white_runs(origin[1] + 205 + 12, origin[0], origin[0] + 300)
                    if any(220 <= n <= 232 for _, n in runs) and not near(origin, unlike):
                        return origin
                    return None
        return None

    def _park(self, g=None):
        g = g or self.g
        return (g.area_right - 5, g.area_bottom - 5)

    # Simple looks at the screen -------------------------------------------------

    def area_empty(self):
        s = self.screen.refresh()
        g = self.g
        for fx in (0.05, 0.3, 0.6, 0.95):
            for fy in (0.02, 0.3, 0.6, 0.98):
                x = int(g.area_left + fx * (g.area_right - g.area_left))
                y = int(g.area_top + fy * (g.area_bottom - g.area_top))
                if s.pixel(x, y) != g.area_colour:
                    return False
        return True

    def page_origin(self):
        return self.g.page_max if self.maximized else self.g.page

    def at_page(self, dx, dy):
        ox, oy = self.page_origin()
        return ox + dx, oy + dy

    # Typing a study ------------------------------------------------------------

    def sync_input(self):
        """Waits until the program has handled every input sent so far and
        what that input queued behind it: two round trips through its event
        queue, the second once the first has come back."""
        for _ in range(2):
            if not self.pinger.ping(self.main, SETTLE_LIMIT * SLOW):
                raise StepFailed("the program did not catch up with the input within %g s" %
                                 (SETTLE_LIMIT * SLOW))

    def sync(self):
        """Waits until the program has handled the input sent so far, then
        until the screen has not changed for 0.1 s: the program has drawn
        what the input did and the focus has settled. Nothing is sent to the
        program meanwhile: a pointer moved over it could change where its
        focus goes. Fails the step when either does not happen in time."""
        self.sync_input()
        last, since = self.screen.refresh().data, time.time()
        deadline = since + SETTLE_LIMIT * SLOW
        while time.time() < deadline:
            time.sleep(0.02)
            data = self.screen.refresh().data
            if data != last:
                last, since = data, time.time()
            elif time.time() - since >= 0.1:
                return
        raise StepFailed("the screen did not settle within %g s" % (SETTLE_LIMIT * SLOW))

    def new_study(self):
        self.x.key("ctrl+n")
        if not wait_for(lambda: near(self._find_page(self.g.area_left, self.g.area_top, 700, 400),
                                     self.g.page), 10):
            raise StepFailed("Nuevo did not open a study window in its place")
        self.maximized = False

    def fill(self, study):
        """Types the study as a user does: Enter between the first page's
        edits, the count accepted with Enter, Tab between the grid's cells
        and none after the last one; where the program moves the focus
        itself, the next keys wait until it has."""
        text, press = Input.text_keys, self.x.press
        press(text(study.method) + ["Return"] + text(study.analyst) + ["Return"] +
              text(study.date))
        self.click_tab(2)
        press(["alt+n"])
        self.sync()
        if study.n != 3:
            press(["End", "BackSpace", "BackSpace", str(study.n)])
        for typed in (["Return"], ["Return"], text(study.condition) + ["Tab"]):
            press(typed)
            self.sync()
        cells = study.grid_order()
        grid = []
        for i, cell in enumerate(cells):
            grid += text(cell) + (["Tab"] if i + 1 < len(cells) else [])
        press(grid)
        self.sync()

    def click_tab(self, number):
        # The tabs' labels, above the page.
        dx = 63 if number == 1 else 210
        self.x.click(*self.at_page(dx, -11), park=self._park())
        self.sync()

    def fresh_path(self, suffix="w1o"):
        """A path never saved to: "Guardar como" asks before replacing."""
        self.saves += 1
        return os.path.join(self.savedir, "%03d.%s" % (self.saves, suffix))

    def save_as(self, path, mouse=False, title=SAVE_TITLE):
        """Saves with "Guardar como...", typing the path into the dialog's
        file name field (the dialog titled `title`). Returns what went wrong
        (a message box that came up on the way is answered with Enter, and
        noted)."""
        problems = []
        try:
            choose(self, "Archivo", "Guardar como", mouse)
        except StepFailed as e:
            return ["Guardar como: %s" % e]

        def dialog_active():
            active = self.x.active_window()
            name = self.x.window_name(active)
            if name == title:
                return active
            if name == BOX_TITLE and len(problems) < 3:
                problems.append("a message box came up on the way to the dialog")
                self.x.key("Return")
                self.sync()
            return None
        dialog = wait_for(dialog_active, 10)
        if not dialog:
            return problems + ["the dialog \"%s\" is not the active window (%s is)" %
                               (title, self.x.window_name(self.x.active_window()))]
        self.sync()  # its file name field has the focus
        self.x.key("ctrl+a")
        self.x.type(path)
        self.x.key("Return")
        gone = wait_for(lambda: self.x.find_window(title) is None, 10)
        # Written to a temporary file and renamed: once there, it is whole.
        if not wait_for(lambda: os.path.exists(path), 10):
            if not gone:
                return problems + ["the typed file name did not reach the dialog; "
                                   "nothing was saved"]
            return problems + ["nothing was saved at the typed path"]
        if not gone:
            return problems + ["the dialog \"%s\" stayed open after the save" % title]
        must(lambda: self.x.window_name(self.x.active_window()) != title, 10,
             "the program's window did not become active again after the save")
        self.sync()
        return problems

    def close_study_discarding(self):
        """Closes the study window, answering No to its question."""
        choose(self, "Archivo", "Cerrar", False)
        box = must(lambda: self.x.find_window(QUESTION_TITLE) or self.area_empty(), 10,
                   "neither the question nor an empty client area came after Cerrar")
        if isinstance(box, str):
            must(lambda: self.x.active_window() == box, 10, "the question box is not active")
            self.sync()
            self.x.key("alt+n")
        must(self.area_empty, 10, "the study window did not close with Cerrar and No")
        self.sync()
        self.maximized = False


# --- Actions ----------------------------------------------------------------
#
# Each action is what a user does with the mouse or the keyboard other than
# typing into a control; it waits until the program has visibly reacted.


def wait_question(p):
    box = wait_for(lambda: p.x.find_window(QUESTION_TITLE), 10)
    if not box and p.area_empty():
        raise StepFailed("the study window closed without the question \"%s\": it had not "
                         "changed since it was saved (a key typed since was lost)" % QUESTION_TITLE)
    if not box:
        raise StepFailed("the question \"%s\" did not appear" % QUESTION_TITLE)
    if not wait_for(lambda: p.x.active_window() == box, 10):
        raise StepFailed("the question box is not the active window")
    p.sync()  # its buttons take keys
    return box


def answer_question(p, how):
    box = wait_question(p)
    if how == "escape":
        p.x.key("Escape")
    else:  # the box's own close button, drawn by the window manager
        x, y, w, h = p.x.geometry(box)
        left, right, top, bottom = p.x.frame_extents(box)
        p.x.click(x + w + right - 11, y - top // 2 - 1, park=p._park())
    if not wait_for(lambda: p.x.find_window(QUESTION_TITLE) is None, 10):
        raise StepFailed("the question box did not close")
    p.sync()


def maximize(p):
    p.x.click(*p.g.max_box, park=p._park())
    p.maximized = True
    if not wait_for(lambda: near(p._find_page(p.g.area_left, p.g.main[1], 700, 400), p.g.page_max)
                    or p.x.window_name(p.main) != MAIN_TITLE, 10):
        raise StepFailed("the study window did not maximize")
    p.sync()


def restore_from_menu_bar(p):
    p.x.click(*p.g.menu_restore, park=p._park())
    p.maximized = False
    if not wait_for(lambda: p.x.window_name(p.main) == MAIN_TITLE, 10):
        raise StepFailed("the study window was not restored")
    p.sync()


def close_box(p):
    p.x.click(*(p.g.menu_close if p.maximized else p.g.close_box), park=p._park())


def minimize(p):
    p.x.click(*p.g.min_box, park=p._park())
    if not wait_for(lambda: p.screen.refresh().pixel(p.g.area_left + 400, p.g.title_y)
                    == p.g.area_colour, 10):
        raise StepFailed("the study window did not minimize")
    p.sync()


def restore_minimized(p):
    # Minimized, the window is a short title bar at the client area's
    # bottom left: icon, title, restore, maximize and close buttons.
    g = p.g
    p.x.click(g.area_left + 140, g.area_bottom - g.title_height // 2 + 1, park=p._park())
    if not wait_for(lambda: near(p._find_page(g.area_left, g.area_top, 700, 400), g.page)
                    or p.screen.refresh().pixel(g.area_left + 400, g.title_y) != g.area_colour, 10):
        raise StepFailed("the minimized study window was not restored")
    p.sync()


def click_title(p):
    p.x.click(p.g.area_left + 200, p.g.title_y, park=p._park())
    p.sync()


def click_condition(p):
    # The condition edit (248, 96, 129 x 24), right of its text.
    p.x.click(*p.at_page(248 + 122, 96 + 12), park=p._park())
    p.sync()


def click_last_cell(p):
    # The grid (24, 128): columns 110 and rows 24 wide; the last cell is in
    # the fourth column and the row n + 1. Right of its text.
    p.x.click(*p.at_page(24 + 3 * 110 + 100, 128 + (p.study.n + 1) * 24 + 12), park=p._park())
    p.sync()


def click_count(p):
    # The count edit (72, 54, 33 x 24), right of its text. No key is typed
    # there (the count would change): its focus frame shows the caret is in.
    p.x.click(*p.at_page(72 + 28, 54 + 12), park=p._park())
    p.sync()
    count_focused(p, "the click")


def count_focused(p, move):
    s = p.screen.refresh()
    x, y = p.at_page(72, 54 + 12)
    if not any(p._bluish(s.pixel(x + dx, y)) for dx in range(-4, 4)):
        raise StepFailed("%s did not leave the caret in the count edit" % move)


def count_mnemonic(p):
    p.x.key("alt+n")
    p.sync()
    count_focused(p, "Alt+N")


def retype_count(p):
    """Types the count's last digit again: the study is unchanged when the
    keys land in the count edit, and any other control would show them."""
    p.x.press(["End", "BackSpace", str(p.study.n)[-1]])
    p.sync()


def speed_button(p, x):
    p.x.click(x, p.g.speed_y_max if p.maximized else p.g.speed_y, park=p._park())


def cerrar_button(p):
    speed_button(p, 104)


def salir_button(p):
    speed_button(p, 202)


RESULT_TITLES = {"dunnett": "Lista de medias aritméticas y t de Dunnett calculada",
                 "informe": "Informe", "detalle": "Detalle estadístico"}
RESULT_MENU_ITEMS = {"dunnett": "t de Dunnett", "informe": "Informe",
                     "detalle": "Detalle estadístico"}


# Where the entries are in their menus: group (between separators) and place
# in the group, counted from the end when negative. The menus may grow.
MENU_PLACES = {("Archivo", "Nuevo diseño"): (0, 2), ("Archivo", "Abrir diseño"): (0, 3),
               ("Archivo", "Cerrar"): (0, 4), ("Archivo", "Guardar como"): (1, 1),
               ("Archivo", "Salir"): (-1, -1), ("Cálculos", "t de Dunnett"): (0, 0),
               ("Cálculos", "Informe"): (0, 1), ("Cálculos", "Detalle estadístico"): (0, 2),
               ("Cálculos", "Efectos del diseño"): (1, 0), ("Ventana", "Mosaico"): (0, 0),
               ("Ventana", "Cascada"): (0, 1)}
MENU_KEYS = {"Archivo": "alt+a", "Cálculos": "alt+c", "Ventana": "alt+v"}
ENTRY_KEYS = {"Cerrar": "e", "Guardar como": "c", "Salir": "s", "t de Dunnett": "t",
              "Informe": "i", "Detalle estadístico": "d", "Cascada": "c", "Mosaico": "m",
              "Nuevo diseño": "d", "Efectos del diseño": "e"}


def menu_entries(p, menu):
    """The middle rows of the entries of an open popup menu, in groups
    between separators: an entry's label is text, a separator a line."""
    x, y, w, h = menu
    s = p.screen.refresh()
    columns = range(x + 20, x + w - 20)
    inked = [sum(s._ink(s.pixel(px, py), 215) for px in columns) for py in range(y, y + h)]
    groups, start = [[]], None
    for i, ink in enumerate(inked + [0]):
        if ink and start is None:
            start = i
        elif not ink and start is not None:
            if i - start >= 5:  # a label
                groups[-1].append(y + (start + i - 1) // 2)
            elif max(inked[start:i]) > len(columns) * 0.8:  # a line across: a separator
                groups.append([])
            start = None  # else the underline of a letter
    return [group for group in groups if group]


def choose(p, title, item, mouse):
    """Chooses a menu entry: with the mouse on the title and on the entry, or
    with the title's Alt key and the entry's underlined letter."""
    if mouse:
        titles = p.g.menu_titles_max if p.maximized else p.g.menu_titles
        p.x.click(*titles[title])
    else:
        p.x.key(MENU_KEYS[title])
    menu = wait_for(p.x.popup_menu, 10)
    if not menu:
        raise StepFailed("the menu %s did not open" % title)
    p.sync()  # drawn, and taking keys
    if mouse:
        group, place = MENU_PLACES[(title, item)]

        def entry():  # once the menu is drawn
            try:
                return menu_entries(p, menu)[group][place]
            except IndexError:
                return None
        row = wait_for(entry, 10)
        if row is None:
            raise StepFailed("the entry %s was not found in the menu %s" % (item, title))
        p.x.click(menu[0] + 30, row, park=p._park())
    else:
        p.x.key(ENTRY_KEYS[item])


def maximized_title(which):
    """What the main window's title holds while a results window is
    maximized: its title, which goes on with the name of its study."""
    return "[%s — " % RESULT_TITLES[which]


def open_results(p, which, mouse):
    choose(p, "Cálculos", RESULT_MENU_ITEMS[which], mouse)
    if p.maximized:
        shown = wait_for(lambda: maximized_title(which) in p.x.window_name(p.main), 10)
    else:
        shown = wait_for(lambda: results_visible(p), 10)
    if not shown:
        raise StepFailed("the window %s did not open (active window: %s)" % (
            RESULT_TITLES[which], p.x.window_name(p.x.active_window())))
    p.sync()


def active_title(p):
    """The title bar of the active child window when it is not maximized:
    its middle row and its ends. It is the blue band, wider than a cell of
    the grid that may be selected, blue too."""
    s, g = p.screen.refresh(), p.g

    def blue(x, y):
        return g.area_left <= x <= g.area_right and p._bluish(s.pixel(x, y))

    def end(x, y, step):  # across the white title text and the buttons
        while True:
            further = [x + step * d for d in range(1, 41) if blue(x + step * d, y)]
            if not further:
                return x
            x = further[-1]
    for k in range(1, 8):
        x = g.area_left + (g.area_right - g.area_left) * k // 8
        for y in range(g.area_top, g.area_bottom - 10, 2):
            if blue(x, y) and blue(x, y + 6):
                top, bottom = y, y + 6
                while blue(x, top - 1):
                    top -= 1
                while blue(x, bottom + 1):
                    bottom += 1
                row = (top + bottom) // 2
                left, right = end(x, row, -1), end(x, row, 1)
                if right - left > 300:
                    return row, left, right
    return None


def results_visible(p):
    """A child window other than the study window is active."""
    title = active_title(p)
    return title is not None and abs(title[0] - p.g.title_y) > 3


def close_results(p, which, how):
    title = None if p.maximized else active_title(p)
    if how == "cerrar":
        cerrar_button(p)
    elif how == "x":
        p.x.click(*(p.g.menu_close if p.maximized else (title[2] - 15, title[0])),
                  park=p._park())
    elif how == "key":  # any key in the report closes it
        p.x.key("Escape")
    elif how == "click":  # as does a click on its text
        x, y = (p.g.area_left, p.g.page_max[1]) if p.maximized else (title[1], title[0])
        p.x.click(x + 60, y + 80, park=p._park())
    if p.maximized:
        closed = wait_for(lambda: maximized_title(which) not in p.x.window_name(p.main), 10)
    else:
        closed = wait_for(lambda: not results_visible(p), 10)
    if not closed:
        raise StepFailed("the window %s did not close" % RESULT_TITLES[which])
    p.sync()


def wm_close_main(p):
    x, y, w, h = p.x.geometry(p.main)
    left, right, top, bottom = p.x.frame_extents(p.main)
    p.x.click(x + w + right - 11, y - top // 2 - 1, park=p._park())


def tab_key(p):
    p.x.key("Tab")
    p.sync()


def save_in_between(p, mouse):
    problems = p.save_as(p.fresh_path(), mouse)
    if problems:
        raise StepFailed("; ".join(problems))


def close_discarding_and_new(p):
    p.close_study_discarding()
    p.new_study()
    p.fill(SECOND)
    p.study = SECOND


ACTIONS = {
    "close box": close_box,
    "Escape": lambda p: answer_question(p, "escape"),
    "box ×": lambda p: answer_question(p, "close"),
    "maximize": maximize,
    "restore (menu bar)": restore_from_menu_bar,
    "minimize": minimize,
    "restore (minimized)": restore_minimized,
    "click title bar": click_title,
    "click condition": click_condition,
    "click count": click_count,
    "Alt+N": count_mnemonic,
    "retype count": retype_count,
    "click last cell": click_last_cell,
    "Tab": tab_key,
    "Cerrar (button)": cerrar_button,
    "Cerrar (menu, keys)": lambda p: choose(p, "Archivo", "Cerrar", False),
    "Cerrar (menu, mouse)": lambda p: choose(p, "Archivo", "Cerrar", True),
    "Salir (button)": salir_button,
    "Salir (menu, keys)": lambda p: choose(p, "Archivo", "Salir", False),
    "Salir (menu, mouse)": lambda p: choose(p, "Archivo", "Salir", True),
    "main window ×": wm_close_main,
    "page 1 tab": lambda p: p.click_tab(1),
    "page 2 tab": lambda p: p.click_tab(2),
    "second study": close_discarding_and_new,
    "Guardar como (keys)": lambda p: save_in_between(p, False),
    "Guardar como (mouse)": lambda p: save_in_between(p, True),
}
for _which in RESULT_TITLES:
    ACTIONS[_which + " (keys)"] = lambda p, w=_which: open_results(p, w, False)
    ACTIONS[_which + " (mouse)"] = lambda p, w=_which: open_results(p, w, True)
    for _how in ("cerrar", "x", "key", "click"):
        ACTIONS["close %s (%s)" % (_which, _how)] = \
            lambda p, w=_which, h=_how: close_results(p, w, h)


# --- Scenarios ----------------------------------------------------------------
#
# name, actions after the study is typed, the field that must receive the
# marker typed after them.

SCENARIOS = [
    ("close box, Escape", ["close box", "Escape"], LAST_CELL),
    ("close box, box ×", ["close box", "box ×"], LAST_CELL),
    ("maximize, restore from the menu bar", ["maximize", "restore (menu bar)"], LAST_CELL),
    ("click on the condition edit", ["click condition"], "condición"),
    ("Tab out of the last cell", ["Tab"], LAST_CELL),
    ("maximized, t de Dunnett by keys, Cerrar",
     ["maximize", "dunnett (keys)", "close dunnett (cerrar)"], LAST_CELL),
    ("maximized, t de Dunnett by mouse, ×",
     ["maximize", "dunnett (mouse)", "close dunnett (x)"], LAST_CELL),
    ("maximized, Informe by keys, closed by a key",
     ["maximize", "informe (keys)", "close informe (key)"], LAST_CELL),
    ("maximized, Informe by mouse, closed by a click",
     ["maximize", "informe (mouse)", "close informe (click)"], LAST_CELL),
    ("maximized, Detalle estadístico by keys, Cerrar",
     ["maximize", "detalle (keys)", "close detalle (cerrar)"], LAST_CELL),
    ("maximized, Detalle estadístico by mouse, ×",
     ["maximize", "detalle (mouse)", "close detalle (x)"], LAST_CELL),
    ("right after maximizing", ["maximize"], LAST_CELL),
    ("click on the title bar", ["click title bar"], LAST_CELL),
    ("Cerrar (button), Escape", ["Cerrar (button)", "Escape"], LAST_CELL),
    ("Cerrar (menu by keys), Escape", ["Cerrar (menu, keys)", "Escape"], LAST_CELL),
    ("Cerrar (menu by mouse), Escape", ["Cerrar (menu, mouse)", "Escape"], LAST_CELL),
    ("Salir (menu by keys), Escape", ["Salir (menu, keys)", "Escape"], LAST_CELL),
    ("Salir (menu by mouse), Escape", ["Salir (menu, mouse)", "Escape"], LAST_CELL),
    ("Salir (button), box ×", ["Salir (button)", "box ×"], LAST_CELL),
    ("minimize, restore", ["minimize", "restore (minimized)"], LAST_CELL),
    ("main window ×, Escape", ["main window ×", "Escape"], LAST_CELL),
    ("page tabs back and forth", ["page 1 tab", "page 2 tab"], NOWHERE),
    ("second study window, close box, Escape",
     ["second study", "close box", "Escape"], LAST_CELL),
    ("Guardar como (menu by keys)", ["Guardar como (keys)"], LAST_CELL),
    ("Guardar como (menu by mouse)", ["Guardar como (mouse)"], LAST_CELL),
    ("count edit focused, Guardar como", ["click count"], NO_MARKER),
    # On the second page a click or a mnemonic goes where the user points;
    # only Tab and Enter follow the page's path.
    ("click on the count edit from the condition edit",
     ["click condition", "click count", "retype count"], NO_MARKER),
    ("click on the count edit from the accept button",
     ["click condition", "click count", "Tab", "click count", "retype count"], NO_MARKER),
    ("Alt+N from the condition edit", ["click condition", "Alt+N", "retype count"], NO_MARKER),
]


# The moves of the random run: name, actions, when the move is possible,
# where the user is afterwards (KEEP: where the user was).

KEEP = "keep"
RANDOM_MOVES = [
    # Closing asks only when the study has changed since it was saved.
    ("close box, Escape", ["close box", "Escape"], "changed", KEEP),
    ("close box, box ×", ["close box", "box ×"], "changed", KEEP),
    ("Cerrar (button), Escape", ["Cerrar (button)", "Escape"], "changed", KEEP),
    ("Cerrar (menu by keys), box ×", ["Cerrar (menu, keys)", "box ×"], "changed", KEEP),
    ("Salir (menu by mouse), Escape", ["Salir (menu, mouse)", "Escape"], "changed", KEEP),
    ("Salir (menu by keys), Escape", ["Salir (menu, keys)", "Escape"], "changed", KEEP),
    ("main window ×, Escape", ["main window ×", "Escape"], "changed", KEEP),
    ("page tabs back and forth", ["page 1 tab", "page 2 tab"], "always", NOWHERE),
    ("t de Dunnett by keys, Cerrar", ["dunnett (keys)", "close dunnett (cerrar)"], "always", KEEP),
    ("t de Dunnett by mouse, ×", ["dunnett (mouse)", "close dunnett (x)"], "always", KEEP),
    ("Informe by keys, a key", ["informe (keys)", "close informe (key)"], "always", KEEP),
    ("Informe by mouse, a click", ["informe (mouse)", "close informe (click)"], "always", KEEP),
    ("Detalle by keys, ×", ["detalle (keys)", "close detalle (x)"], "always", KEEP),
    ("Detalle by mouse, Cerrar", ["detalle (mouse)", "close detalle (cerrar)"], "always", KEEP),
    ("maximize", ["maximize"], "normal", KEEP),
    ("restore from the menu bar", ["restore (menu bar)"], "maximized", KEEP),
    ("minimize, restore", ["minimize", "restore (minimized)"], "normal", KEEP),
    ("click on the title bar", ["click title bar"], "normal", KEEP),
    # Right of the text, while the edit or the cell has room after it.
    ("click on the condition edit", ["click condition"], "short condition", "condición"),
    ("click on the last cell", ["click last cell"], "short last cell", LAST_CELL),
    ("Tab out of the last cell", ["Tab"], "in the last cell", LAST_CELL),
]


def move_possible(when, maximized, field, condition, last_cell):
    # The key typed before the move changes the study where it sets the
    # window's "Modificado" mark: in the grid, not in the condition edit.
    return {"always": True, "normal": not maximized, "maximized": maximized,
            "short condition": len(condition) < 9, "short last cell": len(last_cell) < 10,
            "changed": field == LAST_CELL, "in the last cell": field == LAST_CELL}[when]


# --- Window scenarios ----------------------------------------------------------
#
# Scenarios about the windows themselves rather than the keys of one study:
# each is a function of the program and the suite that returns what went wrong.


def window_list(p):
    """Opens "&Ventana" by its keys: the rows of its window entries, the
    group after the separator that follows "&Mosaico" and "&Cascada"."""
    p.x.key("alt+v")
    menu = wait_for(p.x.popup_menu, 3)
    if not menu:
        raise StepFailed("the menu Ventana did not open")
    p.sync()
    groups = wait_for(lambda: menu_entries(p, menu) or None, 3) or []
    return groups[1] if len(groups) > 1 else []


def choose_window(p, number):
    """Chooses the numbered window of the open "&Ventana" menu by its key."""
    p.x.key(str(number))
    if not wait_for(lambda: p.x.popup_menu() is None, 3):
        raise StepFailed("the menu Ventana did not close when window %d was chosen" % number)
    p.sync()


def cascade_close_and_reach(p, suite):
    """The study, "t de Dunnett" and "Detalle estadístico" open, the results
    window brought to the front through the menu, "Cascada", "Cerrar" on the
    window in front: the two windows left are listed and each comes to the
    front when chosen; the marker typed into the study once it is chosen
    again reaches its last cell."""
    suite.ready_study(WORKED)
    open_results(p, "dunnett", False)
    open_results(p, "detalle", False)
    listed = window_list(p)
    if len(listed) != 3:
        p.x.key("Escape")
        return ["the menu Ventana lists %d windows, expected 3" % len(listed)]
    choose_window(p, 2)  # the results window, in front of the detail window
    choose(p, "Ventana", "Cascada", False)
    p.sync()
    cerrar_button(p)
    p.sync()
    problems = []
    listed = window_list(p)
    if len(listed) != 2:
        p.x.key("Escape")
        return ["after Cascada and Cerrar the menu Ventana lists %d windows, expected 2" %
                len(listed)]
    choose_window(p, 2)
    second = active_title(p)
    window_list(p)
    choose_window(p, 1)
    first = active_title(p)
    if second is None or first is None:
        problems.append("a window chosen in the menu Ventana has no title bar in view")
    elif abs(first[0] - second[0]) <= 3:
        problems.append("both windows chosen show their title bars at the same row")
    p.x.type("7")
    path = p.fresh_path()
    problems += p.save_as(path)
    if os.path.exists(path):
        problems += compare(p.study, {field_name(p.study, LAST_CELL): "7"}, path)
    return problems


def open_study(p, path):
    """"&Abrir..." by its keys, the path typed into the dialog."""
    p.x.key("ctrl+a")
    dialog = wait_for(lambda: p.x.active_window() != p.main and p.x.active_window(), 6)
    if not dialog:
        raise StepFailed("the open dialog did not come up")
    dialog = p.x.window_name(dialog)
    p.sync()
    p.x.key("ctrl+a")
    p.x.type(path)
    p.x.key("Return")
    # Its edits hold text across their whole width: no page to measure.
    if not wait_for(lambda: p.x.find_window(dialog) is None and not p.area_empty(), 6):
        raise StepFailed("the opened study's window did not come up")
    p.sync()


def view_only_typed_into(how):
    """A saved study opened again, view-only, keys typed into its edits, then
    closed by "how": no question, and its file is left as it was."""
    def scenario(p, suite):
        suite.ready_study(WORKED)
        path = p.fresh_path()
        problems = p.save_as(path)
        if problems:
            return problems
        with open(path, "rb") as f:
            saved = f.read()
        choose(p, "Archivo", "Cerrar", False)
        if not wait_for(p.area_empty, 5):
            return ["the saved study did not close without a question"]
        open_study(p, path)
        p.x.type("zx 9")
        p.x.key("BackSpace", "Delete", "Return")
        p.x.type("q")
        p.sync()
        ACTIONS[how](p)
        box = wait_for(lambda: p.x.find_window(QUESTION_TITLE), 1.5)
        if box:
            problems.append("the question \"%s\" came up for a study nobody changed" %
                            QUESTION_TITLE)
            p.x.key("alt+n")
        if how.startswith("Salir"):
            if not wait_for(lambda: not p.alive(), 5):
                problems.append("the program did not end")
            p.stop()
        elif not wait_for(p.area_empty, 5):
            problems.append("the study window did not close")
        with open(path, "rb") as f:
            if f.read() != saved:
                problems.append("the study's file was written again")
        return problems
    return scenario


def opened_from_command_line(p, suite):
    """A study named on the command line opens in its designed place and size,
    not shrunk to the frame's client area before the window manager
    maximized the frame: its title bar reaches the designed right edge."""
    suite.ready_study(WORKED)
    path = p.fresh_path()
    problems = p.save_as(path)
    if problems:
        return problems
    p.start([path])
    g = p.g

    def title_bar_reaches_designed_edge():
        s = p.screen.refresh()
        return (p._bluish(s.pixel(g.frame_right - 70, g.title_y)) and
                s.pixel(g.frame_right + 10, g.title_y) == g.area_colour)

    problems = []
    if not wait_for(title_bar_reaches_designed_edge, 10):
        problems.append("the study named on the command line did not open with its title bar "
                        "%d points wide" % (g.frame_right - g.area_left))
    choose(p, "Archivo", "Cerrar", False)
    if not wait_for(p.area_empty, 5):
        problems.append("the opened study did not close without a question")
    return problems


WINDOW_SCENARIOS = [
    ("a study named on the command line opens at its designed size", opened_from_command_line),
    ("view-only study typed into, Cerrar asks nothing",
     view_only_typed_into("Cerrar (menu, keys)")),
    ("view-only study typed into, Salir asks nothing", view_only_typed_into("Salir (menu, keys)")),
    ("Cascada and Cerrar leave every window reachable from Ventana", cascade_close_and_reach),
]


# --- The design screen --------------------------------------------------------
#
# The design window ("Diseño de robustez") planned, typed, pasted into and
# saved as a design file ("*.w1d"), each saved file checked field by field
# against what was typed. The window opens where the study window does, at
# the top left of the client area, 728 points wide; the places of its
# controls are measured from its left edge and its title bar's middle row.

DESIGN_SAVE_TITLE = "Guardar diseño como"
DESIGN_OPEN_TITLE = "Abrir diseño"


class DesignPlan:
    """A screen as the user types it: the general page, the factors (name,
    unit, low, nominal, high; empty cells are left alone), the nominal
    runs, and one value a run for the one response "Contenido (%)"."""

    def __init__(self, method, analyst, date, factors, nominal, design, values):
        self.method, self.analyst, self.date = method, analyst, date
        self.factors = factors
        self.nominal = nominal
        self.design = design  # the catalogue design the window proposes
        self.values = values


# Three factors, a qualitative one among them: PB8 (7 columns, 4 dummies),
# with two nominal runs.
WORKED_DESIGN = DesignPlan(
    "Valoración de paracetamol", "Q.F.B. Ana López", "08/12/2026",
    [("Temperatura", "°C", "25", "30", "35"), ("Flujo", "mL/min", "0.9", "1.0", "1.1"),
     ("Columna", "", "lote A", "", "lote B")],
    2, "PB8", ["99.1", "98.75", "100.2", "99", "99.65", "101.1", "98.3", "99.9", "100.05", "99.4"])

# A measured screen (the example of the examples folder) with its values
# taken out: four factors, PB8, three nominal runs, two responses.
UNMEASURED_DESIGN = "\n".join([
    "ROBUSTEZ-DISENO\t1", "Método\tValoración de paracetamol por HPLC",
    "Analista\tQ.F.B. María Pérez", "Fecha\t08/12/2026", "Diseño\tPB8\tplackett-burman",
    "Ensayos nominales\t3", "Orden\taleatorio\t20261208", "Factores\t4",
    "Temperatura de la columna\t°C\t25\t30\t35", "Flujo\tmL/min\t0.9\t1.0\t1.1",
    "pH de la fase móvil\t\t2.8\t3.0\t3.2", "Lote de columna\t\tlote A\t\tlote B",
    "Respuestas\t2", "Contenido\t%", "Resolución\t", "Columnas\t7",
    "Temperatura de la columna\t1", "Flujo\t2", "pH de la fase móvil\t3", "Lote de columna\t4",
    "Ficticio 1\tficticio", "Ficticio 2\tficticio", "Ficticio 3\tficticio", "Ensayos\t11",
    "1\tnominal\t1\t0\t0\t0\t0\t0\t0\t0\t\t", "2\tdiseño\t5\t-1\t1\t-1\t-1\t1\t1\t1\t\t",
    "3\tdiseño\t2\t-1\t1\t1\t1\t-1\t1\t-1\t\t", "4\tdiseño\t8\t-1\t-1\t-1\t-1\t-1\t-1\t-1\t\t",
    "5\tdiseño\t1\t1\t1\t1\t-1\t1\t-1\t-1\t\t", "6\tnominal\t2\t0\t0\t0\t0\t0\t0\t0\t\t",
    "7\tdiseño\t6\t1\t-1\t1\t-1\t-1\t1\t1\t\t", "8\tdiseño\t3\t-1\t-1\t1\t1\t1\t-1\t1\t\t",
    "9\tdiseño\t7\t1\t1\t-1\t1\t-1\t-1\t1\t\t", "10\tdiseño\t4\t1\t-1\t-1\t1\t1\t1\t-1\t\t",
    "11\tnominal\t3\t0\t0\t0\t0\t0\t0\t0\t\t"]) + "\n"
# The block pasted into it: both responses of the eleven runs, as a
# spreadsheet copies them.
PASTED_RESPONSES = [("99.65", "2.42"), ("98.99", "2.53"), ("99.16", "2.95"), ("99.27", "2.62"),
                    ("99.99", "2.25"), ("99.58", "2.39"), ("100.2", "2.31"), ("99.17", "2.9"),
                    ("99.99", "1.84"), ("100.04", "1.81"), ("99.64", "2.42")]


def design_at(p, dx, dy, index=0):
    """A place in the design window opened as the index-th child window."""
    return p.g.area_left + 24 * index + dx, p.g.title_y + 24 * index + dy


# The design window's controls (left edge, title bar's middle row).
DESIGN_TABS = {"general": (70, 25), "factores": (170, 25), "diseno": (235, 25),
               "corridas": (300, 25)}
DESIGN_EDITS = {"método": (390, 56), "analista": (390, 84), "fecha": (150, 112)}
DESIGN_ADD_FACTOR = (659, 75)
DESIGN_FACTOR_COLUMNS = (130, 290, 378, 466, 554)  # Factor, Unidad, Bajo, Nominal, Alto
DESIGN_FACTOR_ROW = (95, 22)  # the first row's middle, the rows' height
DESIGN_NOMINAL_UP = (214, 375)  # the nominal runs' up arrow
DESIGN_MAX_BOX = (728 - 35, 0)


def design_shown(p, index=0):
    """The design window's title bar stands where a study window's does not
    reach (the study window is 688 points wide)."""
    x, y = design_at(p, 700, 0, index)
    return p._bluish(p.screen.refresh().pixel(x, y))


def new_design(p, mouse, index=0):
    choose(p, "Archivo", "Nuevo diseño", mouse)
    if not wait_for(lambda: design_shown(p, index), 10):
        raise StepFailed("Nuevo diseño did not open a design window in its place")
    p.sync()


def ready_program(p):
    """The program started afresh: the design scenarios leave windows open."""
    p.start()


def fill_design_by_keys(p, plan, after_method=None):
    """Types the plan as a keyboard user does: Enter between the general
    page's edits, Tab to the page tabs and the arrows along them, the
    mnemonics into the tables, Insert for a new factor, Enter to take a
    cell and Right to the next, Enter down the response column.
    `after_method` runs once the method is typed, the caret at its end."""
    text, press = Input.text_keys, p.x.press
    press(text(plan.method))
    p.sync()
    if after_method:
        after_method(p)
    press(["Return"] + text(plan.analyst) + ["Return"] + text(plan.date) + ["Tab", "Right"])
    p.sync()
    press(["alt+t"])
    for factor in plan.factors:
        keys = ["Insert"]
        for i, cell in enumerate(factor):
            keys += (text(cell) + ["Return"] if cell else []) + (["Right"] if i < 4 else [])
        press(keys)
        p.sync()
    # Back to the tabs from the table's first cell, on to "Diseño".
    press(["ctrl+Home", "shift+Tab", "Right"])
    p.sync()
    press(["alt+n", "ctrl+a", str(plan.nominal), "Return"])
    p.sync()
    press(["alt+d", "shift+Tab", "Right", "alt+r"])
    p.sync()
    keys = []
    for value in plan.values:
        keys += text(value) + ["Return"]
    press(keys)
    p.sync()


def fill_design_by_mouse(p, plan):
    """Types the plan where the mouse puts the caret: a click on each edit,
    on "Agregar factor" and on each further cell, the nominal runs' up arrow,
    each run's response cell."""
    text, press, click = Input.text_keys, p.x.press, p.x.click
    for field, typed in (("método", plan.method), ("analista", plan.analyst),
                         ("fecha", plan.date)):
        click(*design_at(p, *DESIGN_EDITS[field]), park=p._park())
        p.sync()
        press(text(typed))
    click(*design_at(p, *DESIGN_TABS["factores"]), park=p._park())
    p.sync()
    for row, factor in enumerate(plan.factors):
        click(*design_at(p, *DESIGN_ADD_FACTOR), park=p._park())
        p.sync()
        press(text(factor[0]) + ["Return"])  # the new row's first cell is current
        y = DESIGN_FACTOR_ROW[0] + DESIGN_FACTOR_ROW[1] * row
        for column in range(1, 5):
            if factor[column]:
                click(*design_at(p, DESIGN_FACTOR_COLUMNS[column], y), park=p._park())
                p.sync()
                press(text(factor[column]) + ["Return"])
        p.sync()
    click(*design_at(p, *DESIGN_TABS["diseno"]), park=p._park())
    p.sync()
    for _ in range(plan.nominal):
        click(*design_at(p, *DESIGN_NOMINAL_UP), park=p._park())
        p.sync()
    click(*design_at(p, *DESIGN_TABS["corridas"]), park=p._park())
    p.sync()
    # The first run's response cell: the cell the page opens on, shown
    # selected (its header's height follows the names).
    s = p.screen.refresh()
    x0, y0 = design_at(p, 0, 0)
    blue = [(x, y) for y in range(y0 + 60, y0 + 440, 2) for x in range(x0 + 10, x0 + 720, 4)
            if p._bluish(s.pixel(x, y))]
    if not blue:
        raise StepFailed("the runs page did not open on a response cell")
    x = (min(b[0] for b in blue) + max(b[0] for b in blue)) // 2
    top, bottom = min(b[1] for b in blue), max(b[1] for b in blue)
    height = bottom - top + 2  # the cell and the grid's line
    for row, value in enumerate(plan.values):
        click(x, (top + bottom) // 2 + height * row, park=p._park())
        p.sync()
        press(text(value) + ["Return"])
    p.sync()


# The oracle of the design files (see src/core/design/design_file.h).

def _unescape(field):
    out, i = [], 0
    while i < len(field):
        c = field[i]
        if c == "\\" and i + 1 < len(field):
            n = field[i + 1]
            if n == "x":
                out.append(chr(int(field[i + 2:i + 4], 16)))
                i += 4
                continue
            out.append({"\\": "\\", "t": "\t", "n": "\n", "r": "\r"}[n])
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


def read_design_file(path):
    """The design file's records, each a list of its fields, or a problem."""
    with open(path, "rb") as f:
        data = f.read()
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        return None, "the file is not UTF-8"
    if not text.endswith("\n") or "\r" in text:
        return None, "the lines do not end in LF"
    return [[_unescape(f) for f in line.split("\t")] for line in text[:-1].split("\n")], None


def design_records(lines):
    """The design file's parts by name: the header records, the factors,
    responses, columns and runs."""
    parts, i = {}, 0
    while i < len(lines):
        record = lines[i]
        if record[0] in ("Factores", "Respuestas", "Columnas", "Ensayos"):
            count = int(record[1])
            parts[record[0]] = lines[i + 1:i + 1 + count]
            i += 1 + count
        else:
            parts[record[0]] = record[1:]
            i += 1
    return parts


def check_runs(runs, columns, nominal, responses):
    """A balanced, orthogonal two-level design in run order: its runs
    numbered 1, 2, ..., the design runs' standard indexes a permutation of
    1..N, each column half low and half high and orthogonal to every
    other, the nominal runs' codes all 0."""
    problems = []
    design = [r for r in runs if r[1] == "diseño"]
    nominal_runs = [r for r in runs if r[1] == "nominal"]
    if [r[0] for r in runs] != [str(i + 1) for i in range(len(runs))]:
        problems.append("the runs are not numbered 1, 2, ...")
    if len(nominal_runs) != nominal or len(design) + len(nominal_runs) != len(runs):
        problems.append("%d nominal runs of %d, expected %d" % (len(nominal_runs), len(runs),
                                                               nominal))
    if sorted(int(r[2]) for r in design) != list(range(1, len(design) + 1)):
        problems.append("the design runs' standard indexes are not 1..%d" % len(design))
    if any(len(r) != 3 + columns + responses for r in runs):
        return problems + ["a run has not %d codes and %d values" % (columns, responses)]
    codes = [[int(c) for c in r[3:3 + columns]] for r in design]
    if any(c not in (-1, 1) for row in codes for c in row):
        problems.append("a design run has a code other than -1 or 1")
    for a in range(columns):
        if sum(row[a] for row in codes) != 0:
            problems.append("column %d is not balanced" % (a + 1))
        for b in range(a + 1, columns):
            if sum(row[a] * row[b] for row in codes) != 0:
                problems.append("columns %d and %d are not orthogonal" % (a + 1, b + 1))
    if any(c != "0" for r in nominal_runs for c in r[3:3 + columns]):
        problems.append("a nominal run has a code other than 0")
    return problems


def compare_design(plan, changes, path):
    """Differences between the design file and the plan typed, with the
    markers in `changes` appended to the fields they name ("método",
    "analista", "fecha")."""
    lines, problem = read_design_file(path)
    if problem:
        return [problem]
    parts = design_records(lines)
    diffs = []

    def expect(what, got, wanted):
        if got != wanted:
            diffs.append("%s: %r, expected %r" % (what, got, wanted))
    expect("first line", lines[0], ["ROBUSTEZ-DISENO", "1"])
    expect("Método", parts.get("Método"), [plan.method + changes.get("método", "")])
    expect("Analista", parts.get("Analista"), [plan.analyst + changes.get("analista", "")])
    expect("Fecha", parts.get("Fecha"), [plan.date + changes.get("fecha", "")])
    expect("Diseño", parts.get("Diseño"), [plan.design, "plackett-burman"])
    expect("Ensayos nominales", parts.get("Ensayos nominales"), [str(plan.nominal)])
    order = parts.get("Orden", [])
    if len(order) != 2 or order[0] != "aleatorio" or not order[1].isdigit():
        diffs.append("Orden: %r, expected aleatorio and a seed" % (order,))
    expect("Factores", parts.get("Factores"), [list(f) for f in plan.factors])
    expect("Respuestas", parts.get("Respuestas"), [["Contenido", "%"]])
    columns = parts.get("Columnas", [])
    named = [[f[0], str(i + 1)] for i, f in enumerate(plan.factors)]
    expect("Columnas (factors)", columns[:len(named)], named)
    dummies = [[c[0], c[1]] for c in columns[len(named):]]
    expect("Columnas (dummies)", dummies,
           [["Ficticio %d" % (i + 1), "ficticio"] for i in range(len(dummies))])
    runs = parts.get("Ensayos", [])
    diffs += check_runs(runs, len(columns), plan.nominal, 1)
    values = [r[-1] for r in runs]
    if len(values) != len(plan.values) or \
            any(not v or float(v) != float(w) for v, w in zip(values, plan.values)):
        diffs.append("responses %r, expected %r" % (values, plan.values))
    return diffs if len(diffs) <= 6 else diffs[:6] + ["..."]


def save_design(p, mouse=False):
    """"Guardar como..." on the design window to a fresh path; the path and
    what went wrong."""
    path = p.fresh_path("w1d")
    return path, p.save_as(path, mouse, DESIGN_SAVE_TITLE)


def checked_design(p, plan, changes=None, mouse=False):
    path, problems = save_design(p, mouse)
    if os.path.exists(path):
        problems += compare_design(plan, changes or {}, path)
    return problems


def design_by_keys(p, suite):
    """A new design planned with the keyboard alone, saved by the menu's keys."""
    ready_program(p)
    p.x.key("alt+a")
    if not wait_for(p.x.popup_menu, 10):
        raise StepFailed("the menu Archivo did not open")
    p.sync()
    p.x.key("d")  # Nuevo &diseño...
    if not wait_for(lambda: design_shown(p), 10):
        raise StepFailed("Nuevo diseño did not open a design window")
    p.sync()
    fill_design_by_keys(p, WORKED_DESIGN)
    return checked_design(p, WORKED_DESIGN)


def design_by_mouse(p, suite):
    """A new design planned with the mouse: the menu, each control and each
    cell clicked, the text typed where the click put the caret; saved by the
    menu with the mouse."""
    ready_program(p)
    new_design(p, True)
    fill_design_by_mouse(p, WORKED_DESIGN)
    return checked_design(p, WORKED_DESIGN, mouse=True)


def design_maximized_and_restored(p, suite):
    """The design window maximized and restored while the method is typed:
    the keys typed after each land at the end of the method."""
    ready_program(p)
    new_design(p, False)

    def window_actions(p):
        p.x.click(*design_at(p, *DESIGN_MAX_BOX), park=p._park())
        if not wait_for(lambda: "[Diseño de robustez" in p.x.window_name(p.main), 10):
            raise StepFailed("the design window did not maximize")
        p.sync()
        p.x.type("7")
        p.sync()
        p.x.click(*p.g.menu_restore, park=p._park())
        if not wait_for(lambda: p.x.window_name(p.main) == MAIN_TITLE, 10):
            raise StepFailed("the design window was not restored")
        p.sync()
        p.x.type("8")
    fill_design_by_keys(p, WORKED_DESIGN, window_actions)
    return checked_design(p, WORKED_DESIGN, {"método": "78"})


def design_close_question_escape(p, suite):
    """Cerrar on the changed design window, Escape on its question: the
    window stays, the next key lands at the end of the method."""
    ready_program(p)
    new_design(p, False)

    def escape(p):
        choose(p, "Archivo", "Cerrar", False)
        answer_question(p, "escape")
        if not design_shown(p):
            raise StepFailed("the design window closed after Escape on its question")
        p.x.type("7")
    fill_design_by_keys(p, WORKED_DESIGN, escape)
    return checked_design(p, WORKED_DESIGN, {"método": "7"})


def design_tiled_beside_study(p, suite):
    """A study window and a design window side by side, "Mosaico" while the
    method is typed: the next key lands at the end of the method."""
    ready_program(p)
    p.new_study()
    new_design(p, False, index=1)

    def tile(p):
        choose(p, "Ventana", "Mosaico", False)
        p.sync()
        p.x.type("7")
    fill_design_by_keys(p, WORKED_DESIGN, tile)
    return checked_design(p, WORKED_DESIGN, {"método": "7"})


def design_saved_as_twice(p, suite):
    """"Guardar como..." by the mouse, then by the keys to another path: both
    files hold the design typed, the same bytes."""
    ready_program(p)
    new_design(p, False)
    fill_design_by_keys(p, WORKED_DESIGN)
    first, problems = save_design(p, mouse=True)
    second, more = save_design(p, mouse=False)
    problems += more
    for path in (first, second):
        if os.path.exists(path):
            problems += compare_design(WORKED_DESIGN, {}, path)
    if os.path.exists(first) and os.path.exists(second):
        with open(first, "rb") as a, open(second, "rb") as b:
            if a.read() != b.read():
                problems.append("the two files differ")
    return problems


class Clipboard:
    """Owns the X clipboard with a text, as a spreadsheet does after
    "Copiar", and answers the requests for it until closed."""

    SELECTION_REQUEST, SELECTION_NOTIFY = 30, 31

    class _Request(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("owner", ctypes.c_ulong), ("requestor", ctypes.c_ulong),
                    ("selection", ctypes.c_ulong), ("target", ctypes.c_ulong),
                    ("property", ctypes.c_ulong), ("time", ctypes.c_ulong)]

    class _Notify(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("requestor", ctypes.c_ulong), ("selection", ctypes.c_ulong),
                    ("target", ctypes.c_ulong), ("property", ctypes.c_ulong),
                    ("time", ctypes.c_ulong)]

    class _Event(ctypes.Union):
        pass

    _Event._fields_ = [("type", ctypes.c_int), ("request", _Request), ("notify", _Notify),
                       ("pad", ctypes.c_long * 24)]

    def __init__(self, display, text):
        import threading
        lib = self.lib = ctypes.CDLL("libX11.so.6")
        lib.XOpenDisplay.restype = ctypes.c_void_p
        lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        lib.XDefaultRootWindow.restype = ctypes.c_ulong
        lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        lib.XCreateSimpleWindow.restype = ctypes.c_ulong
        lib.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + \
            [ctypes.c_int] * 2 + [ctypes.c_uint] * 3 + [ctypes.c_ulong] * 2
        lib.XInternAtom.restype = ctypes.c_ulong
        lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        lib.XSetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                           ctypes.c_ulong]
        lib.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                        ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                        ctypes.c_void_p, ctypes.c_int]
        lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.c_void_p]
        lib.XPending.argtypes = [ctypes.c_void_p]
        lib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        lib.XFlush.argtypes = [ctypes.c_void_p]
        lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.dpy = lib.XOpenDisplay(display.encode())
        if not self.dpy:
            raise StepFailed("the display %s cannot be opened for the clipboard" % display)
        self.data = text.encode("utf-8")
        atom = lambda name: lib.XInternAtom(self.dpy, name, 0)
        self.clipboard, self.targets = atom(b"CLIPBOARD"), atom(b"TARGETS")
        self.texts = [atom(b"UTF8_STRING"), atom(b"text/plain;charset=utf-8"),
                      atom(b"text/plain"), atom(b"TEXT"), 31]  # 31: STRING
        self.window = lib.XCreateSimpleWindow(self.dpy, lib.XDefaultRootWindow(self.dpy),
                                              0, 0, 1, 1, 0, 0, 0)
        lib.XSetSelectionOwner(self.dpy, self.clipboard, self.window, 0)
        lib.XFlush(self.dpy)
        self.running = True
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def _serve(self):
        lib, event = self.lib, self._Event()
        while self.running:
            while lib.XPending(self.dpy):
                lib.XNextEvent(self.dpy, ctypes.byref(event))
                if event.type == self.SELECTION_REQUEST:
                    self._answer(event.request)
            time.sleep(0.005)

    def _answer(self, request):
        lib, prop = self.lib, request.property or request.target
        if request.target == self.targets:
            atoms = (ctypes.c_ulong * (len(self.texts) + 1))(self.targets, *self.texts)
            lib.XChangeProperty(self.dpy, request.requestor, prop, 4, 32, 0, atoms,
                                len(self.texts) + 1)  # 4: ATOM
        elif request.target in self.texts:
            lib.XChangeProperty(self.dpy, request.requestor, prop, request.target, 8, 0,
                                self.data, len(self.data))
        else:
            prop = 0
        notify = self._Event()
        notify.notify.type = self.SELECTION_NOTIFY
        notify.notify.requestor = request.requestor
        notify.notify.selection = request.selection
        notify.notify.target = request.target
        notify.notify.property = prop
        notify.notify.time = request.time
        lib.XSendEvent(self.dpy, request.requestor, 0, 0, ctypes.byref(notify))
        lib.XFlush(self.dpy)

    def close(self):
        self.running = False
        self.thread.join()
        self.lib.XCloseDisplay(self.dpy)


def open_design(p, path):
    """"Abrir d&iseño..." by its keys (its letter is "&Imprimir..."'s too:
    the first press may only highlight it), the path typed into the dialog."""
    p.x.key("alt+a")
    if not wait_for(p.x.popup_menu, 10):
        raise StepFailed("the menu Archivo did not open")
    p.sync()
    p.x.key("i")
    p.sync()
    if p.x.popup_menu():
        p.x.key("Return")
    dialog = wait_for(lambda: p.x.window_name(p.x.active_window()) == DESIGN_OPEN_TITLE and
                      p.x.active_window(), 10)
    if not dialog:
        raise StepFailed("the dialog \"%s\" did not come up" % DESIGN_OPEN_TITLE)
    p.sync()
    p.x.key("ctrl+a")
    p.x.type(path)
    p.x.key("Return")
    if not wait_for(lambda: p.x.find_window(DESIGN_OPEN_TITLE) is None and design_shown(p), 10):
        raise StepFailed("the opened design's window did not come up")
    p.sync()


def design_responses_pasted(p, suite):
    """A design file without values opened, its responses pasted from the
    clipboard into the runs page with Ctrl+V: saved, the file is the one
    opened with the values pasted, every other field as it was."""
    ready_program(p)
    source = os.path.join(p.savedir, "sin_valores.w1d")
    with open(source, "w", encoding="utf-8") as f:
        f.write(UNMEASURED_DESIGN)
    open_design(p, source)
    p.x.click(*design_at(p, *DESIGN_TABS["corridas"]), park=p._park())
    p.sync()
    p.x.key("alt+r")  # the runs table, on the first run's first response
    p.sync()
    clipboard = Clipboard(p.session.env["DISPLAY"],
                          "".join("%s\t%s\r\n" % pair for pair in PASTED_RESPONSES))
    try:
        p.x.key("ctrl+v")
        p.sync()
    finally:
        clipboard.close()
    path, problems = save_design(p)
    if not os.path.exists(path):
        return problems
    expected = [line.split("\t") for line in UNMEASURED_DESIGN[:-1].split("\n")]
    runs = len(PASTED_RESPONSES)
    for i, pair in enumerate(PASTED_RESPONSES):
        expected[len(expected) - runs + i][-2:] = list(pair)
    got, problem = read_design_file(path)
    if problem:
        return problems + [problem]
    for want, have in zip(expected, got):
        same = len(want) == len(have) and all(
            w == h or (w and h and w[0].isdigit() and float(w) == float(h))
            for w, h in zip(want, have))
        if not same:
            problems.append("%r, expected %r" % ("\t".join(have), "\t".join(want)))
    if len(got) != len(expected):
        problems.append("%d records, expected %d" % (len(got), len(expected)))
    return problems if len(problems) <= 6 else problems[:6] + ["..."]


DESIGN_SCENARIOS = [
    ("design: a new design by keyboard only", design_by_keys),
    ("design: a new design by mouse only", design_by_mouse),
    ("design: responses pasted from the clipboard", design_responses_pasted),
    ("design: maximized and restored while typing", design_maximized_and_restored),
    ("design: Cerrar, Escape on the close question", design_close_question_escape),
    ("design: Mosaico with a study window beside it", design_tiled_beside_study),
    ("design: Guardar como by mouse and by keys", design_saved_as_twice),
]
WINDOW_SCENARIOS += DESIGN_SCENARIOS


# --- The oracle -------------------------------------------------------------


def read_study_file(path):
    with open(path, "rb") as f:
        data = f.read()
    if not data.endswith(b"\r\n"):
        return None, "the file does not end with CRLF"
    lines = data[:-2].split(b"\r\n")
    if any(b"\n" in line or b"\r" in line for line in lines):
        return None, "a line does not end with CRLF"
    return [line.decode("cp1252", "backslashreplace") for line in lines], None


def compare(study, expected_changes, path):
    """Differences between the file and the study with the changes applied."""
    lines, problem = read_study_file(path)
    if problem:
        return [problem]
    fields = study.fields()
    expected = [(name, text + expected_changes.get(name, "")) for name, text in fields]
    diffs = []
    if len(lines) != len(expected):
        diffs.append("%d lines, expected %d" % (len(lines), len(expected)))
    for i, (name, text) in enumerate(expected):
        got = lines[i] if i < len(lines) else None
        if got != text:
            diffs.append("%s: %r, expected %r" % (name, got, text))
    return diffs if len(diffs) <= 6 else diffs[:6] + ["..."]


# --- Running ------------------------------------------------------------------


class Suite:
    def __init__(self, program, shots):
        self.p = program
        self.shots = shots
        self.passed = 0
        self.failed = 0

    def shot(self, name):
        if not self.shots:
            return ""
        os.makedirs(self.shots, exist_ok=True)
        path = os.path.join(self.shots, "%03d-%s.png" % (self.p.saves, name.replace(" ", "_")
                                                          .replace("/", "_")))
        try:
            self.p.screen.refresh().save_png(path)
        except OSError:
            return ""
        return " [screen: %s]" % path

    def ready_study(self, study):
        """A running program with a new study window typed in. The program of
        the scenario before is used again when it is left with nothing but
        its main window; otherwise it is started again."""
        p = self.p
        try:
            if not p.alive() or not p.only_main_window():
                raise StepFailed("start again")
            if not p.area_empty():
                p.close_study_discarding()
            p.new_study()
        except StepFailed:
            p.start()
            p.new_study()
        p.fill(study)
        p.study = study

    def report(self, name, diffs):
        took = "(%.1f s)" % (time.time() - self.started)
        if self.p.proc is not None and self.p.proc.poll() is not None:
            diffs = diffs + ["the program ended (exit status %d)" % self.p.proc.returncode]
        if diffs:
            self.failed += 1
            print("FAIL %s %s: %s%s" % (name, took, "; ".join(diffs), self.shot(name)),
                  flush=True)
        else:
            self.passed += 1
            print("PASS %s %s" % (name, took), flush=True)

    def run_scenario(self, name, actions, marker_field, marker="7"):
        p = self.p
        self.started = time.time()
        try:
            self.ready_study(WORKED)
            for action in actions:
                ACTIONS[action](p)
            p.sync()
            changes = {}
            if marker_field != NO_MARKER:
                p.x.type(marker)
                if marker_field != NOWHERE:
                    changes[field_name(p.study, marker_field)] = marker
            path = p.fresh_path()
            problems = p.save_as(path)
            if os.path.exists(path):
                problems += compare(p.study, changes, path)
            self.report(name, problems)
        except StepFailed as e:
            self.report(name, ["%s" % e])
        except subprocess.TimeoutExpired as e:
            self.report(name, ["a tool hung: %s" % e])

    def run_window_scenario(self, name, scenario):
        self.started = time.time()
        try:
            self.report(name, scenario(self.p, self))
        except StepFailed as e:
            self.report(name, ["%s" % e])
        except subprocess.TimeoutExpired as e:
            self.report(name, ["a tool hung: %s" % e])

    # The random run ----------------------------------------------------------

    def run_random(self, seed, steps):
        """Moves drawn from RANDOM_MOVES one after the other in one study
        window. Each step types a key where the user is (after the save of
        the step before, and so that closing asks), makes its move, types
        the marker and saves, by the menu's keys or with the mouse; the
        expected study gathers the keys. Stops at the first difference."""
        name = "random run (seed %d)" % seed
        rng = random.Random(seed)
        p = self.p
        self.started = time.time()
        done = []
        try:
            self.ready_study(RANDOM_STUDY)
            field, changes = LAST_CELL, {}

            def typed(where):
                key = str(rng.randint(1, 9))
                p.sync()
                p.x.type(key)
                if where != NOWHERE:
                    name = field_name(p.study, where)
                    changes[name] = changes.get(name, "") + key
                return key
            while len(done) < steps:
                last = field_name(p.study, LAST_CELL)
                condition = RANDOM_STUDY.condition + changes.get("condición", "")
                last_cell = RANDOM_STUDY.values[2][-1] + changes.get(last, "")
                possible = [move for move in RANDOM_MOVES
                            if move_possible(move[2], p.maximized, field, condition, last_cell)]
                label, actions, _, after = rng.choice(possible)
                step = "%d: " % (len(done) + 1)
                if field != NOWHERE:
                    step += "key %s, " % typed(field)
                done.append(step + label)
                for action in actions:
                    ACTIONS[action](p)
                field = field if after == KEEP else after
                mouse = rng.random() < 0.5
                done[-1] += ", marker %s, Guardar como by %s" % (typed(field),
                                                                  "mouse" if mouse else "keys")
                path = p.fresh_path()
                diffs = p.save_as(path, mouse)
                if os.path.exists(path):
                    diffs += compare(p.study, changes, path)
                if diffs:
                    self.report(name, ["step %s" % "; ".join([done[-1]] + diffs),
                                       "steps: " + " | ".join(done)])
                    return
            self.report("%s, %d steps" % (name, len(done)), [])
        except (StepFailed, subprocess.TimeoutExpired) as e:
            self.report(name, ["%s" % e, "steps: " + " | ".join(done)])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("program")
    parser.add_argument("--only", action="append", default=[],
                        help="run the scenarios whose name contains this text")
    parser.add_argument("--seed", type=int,
                        help="the random run's seed (ROBUSTEZ_DESKTOP_SEED overrides it; "
                        "without either, a seed is drawn)")
    parser.add_argument("--steps", type=int, default=30)
    parser.add_argument("--no-random", action="store_true")
    parser.add_argument("--shots", help="directory for screen shots of failures")
    parser.add_argument("--display", type=int,
                        help="the X display number to start (default: the first free from 90)")
    args = parser.parse_args()

    program_path = os.path.abspath(args.program)
    if not os.access(program_path, os.X_OK):
        print("cannot run: %s is not an executable program" % program_path)
        return 1
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("terminated"))
    if args.shots and os.path.isdir(args.shots):
        for old in os.listdir(args.shots):
            if old.endswith(".png"):
                os.remove(os.path.join(args.shots, old))
    workdir = tempfile.mkdtemp(prefix="rd-")  # short: its paths are typed
    session = XSession(workdir, args.display)
    program = suite = None
    try:
        problem = session.start_server()
        if problem:
            print("SKIP: no X server could be started: %s" % problem)
            return SKIP
        session.start_window_manager()
        program = Program(program_path, session, workdir)
        suite = Suite(program, args.shots)
        print("display %s, program %s" % (session.env["DISPLAY"], program_path), flush=True)
        for name, actions, field in SCENARIOS:
            if args.only and not any(o in name for o in args.only):
                continue
            suite.run_scenario(name, actions, field)
        for name, scenario in WINDOW_SCENARIOS:
            if args.only and not any(o in name for o in args.only):
                continue
            suite.run_window_scenario(name, scenario)
        if not args.no_random and (not args.only or any("random" in o for o in args.only)):
            seed = args.seed
            if os.environ.get("ROBUSTEZ_DESKTOP_SEED"):
                seed = int(os.environ["ROBUSTEZ_DESKTOP_SEED"])
            elif seed is None:
                seed = random.SystemRandom().randrange(10 ** 6)
            print("random run seed %d (ROBUSTEZ_DESKTOP_SEED=%d replays it)" % (seed, seed),
                  flush=True)
            suite.run_random(seed, args.steps)
    except CannotRun as e:
        print("FAIL the suite could not go on: %s" % e)
        if suite is None:
            print("0 passed, 1 failed")
            return 1
        suite.failed += 1
    finally:
        if program is not None:
            program.stop()
            program.pinger.close()
        session.stop()
        shutil.rmtree(workdir, ignore_errors=True)
    print("%d passed, %d failed" % (suite.passed, suite.failed))
    if suite.passed + suite.failed == 0:
        print("no scenario ran")
        return 1
    return 1 if suite.failed else 0


if __name__ == "__main__":
    sys.exit(main())
