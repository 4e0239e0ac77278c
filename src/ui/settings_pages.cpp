// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the clock-settings pages and wires them to the program core.
#include "app/panel.h"
#include "clock/master_settings.h"
#include "ui/frmControlPanel.h"
#include "ui/page_builders.h"
#include "ui/settings_controls.h"

#include <QComboBox>
#include <QGroupBox>
#include <QSignalBlocker>

namespace tarvo
{

namespace
{

// Keeps the gathered controls for the life of the window.
class SettingsPages : public QObject
{
public:
    explicit SettingsPages(frmControlPanel& window) : QObject(&window), m_window(window) {}
    SettingsControls controls;
    void OnSettingsDecoded(const MasterSettingsView& view)
    {
        ParseMasterSettings(m_window, controls, view);
    }

private:
    frmControlPanel& m_window;
};

constexpr auto kPagesName = "clockSettingsPages";

} // namespace

const SettingsControls* ClockSettingsControls(const frmControlPanel& window)
{
    // The holder has no meta-object of its own; its name is the one way to it.
    QObject* holder =
        window.findChild<QObject*>(QLatin1String(kPagesName), Qt::FindDirectChildrenOnly);
    return holder ? &static_cast<SettingsPages*>(holder)->controls : nullptr;
}

void BuildClockSettingsPages(frmControlPanel& window)
{
    auto* pages = new SettingsPages(window);
    pages->setObjectName(QLatin1String(kPagesName));
    SettingsControls& c = pages->controls;
    BuildPrimaryPage(window.TabPage(frmControlPanel::PagePrimary), c);
    BuildSMPTEPage(window.TabPage(frmControlPanel::PageSMPTE), c);
    BuildSyncRelaysPage(window.TabPage(frmControlPanel::PageSyncRelays), c);
    BuildPasswordPage(window.TabPage(frmControlPanel::PagePassword), c);
    BuildModemPage(window.TabPage(frmControlPanel::PageModem), c);
    BuildSettingsButtons(window.FrameClockTimeSettings(), c);
    window.SetCmdSendTime(c.cmdSendTime);
    window.SetTimePickers(c.pickers);

    Panel& panel = window.Core();
    ConnectEditHandlers(panel, c);
    ConnectCommandHandlers(window, c);
    ConnectTabFocusRules(window);
    QObject::connect(&panel, &Panel::SettingsDecoded, pages, &SettingsPages::OnSettingsDecoded);
    QObject::connect(&panel, &Panel::PagesDifferChanged, pages, [&window, c](bool differ) {
        c.lblUnsent->setVisible(differ);
        window.RefreshLinkState();
    });
}

void frmControlPanel::InitializeSecondOffsetCombo(const ClockModel* model)
{
    auto* list = findChild<QComboBox*>(QStringLiteral("cmbSecondOffset"));
    if (!list)
        return;
    // Rebuilding the list is not an edit: the working offset stays what the
    // clock last sent, and the list shows no entry until a record selects one.
    const QSignalBlocker quiet(list);
    list->clear();
    for (const ListEntry& entry : SecondOffsetEntries(model))
        list->addItem(entry.caption, entry.data);
    list->setCurrentIndex(-1);
    // A model without second offsets (the 207) leaves an empty list, which
    // would look like a choice that is merely unset.
    list->setEnabled(list->count() > 0);
    list->setToolTip(list->count() > 0 ? QString()
                                       : QStringLiteral("This clock model has no second offset"));
}

} // namespace tarvo
