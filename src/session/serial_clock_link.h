// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/clock_link.h"

namespace tarvo
{

class SerialLink;

// The clock on the serial port: every command as frames with the trailer of
// the clock's model. Nothing is written while the port is closed.
class SerialClockLink final : public ClockLink
{
public:
    explicit SerialClockLink(SerialLink& port) : m_port(port) {}

    void SetModel(const ClockModel* model) { m_model = model; }

    LinkKind Kind() const override { return LinkKind::Serial; }
    QString Where() const override;
    const ClockModel* Model() const override { return m_model; }
    int Send(const ClockCommand& command) override;
    int FramesFor(const ClockCommand& command) const override
    {
        return static_cast<int>(CommandsFor(command).size());
    }
    Task<void> RequestEverything() override;
    Task<void> RestoreFactoryDefaults() override;
    bool CarriesPassword() const override { return false; }
    bool ModelByTrailer() const override { return true; }
    bool CarriesTimeReports() const override { return true; }
    std::chrono::milliseconds SettleTime() const override { return std::chrono::milliseconds(0); }
    int RequestAttempts() const override { return 1; }

    // The frames of a command, for the record and for tests.
    QList<SerialCommand> CommandsFor(const ClockCommand& command) const;
    // Writes the frames; the number written (0 with the port closed).
    int Write(const QList<SerialCommand>& commands);
    // A request for the settings with another model's trailer: the probe of a
    // search, which learns the model from which request is answered.
    bool Probe(const ClockModel& model);

private:
    const ClockModel& Trailer() const;

    SerialLink& m_port;
    const ClockModel* m_model = nullptr;
};

} // namespace tarvo
