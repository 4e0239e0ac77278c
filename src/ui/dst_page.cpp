// SPDX-License-Identifier: GPL-3.0-or-later
// The "DST" page of the main window: the DST mode, automatic DST, and the
// button that opens the DST dates editor once the clock has reported its tables.
#include "app/panel.h"
#include "ui/frmControlPanel.h"
#include "ui/frmDST.h"
#include "ui/page_builders.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tarvo
{

namespace
{

// Lives as long as the window and receives the clock's DST records.
class DstPage : public QObject
{
public:
    DstPage(frmControlPanel& window, QPushButton* cmdDST)
        : QObject(&window), m_window(window), m_cmdDST(cmdDST)
    {
    }

    // The core took the clock's tables; an open editor keeps what it showed
    // when it opened.
    void ParseDSTDates() { m_cmdDST->setEnabled(true); }

    void cmdDST_Click()
    {
        // Opened over the main window's corner; modal for the whole program
        // but without a nested event loop, so receiving goes on unchanged.
        if (auto* open = m_window.findChild<frmDST*>(); open && open->isVisible()) {
            open->raise();
            open->activateWindow();
            return;
        }
        auto* editor = new frmDST(m_window.Core(), &m_window);
        editor->setAttribute(Qt::WA_DeleteOnClose);
        editor->setWindowModality(Qt::ApplicationModal);
        editor->move(m_window.pos());
        editor->show();
    }

private:
    frmControlPanel& m_window;
    QPushButton* m_cmdDST;
};

QRadioButton* MakeOption(QWidget* parent, const char* name, const QString& caption)
{
    auto* option = new QRadioButton(caption, parent);
    option->setObjectName(QLatin1String(name));
    return option;
}

} // namespace

void BuildDstPage(frmControlPanel& window)
{
    QWidget* page = window.TabPage(frmControlPanel::PageDST);
    auto* column = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    column->addLayout(row);
    column->addStretch(1);

    auto* mode = new QGroupBox(QStringLiteral("DST Mode:"), page);
    mode->setObjectName(QStringLiteral("frameDSTMode"));
    auto* modeLayout = new QVBoxLayout(mode);
    QRadioButton* custom = MakeOption(mode, "optDSTcustom", QStringLiteral("Custom Dates"));
    QRadioButton* fixed = MakeOption(mode, "optDSTdefault", QStringLiteral("Default Dates"));
    modeLayout->addWidget(custom);
    modeLayout->addWidget(fixed);
    row->addWidget(mode, 0, Qt::AlignTop);

    auto* side = new QVBoxLayout;
    auto* autoDst = new QCheckBox(QStringLiteral("Auto DST"), page);
    autoDst->setObjectName(QStringLiteral("chkAutoDST"));
    auto* cmdDST = new QPushButton(QStringLiteral("Edit Custom Dates"), page);
    cmdDST->setObjectName(QStringLiteral("cmdDST"));
    cmdDST->setEnabled(false); // no tables to edit before the clock reports them
    side->addWidget(autoDst);
    side->addWidget(cmdDST);
    side->addStretch(1);
    row->addLayout(side);
    row->addStretch(1);

    Panel& panel = window.Core();
    for (QRadioButton* option : {custom, fixed}) {
        QObject::connect(option, &QRadioButton::toggled, option, [&panel, custom] {
            panel.EditSettings(
                [custom](ClockSettings& s) { s.DSTCustom = custom->isChecked() ? 1 : 0; });
        });
    }
    QObject::connect(autoDst, &QCheckBox::toggled, autoDst, [&panel](bool ticked) {
        panel.EditSettings([ticked](ClockSettings& s) { s.AutoDST = ticked ? 1 : 0; });
    });

    auto* dstPage = new DstPage(window, cmdDST);
    dstPage->setObjectName(QStringLiteral("dstPage"));
    QObject::connect(&panel, &Panel::DstDatesReceived, dstPage, &DstPage::ParseDSTDates);
    QObject::connect(cmdDST, &QPushButton::clicked, dstPage, &DstPage::cmdDST_Click);
}

} // namespace tarvo
