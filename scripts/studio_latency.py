#!/usr/bin/env python3
"""Measures how fast the studio answers an edit, as its page makes one.

Starts `zvplot --serve --port 0` with the plot at each resolution asked for, sends edits of the
formula (each changes the geometry) through POST /api/actions, then fetches the new geometry
(GET /api/geometry.glb with the previous ETag), all over one kept-alive connection as a browser
does. Prints, per resolution, the median and the largest of: the server's own time for the edit
(its Server-Timing header), the edit's round trip, and the edit plus the geometry's fetch.

    scripts/studio_latency.py [--zvplot build/zvplot] [--edits 50] [RESOLUTION ...]   (default 50 1000)
"""
import argparse
import http.client
import json
import signal
import statistics
import subprocess
import sys
import time


def server_ms(response):
    for part in (response.getheader("Server-Timing") or "").split(";"):
        if part.startswith("dur="):
            return float(part[4:])
    return float("nan")


def measure(zvplot, resolution, edits):
    proc = subprocess.Popen([zvplot, "--set", f"resolution={resolution}", "--serve", "--port", "0"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        address = proc.stdout.readline().strip().split(": ", 1)[1]
        port = int(address.split(":")[2].split("/")[0])
        token = address.split("token=")[1]
        conn = http.client.HTTPConnection("127.0.0.1", port, timeout=120)
        headers = {"X-Zorvantix-Token": token, "Content-Type": "application/json"}
        etag = ""
        server, edit, whole = [], [], []
        for i in range(edits + 1):
            body = json.dumps({"actions": [["set", "plot.formula", f"Sin(x * {1 + i % 7}) * Cos(z)"]]})
            start = time.perf_counter()
            conn.request("POST", "/api/actions", body, headers)
            answer = conn.getresponse()
            changed = json.loads(answer.read())["changed"]["geometry"]
            posted = time.perf_counter()
            if answer.status != 200:
                sys.exit(f"the edit was refused: {answer.status}")
            if changed:
                conn.request("GET", "/api/geometry.glb", headers=dict(headers, **{"If-None-Match": etag}))
                glb = conn.getresponse()
                glb.read()
                etag = glb.getheader("ETag") or ""
            done = time.perf_counter()
            if i == 0:
                continue  # the first edit warms the server's caches up
            server.append(server_ms(answer))
            edit.append((posted - start) * 1000)
            whole.append((done - start) * 1000)
        conn.close()
    finally:
        proc.send_signal(signal.SIGINT)
        status = proc.wait(timeout=60)
    def show(name, values):
        print(f"  {name:<38} median {statistics.median(values):8.1f} ms   max {max(values):8.1f} ms")
    print(f"R = {resolution}, {edits} edits of the formula (zvplot exited with {status}):")
    show("server's time for the edit", server)
    show("the edit's round trip", edit)
    show("the edit and the new geometry", whole)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--zvplot", default="build/zvplot")
    parser.add_argument("--edits", type=int, default=50)
    parser.add_argument("resolutions", nargs="*", type=int, default=[50, 1000])
    args = parser.parse_args()
    for r in args.resolutions:
        measure(args.zvplot, r, args.edits)


if __name__ == "__main__":
    main()
