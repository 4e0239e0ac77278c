# SPDX-License-Identifier: GPL-3.0-or-later
"""Clients that misuse an HTTP exporter on loopback, and what the exporter
looks like meanwhile (descriptors, memory, whether a scrape is answered).

python3 exporter_abuse.py PORT PID SCENARIO  prints one JSON object.
Scenarios: idle (1,100 idle connections and a few half requests), body (a
1 GiB POST body), line (a 200 MiB request line), header (a 200 MiB header),
mix (for 20 s: GET-and-reset clients, pipelined requests, a 5 MiB body,
2,000 headers and 300 idle connections together). bench/exporter-abuse.sh
prints the figures; tests/exporter_abuse_check.sh checks them.
"""
import json, os, resource, socket, struct, sys, threading, time

PORT, PID, SCENARIO = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
# The clients themselves need more than 1,100 descriptors.
_, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
resource.setrlimit(resource.RLIMIT_NOFILE,
                   (4096 if hard == resource.RLIM_INFINITY else min(hard, 4096), hard))
GET = b"GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"


def stats():
    fds = len(os.listdir("/proc/%d/fd" % PID))
    status = {l.split(":")[0]: int(l.split()[1]) for l in open("/proc/%d/status" % PID)
              if l.startswith(("VmRSS", "VmHWM"))}
    f = open("/proc/%d/stat" % PID).read().rsplit(")", 1)[1].split()
    return {"fds": fds, "rss_mb": round(status["VmRSS"] / 1024, 1),
            "peak_mb": round(status["VmHWM"] / 1024, 1), "cpu_ticks": int(f[11]) + int(f[12])}


def scrape(timeout=10.0):
    """A fresh connection's GET /metrics: the status and seconds, or the failure."""
    start = time.monotonic()
    try:
        s = socket.create_connection(("127.0.0.1", PORT), timeout=timeout)
        s.settimeout(max(0.1, timeout - (time.monotonic() - start)))
        s.sendall(b"GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n")
        data = b""
        while True:
            chunk = s.recv(65536)
            if not chunk:
                break
            data += chunk
        s.close()
        status = data.split(b" ", 2)[1].decode() if data.startswith(b"HTTP/1.") else "no answer"
    except OSError as e:
        status = type(e).__name__
    return {"status": status, "seconds": round(time.monotonic() - start, 2)}


def connect_many(n, per_try=0.2):
    held = []
    for _ in range(n):
        s = socket.socket()
        s.settimeout(per_try)
        try:
            s.connect(("127.0.0.1", PORT))
            held.append(s)
        except OSError:
            s.close()
    return held


def still_open(socks):
    """How many of these connections the exporter has not closed."""
    count = 0
    for s in socks:
        s.setblocking(False)
        try:
            count += s.recv(1) != b""
        except BlockingIOError:
            count += 1
        except OSError:
            pass
    return count


def send_stream(head, size, chunk=1 << 20):
    """Sends head, then size bytes of 'a' until done or refused: bytes taken."""
    sent = 0
    try:
        s = socket.create_connection(("127.0.0.1", PORT), timeout=10)
        s.sendall(head)
        block = b"a" * chunk
        while sent < size:
            sent += s.send(block[: min(chunk, size - sent)])
        s.close()
    except OSError:
        pass
    return sent


def idle():
    before = stats()
    half = connect_many(5)
    for s in half:
        s.sendall(b"GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n")
    t0 = time.monotonic()
    held = connect_many(1100)
    during = stats()
    answer = scrape()
    cpu0 = stats()["cpu_ticks"]
    time.sleep(2)
    cpu = (stats()["cpu_ticks"] - cpu0) / os.sysconf("SC_CLK_TCK") / 2
    time.sleep(max(0, 12 - (time.monotonic() - t0)))
    out = {"before": before, "connected": len(held), "during": during, "scrape": answer,
           "cpu_share_while_held": round(cpu, 2), "idle_open_after_12s": still_open(held),
           "half_open_after_12s": still_open(half)}
    for s in held + half:
        s.close()
    time.sleep(1)
    out["after"] = stats()
    out["scrape_after"] = scrape()
    return out


def flood(head, size):
    before = stats()
    sent = send_stream(head, size)
    time.sleep(1)
    return {"before": before, "sent_mb": round(sent / 2**20, 1), "after": stats(),
            "scrape_after": scrape()}


def mix():
    before = stats()
    stop = time.monotonic() + 20
    answers = []

    def resetter():
        while time.monotonic() < stop:
            try:
                s = socket.create_connection(("127.0.0.1", PORT), timeout=2)
                s.sendall(GET)
                s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                s.close()
            except OSError:
                time.sleep(0.05)

    def pipeliner():
        while time.monotonic() < stop:
            try:
                s = socket.create_connection(("127.0.0.1", PORT), timeout=2)
                s.sendall(GET * 5 + b"GET / HTTP/1.1\r\nHost: x\r\n\r\n")
                s.recv(100)
                s.close()
            except OSError:
                time.sleep(0.05)

    def big():
        while time.monotonic() < stop:
            send_stream(b"POST /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: %d\r\n\r\n"
                        % (5 << 20), 5 << 20)
            headers = b"".join(b"X-%d: %d\r\n" % (i, i) for i in range(2000))
            send_stream(b"GET /metrics HTTP/1.1\r\nHost: x\r\n" + headers + b"\r\n", 0)

    def scraper():
        while time.monotonic() < stop:
            answers.append(scrape()["status"])
            time.sleep(0.5)

    idle_held = connect_many(int(os.environ.get("ABUSE_IDLE", "300")))
    threads = [threading.Thread(target=f) for f in (resetter, resetter, resetter, pipeliner, big,
                                                   scraper)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for s in idle_held:
        s.close()
    time.sleep(1)
    return {"before": before, "scrape_answers": {a: answers.count(a) for a in set(answers)},
            "after": stats(), "scrape_after": scrape()}


scenarios = {
    "idle": idle,
    "body": lambda: flood(b"POST /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: %d\r\n\r\n"
                          % (1 << 30), 1 << 30),
    "line": lambda: flood(b"GET /", 200 << 20),
    "header": lambda: flood(b"GET /metrics HTTP/1.1\r\nX-Long: ", 200 << 20),
    "mix": mix,
}
print(json.dumps(scenarios[SCENARIO]()))
