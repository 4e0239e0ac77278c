// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A program core as the window would hold it, but with no serial port, no
// socket and no window: the receive paths run exactly as in the program, and
// every record they hand on goes through the decoder the window would use.
#include "../tests/support/panel_access.h"
#include "app/panel.h"
#include "connect/network_settings.h"

#include <QTemporaryDir>
#include <memory>

using namespace tarvo;

namespace fuzz
{

// The flag byte that starts every input of the receive targets.
struct ReceiveFlags {
    bool searchInProgress = false;
    bool settingsRequested = false;
    bool sendingSettings = false;
    bool updatePcClock = false;
    int clockType = 0;
    bool fromStranger = false;

    static ReceiveFlags From(quint8 b)
    {
        ReceiveFlags f;
        f.searchInProgress = b & 0x01;
        f.settingsRequested = b & 0x02;
        f.sendingSettings = b & 0x04;
        f.updatePcClock = b & 0x08;
        f.clockType = (b >> 4) & 0x07; // 0..7: the four models and unknown codes
        f.fromStranger = b & 0x80;
        return f;
    }
};

class PanelFixture
{
public:
    PanelFixture()
    {
        Panel::Options options;
        options.serialDevicesGiven = true; // no ports at all
        options.localAddresses = {QStringLiteral("127.0.0.1")};
        options.settingsFile = Dir().filePath(QStringLiteral("settings.conf"));
        options.logSystemClock = true;
        panel = std::make_unique<Panel>(options);
        // The core decodes the master and DST records itself; the network
        // pages would decode the network record.
        QObject::connect(panel.get(), &Panel::NetworkSettingsReceived, panel.get(), [this] {
            const ProgramState& s = panel->State();
            (void)DecodeNetworkSettings(s.NetworkData, FindModel(s.clockConnection.ClockType));
        });
    }

    void Apply(const ReceiveFlags& f)
    {
        ProgramState& s = PanelTestAccess::State(*panel);
        s.SearchInProgress = f.searchInProgress;
        s.SettingsRequested = f.settingsRequested;
        s.SendingSettings = f.sendingSettings;
        s.UpdatePCclock = f.updatePcClock ? 1 : 0;
        s.clockConnection.ClockType = qint16(f.clockType);
        s.clockConnection.IPaddress = QStringLiteral("127.0.0.1");
        panel->ApplyConnection();
    }

    std::unique_ptr<Panel> panel;

private:
    static QTemporaryDir& Dir()
    {
        static QTemporaryDir dir;
        return dir;
    }
};

} // namespace fuzz
