// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmAddNetworkConnection.h"

#include "app/panel.h"
#include "ui/ip_address_edit.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvo
{

frmAddNetworkConnection::frmAddNetworkConnection(Panel& panel, QWidget* parent)
    : QDialog(parent), m_panel(panel)
{
    setObjectName(QStringLiteral("frmAddNetworkConnection"));
    setWindowTitle(QStringLiteral("Add Network Connection"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* caption = new QLabel(QStringLiteral("IP Address:"), this);
    m_ipAddress = new IpAddressEdit(QStringLiteral("IP Address:"), this);
    m_ipAddress->setObjectName(QStringLiteral("ipAddress"));
    caption->setBuddy(m_ipAddress);
    row->addWidget(caption);
    row->addWidget(m_ipAddress, 1);
    layout->addLayout(row);

    auto* buttons = new QHBoxLayout;
    auto* cmdConnect = new QPushButton(QStringLiteral("Connect"), this);
    cmdConnect->setObjectName(QStringLiteral("cmdConnect"));
    cmdConnect->setDefault(true);
    auto* cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setToolTip(QStringLiteral("Closes the window without connecting"));
    buttons->addStretch(1);
    buttons->addWidget(cmdConnect);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);
    connect(cmdConnect, &QPushButton::clicked, this, &frmAddNetworkConnection::Connect);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    // Wide enough for the title bar to show the whole title, which the
    // desktop follows with the program's name, beside its icon and buttons;
    // title bars use a bold font, often a little larger than the window's.
    QString shownTitle = windowTitle();
    if (!QGuiApplication::applicationDisplayName().isEmpty())
        shownTitle += QStringLiteral(" — ") + QGuiApplication::applicationDisplayName();
    QFont titleFont = font();
    titleFont.setBold(true);
    setMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(shownTitle) * 6 / 5 + 120);
    m_ipAddress->setFocus();
}

void frmAddNetworkConnection::Connect()
{
    m_panel.ConnectToAddress(m_ipAddress->text());
    accept();
}

} // namespace tarvo
