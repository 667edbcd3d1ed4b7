#!/usr/bin/env python3
"""A local plate-solving server that speaks the part of the astrometry.net web API the
station uses (login, upload, submission, job and calibration queries) and solves each
upload with astrometry.net's own solve-field and installed index files. Ours: the tests
run it as the station's "ansvr" server, and an observer without internet can run it the
same way.

    astrometry_api_server.py [--port 8088] [--api-key KEY] [--cpulimit 60]

It listens on 127.0.0.1 only and prints "PORT <n>" once it is ready (--port 0 picks a
free port). Standard library only.
"""

import argparse
import itertools
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

MAX_BODY = 64 * 1024 * 1024


class Solver:
    """Runs one solve-field per job in a thread and keeps the jobs' states."""

    def __init__(self, args):
        self.args = args
        self.lock = threading.Lock()
        self.ids = itertools.count(1)
        self.sessions = set()
        self.submissions = {}  # subid -> job id
        self.jobs = {}  # job id -> {"status", "calibration", "started", "finished"}
        self.folder = tempfile.mkdtemp(prefix="orva-api-server-")

    def new_session(self):
        session = "%032x" % int.from_bytes(os.urandom(16), "big")
        with self.lock:
            self.sessions.add(session)
        return session

    def submit(self, request, fits):
        with self.lock:
            subid = next(self.ids)
            job = next(self.ids)
            self.submissions[subid] = job
            self.jobs[job] = {"status": "solving", "calibration": None, "finished": None}
        threading.Thread(target=self.solve, args=(job, request, fits), daemon=True).start()
        return subid

    def solve(self, job, request, fits):
        work = os.path.join(self.folder, str(job))
        os.makedirs(work)
        image = os.path.join(work, "upload.fits")
        with open(image, "wb") as f:
            f.write(fits)
        wcs = os.path.join(work, "solution.wcs")
        command = [self.args.solve_field, "--overwrite", "--no-plots", "--no-verify", "--new-fits", "none",
                   "--index-xyls", "none", "--rdls", "none", "--match", "none", "--corr", "none",
                   "--solved", "none", "--wcs", wcs, "--dir", work, "--cpulimit", str(self.args.cpulimit)]
        if self.args.config:
            command += ["--config", self.args.config]
        scale = number(request.get("scale_est"))
        if scale and scale > 0 and request.get("scale_units") == "arcsecperpix":
            error = number(request.get("scale_err")) or 20.0
            command += ["--scale-units", "arcsecperpix", "--scale-low", str(scale * (1 - error / 100)),
                        "--scale-high", str(scale * (1 + error / 100))]
        ra, dec, radius = number(request.get("center_ra")), number(request.get("center_dec")), number(request.get("radius"))
        if ra is not None and dec is not None:
            command += ["--ra", str(ra), "--dec", str(dec), "--radius", str(radius or 15)]
        command += ["--", image]
        calibration = None
        try:
            subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=self.args.cpulimit + 30, check=False)
            if os.path.exists(wcs):
                calibration = read_wcsinfo(self.args.wcsinfo, wcs)
        except (OSError, subprocess.SubprocessError) as error:
            print("solve failed: %s" % error, file=sys.stderr)
        shutil.rmtree(work, ignore_errors=True)
        with self.lock:
            self.jobs[job].update(status="success" if calibration else "failure", calibration=calibration,
                                  finished="2000-01-01 00:00:00")

    def submission(self, subid):
        with self.lock:
            job = self.submissions.get(subid)
            if job is None:
                return None
            state = self.jobs[job]
            return {"user": 1, "processing_started": "2000-01-01 00:00:00",
                    "processing_finished": state["finished"] or "None",
                    "jobs": [job], "job_calibrations": [[job, job]] if state["calibration"] else []}

    def job(self, job):
        with self.lock:
            return dict(self.jobs[job]) if job in self.jobs else None


def number(value):
    try:
        return float(value) if value is not None else None
    except (TypeError, ValueError):
        return None


def read_wcsinfo(program, wcs):
    out = subprocess.run([program, wcs], capture_output=True, text=True, timeout=30, check=True).stdout
    info = dict(line.split(" ", 1) for line in out.splitlines() if " " in line)
    factor = {"degrees": 3600.0, "arcminutes": 60.0, "arcseconds": 1.0}[info["fieldunits"]]
    width, height = float(info["fieldw"]) * factor, float(info["fieldh"]) * factor
    return {"ra": float(info["ra_center"]), "dec": float(info["dec_center"]),
            "radius": (width ** 2 + height ** 2) ** 0.5 / 2 / 3600.0,
            "pixscale": float(info["pixscale"]), "orientation": float(info["orientation_center"]),
            # The service's parity: 1 for a mirrored image (wcsinfo's positive determinant).
            "parity": 1.0 if float(info["parity"]) > 0 else 0.0,
            "width_arcsec": width, "height_arcsec": height}


def multipart_parts(body, content_type):
    match = re.search(r'boundary=("?)([^";]+)\1', content_type)
    if not match:
        return {}
    delimiter = b"--" + match.group(2).encode()
    parts = {}
    for chunk in body.split(delimiter)[1:]:
        if chunk.startswith(b"--"):
            break
        head, _, content = chunk.partition(b"\r\n\r\n")
        name = re.search(rb'name="([^"]*)"', head)
        if name:
            # A part's content ends with the CRLF before the next delimiter (the station
            # sends one more CRLF pair after the file, which FITS readers ignore).
            parts[name.group(1).decode()] = content[:-2] if content.endswith(b"\r\n") else content
    return parts


class Handler(BaseHTTPRequestHandler):
    server_version = "OrvaApiServer/1"
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, value):
        body = json.dumps(value).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        self.route(b"")

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        if length > MAX_BODY:
            self.answer(413, {"status": "error", "errormessage": "upload too large"})
            return
        self.route(self.rfile.read(length))

    def route(self, body):
        solver = self.server.solver
        path = self.path.split("?", 1)[0]
        if path == "/api/login":
            form = urllib.parse.parse_qs(body.decode("utf-8", "replace"))
            try:
                request = json.loads(form.get("request-json", ["{}"])[0])
            except ValueError:
                request = {}
            if solver.args.api_key and request.get("apikey") != solver.args.api_key:
                self.answer(200, {"status": "error", "errormessage": "bad apikey"})
                return
            self.answer(200, {"status": "success", "message": "authenticated user: local",
                              "session": solver.new_session()})
            return
        if path == "/api/upload":
            parts = multipart_parts(body, self.headers.get("Content-Type", ""))
            try:
                request = json.loads(parts.get("request-json", b"{}"))
            except ValueError:
                request = {}
            if request.get("session") not in solver.sessions or "file" not in parts:
                self.answer(200, {"status": "error", "errormessage": "no session or no file"})
                return
            self.answer(200, {"status": "success", "subid": solver.submit(request, parts["file"]), "hash": "local"})
            return
        match = re.fullmatch(r"/api/submissions/(\d+)", path)
        if match:
            state = solver.submission(int(match.group(1)))
            self.answer(200, state) if state else self.answer(404, {"status": "error"})
            return
        match = re.fullmatch(r"/api/jobs/(\d+)(/calibration)?", path)
        if match:
            job = solver.job(int(match.group(1)))
            if job is None:
                self.answer(404, {"status": "error"})
            elif match.group(2):
                self.answer(200, job["calibration"] or {})
            else:
                self.answer(200, {"status": job["status"]})
            return
        self.answer(404, {"status": "error", "errormessage": "unknown request"})


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--port", type=int, default=8088)
    parser.add_argument("--api-key", default="", help="accept only this key (default: any)")
    parser.add_argument("--cpulimit", type=int, default=60)
    parser.add_argument("--solve-field", default="solve-field")
    parser.add_argument("--wcsinfo", default="wcsinfo")
    parser.add_argument("--config", default="", help="astrometry.net configuration file")
    args = parser.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    server.solver = Solver(args)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("PORT %d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except (KeyboardInterrupt, SystemExit):
        pass
    finally:
        shutil.rmtree(server.solver.folder, ignore_errors=True)


if __name__ == "__main__":
    main()
