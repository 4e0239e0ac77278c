// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/clock_layout_plan.h"

#include "clock/clock_model.h"
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

PageLayoutPlan PlanPageLayout(bool networkSettingsPresent, const ClockModel* model)
{
    PageLayoutPlan plan;
    for (int page :
         {LayoutPage::Primary, LayoutPage::SMPTE, LayoutPage::SyncRelays, LayoutPage::DST})
        plan.pageEnabled[page] = true;
    plan.pageEnabled[LayoutPage::Network] = networkSettingsPresent;
    plan.pageEnabled[LayoutPage::Password] = networkSettingsPresent;

    if (!model)
        return plan;
    const bool broadcast = model->networkGroup == NetworkModelGroup::Broadcast;
    const bool servers = model->networkGroup == NetworkModelGroup::Servers;
    plan.pageEnabled[LayoutPage::NTPServer] = servers && networkSettingsPresent;
    plan.pageEnabled[LayoutPage::Broadcast] = broadcast && networkSettingsPresent;
    plan.pageEnabled[LayoutPage::Modem] = model->modem;
    plan.nudgeVisible = model->nudges;
    plan.polarityVisible = model->inputPolarity;
    if (model->timeZoneOnlyForNtp) {
        plan.timeZoneEnabled = networkSettingsPresent;
        plan.timeZoneToolTip = networkSettingsPresent ? TimeZoneNtpToolTip : TimeZoneNtpOnlyToolTip;
    } else {
        plan.timeZoneEnabled = true;
        plan.timeZoneToolTip = TimeZoneToolTip;
    }
    return plan;
}

} // namespace tarvo
