#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarvo-clock exporter under clients that misuse it (bench/exporter-abuse.sh,
# loopback only): with 1,100 idle connections held it keeps its descriptors
# bounded, answers a scrape and closes idle and half-sent connections; a
# 1 GiB body, a 200 MiB request line and a 200 MiB header are refused without
# being read into memory; through the hang-up mix under `ulimit -n 256` every
# scrape is answered. In the sanitizer tree the same runs under ASan+UBSan,
# where a report ends the exporter and fails the check.
set -uo pipefail
build="$1"
source_dir="$2"
command -v python3 >/dev/null || { echo "SKIP: python3 is needed"; exit 77; }
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
BUILD_DIR="$build" bash "$source_dir/bench/exporter-abuse.sh" >"$out" || { cat "$out"; echo "FAIL: the run broke off"; exit 1; }
cat "$out"
# Under the sanitizers memory is the sanitizer's (shadow, quarantine): not compared.
# (ldd's whole output is read first: `ldd | grep -q` under pipefail fails
# whenever grep has stopped reading before ldd has written its last line.)
sanitized=0
case "$(ldd "$build/bin/tarvo-clock" 2>/dev/null)" in *libasan* | *libclang_rt.asan*) sanitized=1 ;; esac
grep -q AddressSanitizer "$build/bin/tarvo-clock" && sanitized=1
python3 - "$out" "$sanitized" <<'PY'
import json, sys
sanitized = sys.argv[2] == "1"
problems = []
for line in open(sys.argv[1]):
    run = json.loads(line)
    name, r = run["scenario"], run["result"]
    def need(ok, what):
        if not ok:
            problems.append("%s: %s" % (name, what))
    need(run["exporter_alive"] == "yes", "the exporter ended")
    need(r["scrape_after"]["status"] == "200", "no scrape answered afterwards")
    need(sanitized or r["after"]["rss_mb"] - r["before"]["rss_mb"] < 50, "memory kept afterwards")
    if name == "idle":
        need(r["scrape"]["status"] == "200", "no scrape answered with the idle connections held")
        need(r["during"]["fds"] < 300, "descriptors not bounded")
        need(r["idle_open_after_12s"] == 0 and r["half_open_after_12s"] == 0,
             "idle or half-sent connections left open")
    elif name == "mix":
        need(set(r["scrape_answers"]) == {"200"}, "scrapes not all answered: %s" % r["scrape_answers"])
    else:
        need(r["sent_mb"] < 64, "%s MB taken of what it should refuse" % r["sent_mb"])
        need(sanitized or r["after"]["peak_mb"] - r["before"]["peak_mb"] < 50, "memory grew")
for p in problems:
    print("FAIL:", p)
sys.exit(1 if problems else 0)
PY
