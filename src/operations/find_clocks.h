// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Finding clocks and learning their model: the probe of a serial port with one
// model's request, the model a clock names, and discovery on the network. The
// window's search and tarvo-clock's discover and connect are built on these.

#include "clock/clock_model.h"
#include "operations/ask.h"

#include <QList>
#include <chrono>

namespace tarvo
{

// A search keeps a fixed pace on the wire, a second per port and model; a
// script learning one clock's model goes on as soon as it answers.
enum class ProbePace { WholeSecond, UntilAnswer };

// Asks the clock on the session's open serial port for its settings with the
// trailer of `model`: true when any settings-type frame came back, which only
// a clock of that model sends. False at once when the port is closed.
Task<bool> ProbeSerialModel(ClockSession& session, const ClockModel& model, ProbePace pace);

// The model of the clock on `link`. Over the serial link each model is probed
// in search order, unless `known` is given, when the clock only has to answer
// a request; over the network the clock's network settings name the model
// (`known` stands when they name none). The model is null when it stays
// unknown.
struct Identified {
    Reply reply = Reply::Silent;
    const ClockModel* model = nullptr;
};
Task<Identified> IdentifyModel(ClockSession& session, ClockLink& link, const ClockModel* known,
                               std::chrono::milliseconds wait);

// Sends the discovery datagram to every broadcast address of the computer and
// listens for `listen`: every sender heard meanwhile, whatever it sent, is a
// clock. `sent` is false when the network could not be used (the listening
// time still passes).
struct Discovery {
    bool sent = false;
    QList<quint32> senders; // in the order first heard
};
Task<Discovery> Discover(ClockSession& session, std::chrono::milliseconds listen);

// What the clocks at `addresses` (found by Discover) say their model is: each
// is asked for its network settings, all at once, with `password4`, and asked
// again halfway through `wait` when it has not answered yet. One entry per
// address, in the same order: Answered with the model the settings name
// (null when they name none), Refused when the clock refused the password,
// Silent when it said nothing.
struct NamedClock {
    quint32 address = 0;
    Reply reply = Reply::Silent;
    const ClockModel* model = nullptr;
};
Task<QList<NamedClock>> NameNetworkClocks(ClockSession& session, QList<quint32> addresses,
                                          QByteArray password4, std::chrono::milliseconds wait);

} // namespace tarvo
