#include "app/clock_layout_plan.h"

#include "connect/clock_connection.h"

namespace tarvo
{

LinkLayoutPlan PlanLinkLayout(const LinkLayoutInput& input)
{
    LinkLayoutPlan plan;
    if (!input.clockFound) {
        plan.regions = RegionVisibility{.frameNotfound = true};
        return plan;
    }
    if (input.connectionType == ConnectionKind::Serial) {
        plan.regions = RegionVisibility{.frameSerial = true, .frameClockTimeSettings = true};
        return plan;
    }
    if (input.connectionType != ConnectionKind::Network)
        return plan;
    if (!input.passwordRefused) {
        plan.regions = RegionVisibility{
            .frameClockTimeSettings = true, .imgClock = true, .lblClockFound = true};
        plan.showConnectedCaption = true;
    } else if (!input.passwordPromptShown) {
        plan.regions = RegionVisibility{.framePassword = true};
        plan.focusPasswordPrompt = true;
    }
    // A refusal whose prompt is already up leaves the operator's typing alone.
    return plan;
}

PageLayoutPlan PlanPageLayout(bool networkSettingsPresent, int clockType)
{
    PageLayoutPlan plan;
    for (int page :
         {LayoutPage::Primary, LayoutPage::SMPTE, LayoutPage::SyncRelays, LayoutPage::DST})
        plan.pageEnabled[page] = true;
    plan.pageEnabled[LayoutPage::Network] = networkSettingsPresent;
    plan.pageEnabled[LayoutPage::Password] = networkSettingsPresent;

    auto models = [&](bool broadcast, bool ntp, bool modem, bool nudgeAndPolarity) {
        plan.pageEnabled[LayoutPage::NTPServer] = ntp;
        plan.pageEnabled[LayoutPage::Broadcast] = broadcast;
        plan.pageEnabled[LayoutPage::Modem] = modem;
        plan.nudgeVisible = nudgeAndPolarity;
        plan.polarityVisible = nudgeAndPolarity;
    };
    switch (clockType) {
    case 1:
        models(networkSettingsPresent, false, false, false);
        break;
    case 2:
        models(false, networkSettingsPresent, false, false);
        break;
    case 3:
        models(networkSettingsPresent, false, false, true);
        break;
    case 4:
        models(false, false, true, false);
        break;
    default:
        return plan;
    }
    if (clockType == 3) {
        // The 207 needs its time zone only to serve NTP.
        plan.timeZoneEnabled = networkSettingsPresent;
        plan.timeZoneToolTip = networkSettingsPresent ? TimeZoneNtpToolTip : TimeZoneNtpOnlyToolTip;
    } else {
        plan.timeZoneEnabled = true;
        plan.timeZoneToolTip = TimeZoneToolTip;
    }
    return plan;
}

} // namespace tarvo
