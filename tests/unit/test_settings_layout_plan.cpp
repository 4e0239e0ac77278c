// SPDX-License-Identifier: GPL-3.0-or-later
// Which regions, pages and fields the main window shows for each link state
// and clock model.
#include "app/clock_layout_plan.h"
#include "clock/clock_model.h"
#include "connect/clock_connection.h"
#include "support/test_registry.h"

#include <QTest>

using namespace tarvo;

using Regions = RegionVisibility;
Q_DECLARE_METATYPE(std::optional<RegionVisibility>)

class TestSettingsLayoutPlan : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void linkState_data();
    void linkState();
    void unknownModelsLeaveModelFieldsAlone();
};

void TestSettingsLayoutPlan::linkState_data()
{
    QTest::addColumn<bool>("found");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<bool>("promptShown");
    QTest::addColumn<int>("connection");
    QTest::addColumn<std::optional<RegionVisibility>>("regions");
    QTest::addColumn<bool>("focusPrompt");
    QTest::addColumn<bool>("caption");

    const Regions notFound{.frameNotfound = true};
    const Regions serial{.frameSerial = true, .frameClockTimeSettings = true};
    const Regions prompt{.framePassword = true};
    const Regions network{.frameClockTimeSettings = true, .imgClock = true, .lblClockFound = true};
    using Opt = std::optional<RegionVisibility>;
    // Not found wins over everything, even a refusal waiting on a network link.
    for (int connection : {0, 1, 7}) {
        QTest::addRow("not found, link %d", connection)
            << false << true << false << connection << Opt(notFound) << false << false;
    }
    QTest::newRow("serial ignores password flags")
        << true << true << false << 0 << Opt(serial) << false << false;
    QTest::newRow("network refused, first time")
        << true << true << false << 1 << Opt(prompt) << true << false;
    QTest::newRow("network refused, prompt already up")
        << true << true << true << 1 << Opt() << false << false;
    QTest::newRow("network accepted")
        << true << false << false << 1 << Opt(network) << false << true;
    QTest::newRow("network accepted after a prompt")
        << true << false << true << 1 << Opt(network) << false << true;
    QTest::newRow("other link type") << true << false << false << 2 << Opt() << false << false;
}

void TestSettingsLayoutPlan::linkState()
{
    QFETCH(bool, found);
    QFETCH(bool, refused);
    QFETCH(bool, promptShown);
    QFETCH(int, connection);
    QFETCH(std::optional<RegionVisibility>, regions);
    QFETCH(bool, focusPrompt);
    QFETCH(bool, caption);
    const LinkLayoutPlan plan = PlanLinkLayout({found, refused, promptShown, connection});
    QCOMPARE(plan.regions.has_value(), regions.has_value());
    if (regions)
        QVERIFY(*plan.regions == *regions);
    QCOMPARE(plan.focusPasswordPrompt, focusPrompt);
    QCOMPARE(plan.showConnectedCaption, caption);
}

void TestSettingsLayoutPlan::unknownModelsLeaveModelFieldsAlone()
{
    for (int code : {0, 5, -1}) {
        const PageLayoutPlan plan = PlanPageLayout(true, FindModel(code));
        QCOMPARE(plan.pageEnabled[LayoutPage::Network], std::optional<bool>(true));
        QCOMPARE(plan.pageEnabled[LayoutPage::Password], std::optional<bool>(true));
        QCOMPARE(plan.pageEnabled[LayoutPage::DST], std::optional<bool>(true));
        for (int page : {LayoutPage::Broadcast, LayoutPage::NTPServer, LayoutPage::Modem})
            QVERIFY(!plan.pageEnabled[page]);
        QVERIFY(!plan.nudgeVisible && !plan.polarityVisible && !plan.timeZoneEnabled &&
                !plan.timeZoneToolTip);
    }
}

TARVO_TEST_CLASS(TestSettingsLayoutPlan)
#include "test_settings_layout_plan.moc"
