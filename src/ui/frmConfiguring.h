// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QWidget>

#include "app/network_config.h"

class QTimer;

namespace tarvo
{

// A clock face whose hand sweeps round, standing in for a progress bar while
// the clock restarts its network interface.
class ClockAnimation : public QWidget
{
    Q_OBJECT
public:
    explicit ClockAnimation(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {64, 64}; }
    int Step() const { return m_step; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer* m_frames = nullptr;
    int m_step = 0;
};

// "Updating Network Settings ....": shown modally while the clock applies new
// network settings; it closes itself when the time is up and the operator
// cannot dismiss it earlier.
class frmConfiguring : public QDialog
{
    Q_OBJECT
public:
    explicit frmConfiguring(QWidget* parent = nullptr,
                            int milliseconds = int(ConfiguringWait.count()));

    // Centres the window over `owner`.
    void CentreOver(const QWidget* owner);

public Q_SLOTS:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QTimer* m_timer1 = nullptr;
    bool m_timeUp = false;
};

} // namespace tarvo
