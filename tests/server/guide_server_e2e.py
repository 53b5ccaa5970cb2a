#!/usr/bin/env python3
"""A sequencer's night on the simulator, spoken over plain sockets: connect,
read the connect burst, connect the gear, loop, guide and settle, dither and
settle again, pause and resume, stop, shut down. Every line is checked
against the protocol: events carry Event/Timestamp/Host/Inst and never
"jsonrpc"; responses carry "jsonrpc":"2.0" and echo the id.

usage: guide_server_e2e.py VELMORA_CLI"""
import json
import math
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

GUIDE_STEP_KEYS = {"Frame": (int, float), "Time": (int, float), "Mount": str, "dx": (int, float),
                   "dy": (int, float), "RADistanceRaw": (int, float), "DECDistanceRaw": (int, float),
                   "RADistanceGuide": (int, float), "DECDistanceGuide": (int, float),
                   "RADuration": (int, float), "RADirection": str, "DECDuration": (int, float),
                   "DECDirection": str, "StarMass": (int, float), "SNR": (int, float), "HFD": (int, float),
                   "AvgDist": (int, float), "ErrorCode": (int, float)}
SETTLING_KEYS = {"Distance": (int, float), "Time": (int, float), "SettleTime": (int, float), "StarLocked": bool}
SETTLE_DONE_KEYS = {"Status": (int, float), "TotalFrames": (int, float), "DroppedFrames": (int, float)}
SETTLE = {"pixels": 1.5, "time": 5, "timeout": 60}


def fail(why):
    print("FAIL:", why)
    sys.exit(1)


def check_keys(event, keys):
    for key, kind in keys.items():
        if key not in event:
            fail(f"{event['Event']} lacks {key}: {event}")
        if not isinstance(event[key], kind) or (kind != bool and isinstance(event[key], bool) and bool not in
                                                 (kind if isinstance(kind, tuple) else (kind,))):
            fail(f"{event['Event']}.{key} has the wrong type: {event}")


class Client:
    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=30)
        self.buffer = b""
        self.events = []      # every event in order
        self.next_id = 1

    def line(self, deadline):
        while b"\n" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            self.sock.settimeout(left)
            try:
                chunk = self.sock.recv(65536)
            except socket.timeout:
                return None
            if not chunk:
                fail("the server closed the connection")
            self.buffer += chunk
        raw, self.buffer = self.buffer.split(b"\n", 1)
        if not raw.endswith(b"\r"):
            fail(f"a line does not end in CR LF: {raw!r}")
        return json.loads(raw[:-1])

    def read(self, deadline):
        """The next message: events are checked and kept."""
        m = self.line(deadline)
        if m is None:
            return None
        if "jsonrpc" in m:
            if m["jsonrpc"] != "2.0":
                fail(f"bad jsonrpc: {m}")
            return m
        for key, kind in (("Event", str), ("Timestamp", (int, float)), ("Host", str), ("Inst", int)):
            if not isinstance(m.get(key), kind):
                fail(f"event without {key}: {m}")
        if m["Inst"] != INSTANCE:
            fail(f"wrong Inst: {m}")
        self.events.append(m)
        return m

    def call(self, method, params=None):
        request = {"method": method, "id": self.next_id}
        self.next_id += 1
        if params is not None:
            request["params"] = params
        self.sock.sendall((json.dumps(request) + "\r\n").encode())
        deadline = time.monotonic() + 15
        while True:
            m = self.read(deadline)
            if m is None:
                fail(f"no answer to {method}")
            if "jsonrpc" in m:
                if m.get("id") != request["id"]:
                    fail(f"the answer to {method} has id {m.get('id')}")
                return m

    def result(self, method, params=None):
        m = self.call(method, params)
        if "error" in m:
            fail(f"{method} failed: {m['error']}")
        return m["result"]

    def wait_event(self, name, seconds, since=None):
        """The first event `name` after index `since` (default: from now)."""
        start = len(self.events) if since is None else since
        for e in self.events[start:]:
            if e["Event"] == name:
                return e
        deadline = time.monotonic() + seconds
        while True:
            m = self.read(deadline)
            if m is None:
                fail(f"no {name} within {seconds} s; last events: {[e['Event'] for e in self.events[-8:]]}")
            if "jsonrpc" in m:
                fail(f"an answer nobody asked for: {m}")
            if m["Event"] == name:
                return m


def free_instance():
    for inst in range(60, 100):  # below 60: the program's own window test (57)
        with socket.socket() as s:
            try:
                s.bind(("127.0.0.1", 4400 + inst - 1))
                return inst
            except OSError:
                continue
    fail("no free port")


INSTANCE = free_instance()


def main():
    cli = sys.argv[1]
    home = tempfile.mkdtemp(prefix="velmora-server-")
    env = dict(os.environ, VELMORA_HOME=home)
    server = subprocess.Popen([cli, "guide-server", "--simulate", "--exposure", "500", "--instance", str(INSTANCE),
                               "--seed", "7"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env, text=True)
    try:
        first = server.stdout.readline().strip()
        if first != f"listening on 127.0.0.1:{4400 + INSTANCE - 1}":
            fail(f"first line: {first!r}")
        run(Client(4400 + INSTANCE - 1))
        try:
            server.wait(timeout=10)
        except subprocess.TimeoutExpired:
            fail("the server did not end after shutdown")
        out = server.stdout.read()
        if "client 1 connected from 127.0.0.1:" not in out or "client 1 left" not in out:
            fail(f"no connect/leave lines: {out!r}")
        if server.returncode != 0:
            fail(f"exit status {server.returncode}")
    finally:
        if server.poll() is None:
            server.kill()
        shutil.rmtree(home, ignore_errors=True)
    print("ok")


def run(c):
    # The connect burst: Version first, AppState last.
    deadline = time.monotonic() + 5
    burst = []
    while not burst or burst[-1]["Event"] != "AppState":
        m = c.read(deadline)
        if m is None:
            fail(f"incomplete connect burst: {burst}")
        burst.append(m)
    if burst[0]["Event"] != "Version" or burst[0].get("MsgVersion") != 1:
        fail(f"burst does not start with Version: {burst}")
    check_keys(burst[0], {"PHDVersion": str, "PHDSubver": str, "OverlapSupport": bool})
    if burst[-1]["State"] != "Stopped":
        fail(f"state at connect: {burst[-1]}")

    # A named settle while not connected is refused, with a reason.
    m = c.call("guide", {"settle": SETTLE})
    if m.get("error", {}).get("code") != 1 or not m["error"].get("message"):
        fail(f"guide before set_connected: {m}")

    if [p["name"] for p in c.result("get_profiles")] != ["Simulator"]:
        fail("the profile is not Simulator")
    if c.result("set_connected", [True]) != 0 or c.result("get_connected") is not True:
        fail("set_connected")
    if c.result("get_exposure") != 500:
        fail("get_exposure")

    # loop: LoopingExposures with frames counted from 1.
    c.result("loop")
    e = c.wait_event("LoopingExposures", 10)
    if e["Frame"] != 1:
        fail(f"first loop frame: {e}")
    c.wait_event("LoopingExposures", 10)
    if c.result("get_app_state") != "Looping":
        fail("not Looping")

    # guide: calibration (no calibration kept yet), then guiding and settling.
    mark = len(c.events)
    if c.result("guide", [SETTLE, False]) != 0:
        fail("guide")
    if c.result("get_settling") is not True:
        fail("not settling after guide")
    m = c.call("dither", [3, False, SETTLE])
    if "error" not in m:
        fail("a dither during settling was accepted")
    done = c.wait_event("SettleDone", 70, since=mark)
    names = [e["Event"] for e in c.events[mark:]]
    for before, after in (("StartCalibration", "CalibrationComplete"), ("CalibrationComplete", "StartGuiding"),
                          ("StartGuiding", "SettleBegin"), ("SettleBegin", "SettleDone")):
        if before not in names or after not in names or names.index(before) > names.index(after):
            fail(f"{before} should come before {after}: {names}")
    if "Calibrating" not in names or "GuideStep" not in names or "Settling" not in names:
        fail(f"missing Calibrating/GuideStep/Settling: {names}")
    cal = next(e for e in c.events[mark:] if e["Event"] == "Calibrating")
    check_keys(cal, {"Mount": str, "dir": str, "dist": (int, float), "dx": (int, float), "dy": (int, float),
                     "pos": list, "step": (int, float), "State": str})
    check_keys(done, SETTLE_DONE_KEYS)
    if done["Status"] != 0 or done.get("Error", ""):
        fail(f"the first settle failed: {done}")
    check_settling(c.events[mark:], done)
    steps = [e for e in c.events[mark:] if e["Event"] == "GuideStep"]
    for s in steps:
        check_keys(s, GUIDE_STEP_KEYS)
        if s["RADirection"] not in ("East", "West") or s["DECDirection"] not in ("North", "South"):
            fail(f"bad directions: {s}")
        if s["RADuration"] < 0 or s["DECDuration"] < 0:
            fail(f"negative duration: {s}")
        # The axis components are the same offset turned: lengths agree.
        if abs(math.hypot(s["dx"], s["dy"]) - math.hypot(s["RADistanceRaw"], s["DECDistanceRaw"])) > 1e-3:
            fail(f"RA/Dec distances are not the offset: {s}")
    if [s["Frame"] for s in steps] != list(range(steps[0]["Frame"], steps[0]["Frame"] + len(steps))):
        fail("GuideStep frames are not consecutive")
    if c.result("get_app_state") != "Guiding" or c.result("get_calibrated") is not True:
        fail("not guiding and calibrated after settling")

    # dither 3 px and settle again.
    mark = len(c.events)
    lock = c.result("get_lock_position")
    if c.result("dither", {"amount": 3, "raOnly": False, "settle": SETTLE}) != 0:
        fail("dither")
    d = c.wait_event("GuidingDithered", 5, since=mark)
    if abs(d["dx"]) > 3 * math.sqrt(2) + 0.2 or abs(d["dy"]) > 3 * math.sqrt(2) + 0.2:
        fail(f"dither larger than its amount: {d}")
    moved = c.result("get_lock_position")
    if abs(moved[0] - lock[0] - d["dx"]) > 0.05 or abs(moved[1] - lock[1] - d["dy"]) > 0.05:
        fail(f"the lock moved {moved} from {lock}, not by {d}")
    done = c.wait_event("SettleDone", 60, since=mark)
    if done["Status"] != 0:
        fail(f"the dither settle failed: {done}")
    check_settling(c.events[mark:], done)

    # An R.A.-only dither moves the lock along the trained R.A. axis alone.
    mark = len(c.events)
    cal = c.result("get_calibration_data", ["Mount"])
    c.result("dither", [3, True, SETTLE])
    d = c.wait_event("GuidingDithered", 5, since=mark)
    angle = math.radians(cal["xAngle"])
    if abs(d["dx"] * math.sin(angle) - d["dy"] * math.cos(angle)) > 0.2 or math.hypot(d["dx"], d["dy"]) > 3.15:
        fail(f"an R.A.-only dither {d} is not along the R.A. axis at {cal['xAngle']} degrees")
    if c.wait_event("SettleDone", 60, since=mark)["Status"] != 0:
        fail("the R.A.-only dither did not settle")

    # pause and resume.
    mark = len(c.events)
    c.result("set_paused", [True])
    c.wait_event("Paused", 5, since=mark)
    if c.result("get_app_state") != "Paused" or c.result("get_paused") is not True:
        fail("not Paused")
    c.result("set_paused", [False])
    c.wait_event("Resumed", 5, since=mark)
    c.wait_event("GuideStep", 10)

    # stop: a Stopped event within 10 s, then the state says so.
    mark = len(c.events)
    c.result("stop_capture")
    deadline = time.monotonic() + 10
    while not any(e["Event"] in ("GuidingStopped", "LoopingExposuresStopped") for e in c.events[mark:]):
        if c.read(deadline) is None:
            fail("no Stopped event within 10 s of stop_capture")
    if c.result("get_app_state") != "Stopped":
        fail("not Stopped after stop_capture")

    # Exactly one SettleDone per accepted guide and dither.
    if sum(e["Event"] == "SettleDone" for e in c.events) != 3:
        fail("not one SettleDone per guide/dither")
    c.result("shutdown")


def check_settling(events, done):
    settling = [e for e in events if e["Event"] == "Settling"]
    if not settling:
        fail("no Settling events")
    for s in settling:
        check_keys(s, SETTLING_KEYS)
        if s["SettleTime"] != SETTLE["time"]:
            fail(f"SettleTime is not the requested time: {s}")
    last = settling[-1]
    if not (last["Distance"] <= SETTLE["pixels"] and last["Time"] >= SETTLE["time"]):
        fail(f"settled without being in range long enough: {last}")
    if done["TotalFrames"] != len(settling):
        fail(f"TotalFrames {done['TotalFrames']} but {len(settling)} Settling events")


if __name__ == "__main__":
    main()
