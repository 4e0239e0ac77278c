// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/find_clocks.h"

#include "connect/network_settings.h"

#include <QScopeGuard>
#include <algorithm>

namespace tarvo
{

Task<bool> ProbeSerialModel(ClockSession& session, const ClockModel& model, ProbePace pace)
{
    ExpectedRecord answer(session, LinkKind::Serial, IsSettingsAnswer);
    if (!session.SerialClock().Probe(model))
        co_return false;
    if (pace == ProbePace::WholeSecond)
        co_await Sleep(ProbeAnswerWait);
    else
        co_await answer.Wait(ProbeAnswerWait);
    co_return answer.Heard().has_value();
}

Task<Identified> IdentifyModel(ClockSession& session, ClockLink& link, const ClockModel* known,
                               std::chrono::milliseconds wait)
{
    Identified identified;
    if (link.ModelByTrailer() && !known) {
        for (const ClockModel& model : AllModels()) {
            const bool heard = co_await ProbeSerialModel(session, model, ProbePace::UntilAnswer);
            if (heard) {
                identified.reply = Reply::Answered;
                identified.model = &model;
                co_return identified;
            }
        }
        co_return identified;
    }
    if (link.ModelByTrailer()) {
        const Answer<MasterRecord> answer =
            co_await Ask<MasterRecord>(session, link, command::RequestMasterSettings{}, wait);
        identified.reply = answer.reply;
        identified.model = known;
        co_return identified;
    }
    const Answer<NetworkRecord> answer =
        co_await Ask<NetworkRecord>(session, link, command::RequestNetworkSettings{}, wait);
    identified.reply = answer.reply;
    identified.model = known;
    if (answer.Answered()) {
        if (const ClockModel* named = ModelNamedIn(answer.record->networkData))
            identified.model = named;
    }
    co_return identified;
}

Task<Discovery> Discover(ClockSession& session, std::chrono::milliseconds listen)
{
    Discovery discovery;
    auto senders = std::make_shared<QList<quint32>>();
    const ClockSession::EveryoneHeard everyone(session);
    const QMetaObject::Connection heard = QObject::connect(
        &session, &ClockSession::Received, &session, [senders](const Incoming& incoming) {
            if (incoming.source.link == LinkKind::Network &&
                !senders->contains(incoming.source.address))
                senders->append(incoming.source.address);
        });
    // Cancelled in the middle of listening, the search leaves nothing behind.
    const auto stopListening = qScopeGuard([heard] { QObject::disconnect(heard); });
    discovery.sent = session.BroadcastDiscovery() == 1;
    co_await Sleep(listen);
    discovery.senders = *senders;
    co_return discovery;
}

Task<QList<NamedClock>> NameNetworkClocks(ClockSession& session, QList<quint32> addresses,
                                          QByteArray password4, std::chrono::milliseconds wait)
{
    auto named = std::make_shared<QList<NamedClock>>();
    for (quint32 address : addresses)
        named->append(NamedClock{address});
    const auto pending = [named] {
        return std::any_of(named->cbegin(), named->cend(),
                           [](const NamedClock& c) { return c.reply == Reply::Silent; });
    };
    // Other clocks than the one in use answer: they are heard while asked.
    const ClockSession::EveryoneHeard everyone(session);
    const QMetaObject::Connection heard = QObject::connect(
        &session, &ClockSession::Received, &session, [named](const Incoming& incoming) {
            if (incoming.source.link != LinkKind::Network)
                return;
            for (NamedClock& clock : *named) {
                if (clock.address != incoming.source.address || clock.reply != Reply::Silent)
                    continue;
                if (std::holds_alternative<PasswordRefusal>(incoming.record)) {
                    clock.reply = Reply::Refused;
                } else if (const auto* record = std::get_if<NetworkRecord>(&incoming.record)) {
                    clock.reply = Reply::Answered;
                    clock.model = ModelNamedIn(record->networkData);
                }
            }
        });
    const auto stopListening = qScopeGuard([heard] { QObject::disconnect(heard); });

    // A link of its own for each clock, on the session's socket, so the
    // clock in use keeps its destination and password.
    NetworkClockLink link(session.Socket());
    link.SetPassword(password4);
    link.SetNetworkAvailable(session.NetworkAvailable());
    const std::function<bool()> allHeard = [pending] { return !pending(); };
    for (int attempt = 0; attempt < 2 && pending(); ++attempt) {
        for (const NamedClock& clock : std::as_const(*named)) {
            if (clock.reply != Reply::Silent)
                continue;
            link.SetDestination(ClockSession::AddressText(clock.address), clock.address);
            link.Send(command::RequestNetworkSettings{});
        }
        co_await WaitFor(&session, &ClockSession::Received, allHeard, wait / 2);
    }
    co_return *named;
}

} // namespace tarvo
