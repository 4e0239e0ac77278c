#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarvo-clock exporter scraped by a real Prometheus: a serial clock on a
# pseudo-terminal and two network clocks, one of them stopped (SIGSTOP) and
# the other also asked with a wrong password, are served by one exporter, over TLS with basic auth (--web-config, with a
# certificate and a bcrypt hash made here); Prometheus (its own config and
# storage in a scratch folder, listening on loopback) scrapes it every second
# over https with the password, and its query API
# must show the live clocks up, the stopped one down, and the serial clock's
# offset as `tarvo-clock watch` measures it. promtool checks a scrape and the alerting
# rules of docs/monitoring. Prometheus comes from the PATH or from Debian's
# package, unpacked into the build tree without being installed (so no
# service starts). Skipped (77) where it can be neither obtained nor started.
build="$1"
source_dir="$2"
bin="$build/bin"
. "$(dirname "$0")/check_lib.sh"
fail() {
    echo "FAIL: $*"
    for log in "$work"/*.log; do echo "== $log"; tail -n 30 "$log"; done
    exit 1
}
command -v python3 >/dev/null || skip "python3 is needed to read Prometheus' answers"
command -v openssl >/dev/null || skip "openssl is needed for the exporter's certificate"

prometheus="$(command -v prometheus || true)"
promtool="$(command -v promtool || true)"
if [ -z "$prometheus" ] || [ -z "$promtool" ]; then
    pkg="$build/prometheus-pkg"
    if [ ! -x "$pkg/root/usr/bin/prometheus" ]; then
        mkdir -p "$pkg"
        (cd "$pkg" && apt-get download prometheus >/dev/null 2>&1 && dpkg -x prometheus_*.deb root) ||
            skip "prometheus could not be downloaded"
    fi
    prometheus="$pkg/root/usr/bin/prometheus"
    promtool="$pkg/root/usr/bin/promtool"
fi
"$prometheus" --version >/dev/null 2>&1 && "$promtool" --version >/dev/null 2>&1 ||
    skip "prometheus or promtool does not run here"

"$promtool" check rules "$source_dir/docs/monitoring/tarvo-alerts.yml" || fail "promtool rejects the alerting rules"

# Reads one value of an instant query: python3 QUERY -> the value, or nothing.
query() {
    python3 - "$prom_port" "$1" <<'PY'
import json, sys, urllib.parse, urllib.request
url = "http://127.0.0.1:%s/api/v1/query?query=%s" % (sys.argv[1], urllib.parse.quote(sys.argv[2]))
try:
    answer = json.load(urllib.request.urlopen(url, timeout=5))
except Exception:
    sys.exit(0)
result = answer.get("data", {}).get("result", [])
if len(result) == 1:
    print(result[0]["value"][1])
PY
}
start_serial_clock "$work/serial-sim.log" --model 226
"$bin/clock-simulator" --model 229 --udp 127.0.171.2 --password 7315 >"$work/live-sim.log" 2>&1 &
pids+=($!)
"$bin/clock-simulator" --model 229 --udp 127.0.171.3 >"$work/stopped-sim.log" 2>&1 &
stopped=$!
pids+=($stopped)
wait_line "$work/live-sim.log" 'udp: ' >/dev/null || fail "the network simulator did not start"
wait_line "$work/stopped-sim.log" 'udp: ' >/dev/null || fail "the second network simulator did not start"

# What `tarvo-clock watch` measures on the same clock, before the exporter
# holds its port: the exporter must show the same figure.
"$bin/tarvo-clock" --port "$pty" watch --json --count 8 >"$work/watch.log" 2>&1 ||
    fail "watch could not read the serial clock"
watched="$(python3 -c 'import json, statistics, sys
print(statistics.median(json.loads(l)["offsetSeconds"] for l in open(sys.argv[1]) if "offsetSeconds" in l))' "$work/watch.log")"

# The settings the live network clock holds are the golden ones.
"$bin/tarvo-clock" --host 127.0.171.2 get settings --json >"$work/golden.json" 2>"$work/golden.log" ||
    fail "could not read the golden settings"
kill -STOP "$stopped"

cat >"$work/fleet.json" <<FLEET
{"clocks": [
  {"name": "studio", "port": "$pty", "model": 226},
  {"name": "tower", "host": "127.0.171.2"},
  {"name": "annex", "host": "127.0.171.3", "password": "7315"},
  {"name": "vault", "host": "127.0.171.2", "password": "0000"}
]}
FLEET
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
    -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
    -keyout "$work/exporter.key" -out "$work/exporter.crt" 2>"$work/openssl.log" ||
    fail "openssl could not make a certificate"
hash="$(python3 -W ignore -c 'import crypt, sys; print(crypt.crypt(sys.argv[1], crypt.mksalt(crypt.METHOD_BLOWFISH, rounds=256)))' s3cret)"
case "$hash" in '$2b$'*) ;; *) skip "python3 cannot make a bcrypt hash here" ;; esac
cat >"$work/web.yml" <<WEB
tls_server_config:
  cert_file: exporter.crt
  key_file: exporter.key
basic_auth_users:
  prometheus: '$hash'
WEB
exporter_port="$(free_port)"
"$bin/tarvo-clock" exporter --listen "127.0.0.1:$exporter_port" --timeout 400 --web-config "$work/web.yml" \
    --fleet "$work/fleet.json" --golden "$work/golden.json" >"$work/exporter.log" 2>&1 &
exporter=$!
pids+=($exporter)
wait_line "$work/exporter.log" 'Serving ' >/dev/null || fail "the exporter did not start"

# get URL [USER:PASSWORD]: the status and body, trusting the exporter's certificate.
get() {
    python3 - "$work/exporter.crt" "$@" <<'PY'
import base64, ssl, sys, urllib.error, urllib.request
request = urllib.request.Request(sys.argv[2])
if len(sys.argv) > 3:
    request.add_header("Authorization", "Basic " + base64.b64encode(sys.argv[3].encode()).decode())
try:
    answer = urllib.request.urlopen(request, timeout=10, context=ssl.create_default_context(cafile=sys.argv[1]))
    print(answer.status)
    print(answer.read().decode(), end="")
except urllib.error.HTTPError as e:
    print(e.code)
except Exception as e:
    print(type(e).__name__)
PY
}
https="https://127.0.0.1:$exporter_port/metrics"
[ "$(get "$https" | head -n 1)" = 401 ] || fail "the exporter answered without a password"
[ "$(get "$https" prometheus:wrong | head -n 1)" = 401 ] || fail "the exporter took a wrong password"
[ "$(get "http://127.0.0.1:$exporter_port/metrics" prometheus:s3cret | head -n 1)" != 200 ] ||
    fail "the exporter answered plain HTTP"
answer="$(get "$https" prometheus:s3cret)"
[ "$(echo "$answer" | head -n 1)" = 200 ] || fail "the exporter did not answer /metrics: $answer"
echo "$answer" | tail -n +2 >"$work/scrape.txt"
"$promtool" check metrics <"$work/scrape.txt" || fail "promtool finds fault with the metrics: $(cat "$work/scrape.txt")"

# A second serial clock fed to a (stand-in) chronyd socket, its feed serving
# the same figures.
"$bin/clock-simulator" --model 229 --serial --gps-locked >"$work/fed-sim.log" 2>&1 &
pids+=($!)
fed_pty="$(wait_line "$work/fed-sim.log" 'serial: ')" || fail "the fed simulator did not start"
python3 -c 'import socket, sys, time
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM); s.bind(sys.argv[1])
while True: s.recv(256)' "$work/chrony.sock" &
pids+=($!)
for _ in $(seq 50); do [ -S "$work/chrony.sock" ] && break; sleep 0.1; done
feed_port="$(free_port)"
"$bin/tarvo-clock" --port "$fed_pty" feed-chrony "$work/chrony.sock" --metrics "127.0.0.1:$feed_port" \
    >"$work/feed.log" 2>&1 &
pids+=($!)
wait_line "$work/feed.log" 'Feeding ' >/dev/null || fail "feed-chrony did not start"

prom_port="$(free_port)"
cat >"$work/prometheus.yml" <<CONF
global:
  scrape_interval: 1s
  scrape_timeout: 1s
scrape_configs:
  - job_name: tarvo
    scheme: https
    tls_config:
      ca_file: $work/exporter.crt
    basic_auth:
      username: prometheus
      password: s3cret
    static_configs:
      - targets: ['127.0.0.1:$exporter_port']
  - job_name: feed
    static_configs:
      - targets: ['127.0.0.1:$feed_port']
CONF
"$prometheus" --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/data" \
    --web.listen-address="127.0.0.1:$prom_port" >"$work/prometheus.log" 2>&1 &
pids+=($!)
started=0
for _ in $(seq 100); do
    [ -n "$(query 'up{job="tarvo"}')" ] && { started=1; break; }
    kill -0 "${pids[-1]}" 2>/dev/null || break
    sleep 0.2
done
[ "$started" = 1 ] || skip "prometheus did not start here: $(tail -n 3 "$work/prometheus.log")"

# Two scrape intervals after the first scrape, and a few more samples for the offset.
sleep 5
[ "$(query 'up{job="tarvo"}')" = 1 ] || fail "Prometheus could not scrape the exporter"
serial_up="$(query 'tarvo_clock_up{link="serial",clock="studio"}')"
live_up="$(query 'tarvo_clock_up{clock="tower"}')"
stopped_up="$(query 'tarvo_clock_up{clock="annex"}')"
echo "up: serial $serial_up, network $live_up, stopped $stopped_up"
[ "$serial_up" = 1 ] || fail "the serial clock is not up ($serial_up)"
[ "$live_up" = 1 ] || fail "the live network clock is not up ($live_up)"
[ "$stopped_up" = 0 ] || fail "the stopped network clock is not down ($stopped_up)"
# A clock that refuses the password has a series of its own, and the rule
# for a clock that is down leaves it to the rule for a refused password.
[ "$(query 'tarvo_clock_password_refused{clock="vault"}')" = 1 ] ||
    fail "the clock asked with a wrong password is not shown as refusing it"
[ "$(query 'tarvo_clock_password_refused{clock="tower"}')" = 0 ] ||
    fail "the clock asked with its password is shown as refusing it"
down_rule="$(grep -A1 'alert: TarvoClockDown' "$source_dir/docs/monitoring/tarvo-alerts.yml" | sed -n 's/^ *expr: //p')"
[ "$(query "count($down_rule)")" = 1 ] && [ "$(query "$down_rule")" = 0 ] ||
    fail "the rule for a clock that is down does not name the stopped clock alone: $down_rule"
[ "$(query 'tarvo_clock_settings_match{clock="tower"}')" = 1 ] ||
    fail "the live clock does not match the settings read from it"
[ "$(query 'tarvo_clock_info{clock="tower",model="229",link="network",address="127.0.171.2"}')" = 1 ] ||
    fail "tarvo_clock_info does not name the network clock"

# The simulator's clock is this computer's clock, and it sends each report
# 2 ms after its second begins: the offset is minus that and the time the
# report took to be read, so never above -1 ms (a sign turned round shows
# here), and (as medians, so that one busy moment does not count) near what
# watch measured: within a millisecond or two on a quiet machine, but the read
# delay grows with the machine's load, so the limit is ten times that much.
offset="$(query "quantile_over_time(0.5, tarvo_clock_offset_seconds{clock=\"studio\"}[10s])")"
echo "serial clock's median offset: $offset s in Prometheus, $watched s by watch"
[ -n "$offset" ] || fail "no offset for the serial clock"
awk -v o="$offset" -v w="$watched" 'BEGIN { d = o - w; exit !(o <= -0.001 && d < 0.05 && d > -0.05) }' ||
    fail "the serial clock's offset $offset s is not the $watched s watch measured"
[ "$(query 'tarvo_clock_last_report_age_seconds{clock="studio"} < 2')" != "" ] ||
    fail "the serial clock's last report is old"
[ "$(query 'up{job="feed"}')" = 1 ] || fail "Prometheus could not scrape feed-chrony"
fed_up="$(query 'tarvo_clock_up{job="feed",model="229",link="serial"}')"
fed_lock="$(query 'tarvo_clock_gps_locked{job="feed"}')"
fed_offset="$(query 'tarvo_clock_offset_seconds{job="feed"}')"
echo "feed-chrony: up $fed_up, GPS locked $fed_lock, offset $fed_offset s"
[ "$fed_up" = 1 ] && [ "$fed_lock" = 1 ] || fail "feed-chrony's clock is not up and locked"
awk -v o="$fed_offset" 'BEGIN { exit !(o <= -0.001 && o > -1) }' ||
    fail "feed-chrony's offset $fed_offset s is not the simulator's"

kill -TERM "$exporter"
for _ in $(seq 50); do kill -0 "$exporter" 2>/dev/null || break; sleep 0.1; done
kill -0 "$exporter" 2>/dev/null && fail "the exporter did not end on SIGTERM"
wait "$exporter"
status=$?
[ "$status" = 0 ] || fail "the exporter ended with $status on SIGTERM"
echo "PASS"
