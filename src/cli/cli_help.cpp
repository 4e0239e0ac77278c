// SPDX-License-Identifier: GPL-3.0-or-later
// The help of tarvo-clock, written as a manual page: the whole page for
// --help, one command's section for "tarvo-clock COMMAND --help".
#include "cli/cli.h"

namespace tarvo
{

namespace
{

const char* const kHead = R"(NAME
    tarvo-clock - set up and read a Tarvo master clock from scripts

SYNOPSIS
    tarvo-clock discover [--serial-ports LIST] [--local-addresses LIST]
    tarvo-clock (--port PORT | --host ADDRESS) COMMAND [ARGUMENTS] [OPTIONS]
    tarvo-clock --fleet FILE [--parallel N] COMMAND [ARGUMENTS] [OPTIONS]

DESCRIPTION
    tarvo-clock gives a clock every command the Tarvo Control Panel window
    gives it, over the same serial frames and network datagrams, and reports
    results a script can check. A command that changes the clock reads the
    clock back afterwards and names every setting that differs.

    The clock is reached on a serial port (--port, 9600 baud), local or
    behind a serial device server (see DEVICE SERVERS), or on the network
    (--host, UDP port 10000). Its model is learned from the clock:
    over the serial link each model's request is tried in turn (up to four
    seconds), over the network the clock's network settings name it.

    With --fleet FILE the command goes to every clock of a fleet file (see
    MANY CLOCKS below).

COMMANDS
)";

struct Section {
    const char* command;
    const char* text;
};

constexpr Section kSections[] = {
    {"discover", R"(    discover
        Lists the clocks on the serial ports and on the local network, one
        per line: the link, the port or address, and the model. Every port
        is asked at once with each model's request (four seconds), then a
        discovery datagram goes to the broadcast address of each local
        address and answers are heard for one second. --serial-ports LIST
        (devices separated by ':') and --local-addresses LIST (IPv4
        addresses separated by ',') replace what the system reports;
        --no-serial and --no-network leave a link out. A network clock that
        refuses --password is listed with its model unknown and the words
        (password refused); with --json, "passwordRefused": true. Exit 1
        when no clock was found.
)"},
    {"status", R"(    status
        First a line with the model, the link, and the clock's time, GPS
        lock and offset from this computer (the serial link carries these;
        the network does not, and the line says so). Then its settings, its
        network settings and the rules of its DST tables, each in the order
        the clock keeps them. With --json one object: "summary" (that line),
        "model", "link", "port" or "host", "time" (null over the network),
        "settings", "network" and "dst".
)"},
    {"get", R"(    get settings | network | dst
        Prints the clock's general settings, its network configuration, or
        its DST tables (the rules, then every year's spring and fall
        change, 48 years), in the order the clock keeps them. With --json
        the output of "get settings" and "get network" is the input of
        "set". The clock's network password is shown as (hidden), here, in
        status and in a fleet's output, unless --show-password is given.
)"},
    {"set", R"(    set settings FILE
        Reads a JSON object of settings (as "get settings --json" writes
        them; FILE "-" is standard input) and sends only the settings that
        differ from the clock's. Fields left out keep the clock's value. A
        file with any unknown field or bad value sends nothing: each problem
        is named with its field and the reason (exit 2).

        Fields: timeZone (hours from UTC, -12 to 12 in halves), autoDst,
        customDst, hour24, display24 (true/false), smpteMode, dateFormat,
        driftWindow (the captions of the window's lists), resync {enabled,
        time "HH:MM:SS"}, relays (4 x {enabled, time "MM:SS"}), secondOffset
        (seconds; models 226, 229, 222), subSecondMs (-490 to 490 in tens;
        same models), risingEdge (model 207), modem {phone, callTime "HH:MM",
        updatesPerDay 0-4} (model 222).

    set network FILE
        Changes the clock's own network configuration: ipAddress,
        subnetMask, gateway, dns, serverPort, configLocked, password (four
        characters, or null for none), servers (2 x {address, port}) and
        updateMinutes (model 229), broadcast (3 x {enabled, address}) and
        broadcastMinutes (models 226, 207). A password left out, or given as
        (hidden) as "get network" writes it, keeps the clock's. After a
        change of address the clock is read back at its new address (for up
        to 30 seconds).

    set time now | "YYYY-MM-DD HH:MM:SS"
        Sets the clock's time and date: "now" takes the computer's local
        time and sends it at the start of a second; otherwise the given
        local time. Over the serial link the clock's next reports are
        checked against it (to 1.5 s). A clock locked to GPS cannot be set
        (exit 4, nothing sent). The network carries no time reports, so
        there the clock's answer is all that is checked.
)"},
    {"dst", R"(    dst --spring RULE --fall RULE [--start-year YEAR]
        Computes 48 years of DST change dates from two rules and sends them,
        then reads the clock's tables back and compares every date. A rule
        is week, day, month and hour: "2nd Sun Mar 2:00", "last Sun Oct
        3:00" (week 1st, 2nd, 3rd, 4th or last; the hour 0:00 to 23:00).
        The tables start with this year unless --start-year says otherwise.
)"},
    {"check", R"(    check settings GOLDEN
        Reads the clock's settings and compares them field by field with
        GOLDEN, a settings file as "get settings --json" writes it; fields
        GOLDEN leaves out are not compared. Names every field that differs
        with the clock's value and the golden value, and ends with exit 4
        when any does. A GOLDEN for another model is not compared (exit 4,
        saying so); a GOLDEN with a bad field is refused (exit 2). Nothing
        is sent that changes the clock.
)"},
    {"nudge", R"(    nudge +1h | -1h | +5ms | -5ms
        Moves the clock's time by an hour or by one 5-millisecond step. An
        hour's move is checked in the serial time reports.
)"},
    {"resync", R"(    resync
        Makes the clock resynchronise its time code now.
)"},
    {"factory-defaults", R"(    factory-defaults --yes
        Returns every setting of the clock to the factory's, then prints the
        settings the clock reports. Without --yes nothing is done.
)"},
    {"modem-update", R"(    modem-update
        Makes a model 222 dial its time service now (serial link only).
)"},
    {"watch", R"(    watch [--count N]
        Prints each time report of the clock (serial link only): its time,
        GPS lock, and the offset of the clock's second from this computer's
        time when the report arrived (positive: the clock is ahead). With
        --json one JSON object per line. Runs until interrupted or N reports.
        Exit 1 when no report comes for five seconds. Behind a device server
        each line ends with the link ("link tcp", "link rfc2217"; a JSON
        "link" field), as its offset holds the network's delay too; a lost
        connection is told on standard error and made again, and the
        silence while it is down does not count.
)"},
    {"feed-chrony", R"(    feed-chrony SOCKET [--count N] [--verbose]
        Sends a sample to chronyd's SOCK reference clock for each valid time
        report (serial link only): the time the report arrived and the offset
        of the clock's second from it, so chronyd keeps this computer on the
        clock's time by slewing. chronyd must read the socket:

            refclock SOCK /run/chrony.tarvo.sock refid TRVO offset 0.015 delay 0.02

        The clock sends its report as its second begins, and the report
        arrives after the 14 bytes have crossed the line: 14.6 ms at 9600
        baud, plus the latency of the serial adapter. "offset 0.015" adds
        that back; measure your own with "tarvo-clock watch" against a
        computer already on good time (the offsets it prints, negated). The
        clock's time is read in this computer's time zone, so the two must
        agree, as for the window's "Update PC Clock".
        Samples are dropped, with one message, while chronyd is not reading
        the socket; the command goes on and resumes when chronyd is back.
        It ends (exit 1) when the clock sends no report for five seconds or
        the port fails, so that a service manager can start it again
        (behind a device server it rides out the server's restarts, as
        watch does).
        --metrics ADDRESS:PORT also serves Prometheus metrics of the clock at
        http://ADDRESS:PORT/metrics (tarvo_clock_up, _offset_seconds,
        _gps_locked, _last_report_age_seconds), taken from the reports the
        feed reads: a scrape sends nothing to the clock.
)"},
    {"exporter", R"(    exporter --fleet FILE [--listen ADDRESS:PORT] [--golden FILE]
             [--web-config FILE]
        Serves the clocks' state as Prometheus metrics at
        http://ADDRESS:PORT/metrics (default 127.0.0.1:9817; a PORT alone
        listens on 127.0.0.1, and another address only when given). The
        clocks are those of the fleet file (see MANY CLOCKS), kept by the
        exporter itself, or every --port DEVICE and --host ADDRESS given,
        each as often as needed (named by the device or address); each
        name once. Each scrape asks every network clock for its settings,
        all at once through one socket (--parallel N asks at most N at a
        time); a serial clock's port stays open and its time reports give
        the offset, GPS lock and report age. Scrapes within a second of the
        last share its answers. Per clock, labelled clock, model and link
        (serial or network):
            tarvo_clock_up                       1 answered or reporting, 0 not
            tarvo_clock_answer_seconds           round trip of the last request
            tarvo_clock_gps_locked               serial clocks
            tarvo_clock_offset_seconds           serial clocks, as watch prints
            tarvo_clock_last_report_age_seconds  serial clocks
            tarvo_clock_settings_match           with --golden FILE: 1 when the
                                                 clock holds the settings of
                                                 FILE (as "get settings --json")
            tarvo_clock_password_refused         network clocks: 1 when the clock
                                                 refused the password given
            tarvo_clock_info                     1, with the device or address
            tarvo_clock_device_server_connected  behind a device server (label
                                                 transport tcp or rfc2217): 1
                                                 while connected
            tarvo_clock_device_server_reconnects_total
                                                 connections made again
        and tarvo_exporter_scrape_duration_seconds. A clock has --timeout MS
        to answer (default 1000 here), and a scrape ends within about that
        time however many clocks are silent (with --parallel N, N silent
        clocks at a time take that long each, which Prometheus'
        scrape_timeout must allow). The soft limit of open files is raised
        as far as the hard limit allows for the serial clocks' ports and
        64 scrape connections, with a warning when that is not enough. Runs
        until SIGINT or SIGTERM (exit 0); exit 1 when the address cannot be
        listened on.
        The metrics name every clock and its address: on an address other
        than loopback the exporter warns unless --web-config FILE (also
        --web.config.file) sets what Prometheus' own exporters read there:
            tls_server_config:
              cert_file: exporter.crt   # PEM, relative to FILE's folder
              key_file: exporter.key
              min_version: TLS12        # or TLS13 (default TLS12)
            basic_auth_users:
              prometheus: $2b$12$...    # bcrypt: htpasswd -nB, mkpasswd -m bcrypt
        Any other setting is refused. The server answers GET and HEAD of /
        and /metrics: at most 64 connections (the oldest idle one makes way),
        5 s for a request's line and headers (8 KiB at most; no body) and
        for the next one on an idle connection, 10 s for an answer to be
        taken; "Connection: close" is honoured.
)"},
};

const char* const kTail = R"(
OPTIONS
    --port PORT         the clock's serial port: a device (/dev/ttyUSB0), or
                        tcp:HOST:PORT or rfc2217:HOST:PORT (DEVICE SERVERS)
    --host ADDRESS      the clock's IPv4 address or host name
    --model MODEL       226, 229, 207 or 222: skip learning the model
    --password XXXX     the clock's network access password (default 7315)
    --show-password     status, get network: print the clock's stored network
                        password instead of (hidden)
    --json              JSON output
    --timeout MS        how long to wait for each answer (default 2000)
    --count N           watch, feed-chrony: stop after N reports
    --serial-ports LIST discover: the serial ports to ask, separated by ':'
                        (tcp:HOST:PORT and rfc2217:HOST:PORT stay whole)
    --local-addresses LIST
                        discover: this computer's IPv4 addresses, separated by ','
    --no-serial, --no-network
                        discover: leave a link out
    --listen ADDRESS:PORT
                        exporter: where to serve /metrics (default 127.0.0.1:9817)
    --golden FILE       exporter: the settings every clock should hold
    --web-config FILE   exporter: TLS and basic auth (see exporter)
    --metrics ADDRESS:PORT
                        feed-chrony: also serve /metrics for the clock
    --log-traffic       write every frame and datagram to standard error
    --fleet FILE        run the command on every clock of the fleet file FILE
    --parallel N        --fleet: clocks worked on at once, 1 to 1000 (default 32);
                        exporter: network clocks asked at once (default all)
    -v, --verbose       more detail
    -h, --help          this help; "tarvo-clock COMMAND --help" for one command
    --version           the version

DEVICE SERVERS
    A serial clock on a serial device server (ser2net, or a commercial one
    that speaks raw TCP or RFC 2217) is given as its port, wherever a port
    can be named (--port, a fleet file's "port", --serial-ports):
        /dev/ttyUSB0               a local serial device
        tcp:HOST:PORT              the line's bytes as they are
        rfc2217:HOST:PORT          Telnet with the COM port option: the
                                   server's port is set to 9600 8N1
    (an IPv6 HOST in brackets). The frames and commands are those of a
    local port. The first connection must succeed (exit 1 naming the
    server otherwise); after that a lost connection is made again 1 s
    later, then 2, 4, ... up to 30 s, and a server that sends nothing for
    10 s is taken to have stalled and is connected to again. ser2net 4
    serving /dev/ttyUSB0 both ways, in /etc/ser2net.yaml:
        connection: &clock-raw
          accepter: tcp(nodelay),2000
          connector: serialdev,/dev/ttyUSB0,9600n81,local
          options:
            chardelay: false
        connection: &clock-rfc2217
          accepter: telnet(rfc2217),tcp(nodelay),2001
          connector: serialdev,/dev/ttyUSB0,9600n81,local
          options:
            chardelay: false
    and then "tarvo-clock --port tcp:plantserver:2000 watch" or
    "--port rfc2217:plantserver:2001". One client at a time uses the port.
    Without "chardelay: false" and "nodelay" ser2net holds the clock's
    bytes a few milliseconds longer, and an answer now and then 40 ms.

EXIT STATUS
    0   done, and verified wherever the clock can show the result
    1   the clock could not be reached or did not answer
    2   bad arguments or input; nothing was sent
    3   the clock refused the password
    4   the clock reads back differently from what was sent, or cannot take
        the change

MANY CLOCKS
    tarvo-clock --fleet FILE COMMAND runs status, get, set settings, set
    time, dst or check settings on every clock that FILE lists, a JSON file
    {"clocks": [{"name": ..., "port": DEVICE or "host": ADDRESS,
    "password": XXXX or "passwordFile": PATH (relative to FILE's folder),
    "model": MODEL}, ...]}
    (docs/fleet.md). The whole file is checked first: any unknown field,
    repeated name, entry with neither or both of port and host, or bad
    password sends nothing (exit 2), each problem named with the entry's
    number, name and field. --password and --model apply to the clocks
    that do not give their own.

    Up to --parallel N clocks are worked on at once; clocks on the same
    serial device never at the same time (and fewer when the limit of open
    files, ulimit -n, allows fewer). When all are done, one line per
    clock in the file's order: the name, the link, the device or address
    and the result (for status its first line; for get what was read),
    followed by the whole output of any clock whose result takes more
    lines. With --json one JSON object per line: {"clock": NAME,
    "exit": STATUS, "link": ..., "port" or "host": ..., the command's own
    JSON fields, and "error": MESSAGE when it failed}.

    The exit status is the worst of the clocks' statuses, by severity:
    1 (a clock did not answer) before 3 (password refused) before 2 (bad
    input) before 4 (differs) before 0. Ctrl-C or SIGTERM starts no more
    clocks and lets the running ones finish; the clocks not started are
    listed and the status is 130 or 143. A second signal interrupts the
    running clocks too and names every clock not done.

EXAMPLES
    tarvo-clock discover
    tarvo-clock --port /dev/ttyUSB0 status
    tarvo-clock --host 192.168.1.50 get settings --json > clock.json
    tarvo-clock --host 192.168.1.50 set settings clock.json
    tarvo-clock --host 192.168.1.50 set time now
    tarvo-clock --port /dev/ttyUSB0 dst --spring "2nd Sun Mar 2:00" --fall "1st Sun Nov 2:00"
    tarvo-clock --port /dev/ttyUSB0 watch
    tarvo-clock --port rfc2217:192.168.1.60:2001 watch
    tarvo-clock --port /dev/ttyUSB0 feed-chrony /run/chrony.tarvo.sock
    tarvo-clock --fleet plant.json check settings golden.json
    tarvo-clock exporter --fleet /etc/tarvo/fleet.json --listen 127.0.0.1:9817
)";

} // namespace

QString CliHelp(const QString& command)
{
    QString text;
    for (const Section& s : kSections) {
        if (command.isEmpty() || command == QLatin1String(s.command))
            text +=
                QString::fromUtf8(s.text) + (command.isEmpty() ? QStringLiteral("\n") : QString());
    }
    if (command.isEmpty())
        return QString::fromUtf8(kHead) + text + QString::fromUtf8(kTail);
    const QString link = command == u"discover" || command == u"exporter"
                             ? QString()
                             : QStringLiteral("(--port PORT | --host ADDRESS) ");
    return QStringLiteral("Usage: tarvo-clock %1%2\n\n").arg(link, command) + text +
           QString::fromUtf8(kTail).section(QStringLiteral("\nMANY CLOCKS"), 0, 0) + u'\n';
}

} // namespace tarvo
