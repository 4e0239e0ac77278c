// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <array>
#include <optional>

namespace tarvo
{

struct ClockModel;

// What the main window shows for a link state and a clock model, decided
// without widgets so every combination can be checked directly. An empty
// optional means "leave that property as it is".

// Pages of the clock-settings tabs, in tab order.
namespace LayoutPage
{
inline constexpr int Primary = 0;
inline constexpr int SMPTE = 1;
inline constexpr int SyncRelays = 2;
inline constexpr int Network = 3;
inline constexpr int Broadcast = 4;
inline constexpr int NTPServer = 5;
inline constexpr int DST = 6;
inline constexpr int Password = 7;
inline constexpr int Modem = 8;
inline constexpr int Count = 9;
} // namespace LayoutPage

inline const QString TimeZoneToolTip = QStringLiteral("Sets the Time Zone offset relative to UTC");
inline const QString TimeZoneNtpToolTip = QStringLiteral("Used to calculate NTP time.");
inline const QString TimeZoneNtpOnlyToolTip = QStringLiteral("Only needed for NTP option.");

struct LinkLayoutInput {
    bool clockFound = false;
    bool passwordRefused = false;
    bool passwordPromptShown = false;
    int connectionType = 0;
};

// Visibility of the six status regions of the window.
struct RegionVisibility {
    bool frameSerial = false;
    bool frameClockTimeSettings = false;
    bool frameNotfound = false;
    bool framePassword = false;
    bool imgClock = false;
    bool lblClockFound = false;
    bool operator==(const RegionVisibility&) const = default;
};

struct LinkLayoutPlan {
    std::optional<RegionVisibility> regions; // empty: every region stays as it is
    // The password prompt appears for a new refusal: focus it once.
    bool focusPasswordPrompt = false;
    // "Connected to " and the clock's address.
    bool showConnectedCaption = false;
};

LinkLayoutPlan PlanLinkLayout(const LinkLayoutInput& input);

struct PageLayoutPlan {
    std::array<std::optional<bool>, LayoutPage::Count> pageEnabled{};
    std::optional<bool> nudgeVisible;
    std::optional<bool> polarityVisible;
    std::optional<bool> timeZoneEnabled;
    std::optional<QString> timeZoneToolTip;
};

PageLayoutPlan PlanPageLayout(bool networkSettingsPresent, const ClockModel* model);

} // namespace tarvo
