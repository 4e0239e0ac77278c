// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

namespace tarvo
{

// What the program core asks of the main window. Every method has a harmless
// default so that tests can stand in for the window with only what they watch.
class PanelView
{
public:
    virtual ~PanelView() = default;

    virtual void ShowStatus(const QString& /*text*/) {}
    // lblIncomingTime: yellow on black when valid, black on button face when not.
    virtual void ShowIncomingTime(const QString& /*text*/, bool /*valid*/) {}
    // cmdSendTime disabled with the GPS tooltip when locked, enabled otherwise.
    virtual void ApplyGpsRule(bool /*locked*/) {}
    // Sets "Update PC Clock." (0 off, 1 on, 2 undetermined) without running its
    // click handling.
    virtual void SetUpdatePcState(int /*value*/) {}
    // Puts the time and date pickers to this moment.
    virtual void SeedPickers(const QDateTime& /*now*/) {}
    virtual void SetDisableNetworkConfigVisible(bool /*visible*/) {}
    virtual void UpdateClockLayout(bool /*clockFound*/, bool /*networkSettingsPresent*/,
                                   bool /*passwordRefused*/, int /*clockType*/)
    {
    }
    virtual void InitializeSecondOffsetCombo(int /*clockType*/) {}
    // The state changed in a way the layout may have to follow.
    virtual void StateChanged() {}
};

} // namespace tarvo
