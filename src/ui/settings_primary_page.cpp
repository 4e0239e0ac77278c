// SPDX-License-Identifier: GPL-3.0-or-later
// The "Primary" page: setting the clock's time and date, the time zone, hour
// and display formats, the time offsets and the nudge buttons.
#include "clock/master_settings.h"
#include "ui/settings_controls.h"
#include "ui/settings_widgets.h"
#include "ui/time_pickers.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace tarvo
{

namespace
{

QGroupBox* BuildSetTimeDate(QWidget* page, SettingsControls& c)
{
    auto* frame = Named<QGroupBox>(page, "frameSetTimeDate", QStringLiteral("Set Time and Date:"));
    auto* grid = new QGridLayout(frame);
    c.dtpTime = Named<QTimeEdit>(frame, "dtpTime");
    c.dtpTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    c.dtpDate = Named<QDateEdit>(frame, "dtpDate");
    c.dtpDate->setCalendarPopup(true);
    // Month first, as the clock's and the computer's date labels read.
    c.dtpDate->setDisplayFormat(QStringLiteral("MM-dd-yyyy"));
    // The clock counts years from 2000.
    c.dtpDate->setMinimumDate(QDate(2000, 1, 1));
    c.cmdSendTime = Named<QPushButton>(frame, "cmdSendTime", QStringLiteral("Update Now"));
    c.cmdSendTime->setAutoDefault(false);
    c.cmdTimeNow = Named<QPushButton>(frame, "cmdTimeNow", QStringLiteral("Now"));
    c.cmdTimeNow->setAutoDefault(false);
    c.cmdTimeNow->setToolTip(QStringLiteral("Follow the computer's clock again"));
    c.cmdTimeNow->setAccessibleDescription(c.cmdTimeNow->toolTip());
    c.pickers = new TimePickers(c.dtpTime, c.dtpDate, c.cmdTimeNow);
    AddRow(grid, 0, QStringLiteral("Time:"), c.dtpTime);
    grid->addWidget(c.cmdTimeNow, 0, 2);
    AddRow(grid, 1, QStringLiteral("Date:"), c.dtpDate);
    grid->addWidget(c.cmdSendTime, 2, 1);
    return frame;
}

QGroupBox* BuildTimeSettings(QWidget* page, SettingsControls& c)
{
    auto* frame = new QGroupBox(QStringLiteral("Time Settings:"), page);
    auto* layout = new QGridLayout(frame);
    c.cmbTimeZone = Named<QComboBox>(frame, "cmbTimeZone");
    for (const ListEntry& entry : TimeZoneEntries())
        c.cmbTimeZone->addItem(entry.caption, entry.data);
    c.cmbTimeZone->setToolTip(QStringLiteral("Sets the Time Zone offset relative to UTC"));
    AddRow(layout, 0, QStringLiteral("Timezone:"), c.cmbTimeZone);

    auto* hourFormat = new QWidget(frame);
    auto* hourRow = new QHBoxLayout(hourFormat);
    hourRow->setContentsMargins(0, 0, 0, 0);
    c.opt24HourMode = Named<QRadioButton>(hourFormat, "opt24HourMode", QStringLiteral("24 Hour"));
    c.opt12HourMode = Named<QRadioButton>(hourFormat, "opt12HourMode", QStringLiteral("12 Hour"));
    hourRow->addWidget(c.opt24HourMode);
    hourRow->addWidget(c.opt12HourMode);
    hourRow->addStretch(1);
    auto* hourCaption = new QLabel(QStringLiteral("TC 89 Hour Format:"), frame);
    hourCaption->setBuddy(c.opt24HourMode);
    hourFormat->setAccessibleName(hourCaption->text());
    layout->addWidget(hourCaption, 1, 0);
    layout->addWidget(hourFormat, 1, 1);

    auto* display = new QGroupBox(QStringLiteral("Display Format:"), frame);
    auto* displayRow = new QHBoxLayout(display);
    c.optDisplay12Hour =
        Named<QRadioButton>(display, "optDisplay12Hour", QStringLiteral("12 Hour"));
    c.optDisplay24Hour =
        Named<QRadioButton>(display, "optDisplay24Hour", QStringLiteral("24 Hour"));
    displayRow->addWidget(c.optDisplay12Hour);
    displayRow->addWidget(c.optDisplay24Hour);
    displayRow->addStretch(1);
    layout->addWidget(display, 2, 0, 1, 2);
    return frame;
}

QGroupBox* BuildOffsets(QWidget* page, SettingsControls& c)
{
    auto* frame = new QGroupBox(QStringLiteral("Time Offset:"), page);
    auto* grid = new QGridLayout(frame);
    c.cmbSecondOffset = Named<QComboBox>(frame, "cmbSecondOffset");
    // Until a clock tells its model, the list is the 226's.
    for (const ListEntry& entry : SecondOffsetEntries(&AllModels().front()))
        c.cmbSecondOffset->addItem(entry.caption, entry.data);
    c.cmbSubSecondOffset = Named<QComboBox>(frame, "cmbSubSecondOffset");
    for (const ListEntry& entry : SubSecondEntries())
        c.cmbSubSecondOffset->addItem(entry.caption, entry.data);
    AddRow(grid, 0, QStringLiteral("Second Offset:"), c.cmbSecondOffset);
    AddRow(grid, 1, QStringLiteral("Millisecond Offset:"), c.cmbSubSecondOffset);
    return frame;
}

QPushButton* NudgeButton(QWidget* parent, const char* name, const QString& caption,
                         const QString& tip, const QString& spoken)
{
    auto* button = Named<QPushButton>(parent, name, caption);
    button->setToolTip(tip);
    button->setAccessibleName(spoken);
    button->setAutoDefault(false);
    return button;
}

QGroupBox* BuildNudge(QWidget* page, SettingsControls& c)
{
    c.frameNudgeTime = Named<QGroupBox>(page, "frameNudgeTime", QStringLiteral("Time Offset:"));
    auto* layout = new QHBoxLayout(c.frameNudgeTime);
    auto* hour = new QGroupBox(QStringLiteral("Adjust Hour:"), c.frameNudgeTime);
    auto* hourRow = new QHBoxLayout(hour);
    c.cmdAdvanceSecond =
        NudgeButton(hour, "cmdAdvanceSecond", QStringLiteral("Advance"),
                    QStringLiteral("Advances clock by 1 hour"), QStringLiteral("Advance hour"));
    c.cmdRetardSecond =
        NudgeButton(hour, "cmdRetardSecond", QStringLiteral("Retard"),
                    QStringLiteral("Retards clock by 1 hour"), QStringLiteral("Retard hour"));
    hourRow->addWidget(c.cmdAdvanceSecond);
    hourRow->addWidget(c.cmdRetardSecond);
    auto* sub = new QGroupBox(QStringLiteral("Adjust Subseconds:"), c.frameNudgeTime);
    auto* subRow = new QHBoxLayout(sub);
    c.cmdAdvanceSubsecond = NudgeButton(sub, "cmdAdvanceSubsecond", QStringLiteral("Advance"),
                                        QStringLiteral("Advances clock by 5 milliseconds"),
                                        QStringLiteral("Advance subseconds"));
    c.cmdRetardSubsecond = NudgeButton(sub, "cmdRetardSubsecond", QStringLiteral("Retard"),
                                       QStringLiteral("Retards clock by 5 milliseconds"),
                                       QStringLiteral("Retard subseconds"));
    subRow->addWidget(c.cmdAdvanceSubsecond);
    subRow->addWidget(c.cmdRetardSubsecond);
    layout->addWidget(hour);
    layout->addWidget(sub);
    return c.frameNudgeTime;
}

} // namespace

void BuildPrimaryPage(QWidget* page, SettingsControls& c)
{
    auto* grid = new QGridLayout(page);
    grid->addWidget(BuildSetTimeDate(page, c), 0, 0);
    grid->addWidget(BuildTimeSettings(page, c), 0, 1, 2, 1);
    grid->addWidget(BuildOffsets(page, c), 1, 0);
    grid->addWidget(BuildNudge(page, c), 2, 0, 1, 2);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(1, 1);
}

} // namespace tarvo
