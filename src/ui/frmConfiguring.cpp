// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmConfiguring.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTimer>

namespace tarvo
{

namespace
{
constexpr int kFrameMilliseconds = 80;
constexpr int kStepsPerTurn = 60;
} // namespace

ClockAnimation::ClockAnimation(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Animation1"));
    setAccessibleName(QStringLiteral("Working"));
    setFixedSize(sizeHint());
    m_frames = new QTimer(this);
    m_frames->setInterval(kFrameMilliseconds);
    connect(m_frames, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % kStepsPerTurn;
        update();
    });
    m_frames->start();
}

void ClockAnimation::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(width(), height()) - 4;
    p.translate(width() / 2.0, height() / 2.0);
    p.setPen(QPen(palette().color(QPalette::WindowText), 2));
    p.setBrush(palette().color(QPalette::Base));
    p.drawEllipse(QPointF(0, 0), side / 2, side / 2);
    for (int h = 0; h < 12; ++h) {
        p.save();
        p.rotate(h * 30.0);
        p.drawLine(QPointF(0, -side / 2 + 2), QPointF(0, -side / 2 + 6));
        p.restore();
    }
    // The minute hand turns once per loop, the hour hand a twelfth as fast.
    p.save();
    p.rotate(m_step * 360.0 / kStepsPerTurn / 12.0);
    p.drawLine(QPointF(0, 0), QPointF(0, -side / 4));
    p.restore();
    p.save();
    p.setPen(QPen(QColor(200, 0, 0), 2));
    p.rotate(m_step * 360.0 / kStepsPerTurn);
    p.drawLine(QPointF(0, 0), QPointF(0, -side / 2 + 8));
    p.restore();
}

frmConfiguring::frmConfiguring(QWidget* parent, int milliseconds) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmConfiguring"));
    setWindowTitle(QStringLiteral("Tarvo Control Panel"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    auto* row = new QHBoxLayout(this);
    auto* animation = new ClockAnimation(this);
    auto* label = new QLabel(QStringLiteral("Updating Network Settings ...."), this);
    label->setObjectName(QStringLiteral("lblUpdating"));
    QFont bigger = label->font();
    bigger.setPointSize(bigger.pointSize() + 2);
    label->setFont(bigger);
    row->addWidget(animation);
    row->addWidget(label);
    row->setContentsMargins(24, 18, 24, 18);
    row->setSpacing(16);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setSingleShot(true);
    m_timer1->setInterval(milliseconds);
    connect(m_timer1, &QTimer::timeout, this, [this] {
        m_timeUp = true;
        accept();
    });
    m_timer1->start();
}

void frmConfiguring::CentreOver(const QWidget* owner)
{
    adjustSize();
    if (!owner)
        return;
    const QRect frame = owner->frameGeometry();
    move(frame.left() + (frame.width() - width()) / 2,
         frame.top() + (frame.height() - height()) / 2);
}

void frmConfiguring::reject()
{
    // Escape would cut the wait short while the clock is still restarting.
    if (m_timeUp)
        QDialog::reject();
}

void frmConfiguring::closeEvent(QCloseEvent* event)
{
    if (m_timeUp)
        event->accept();
    else
        event->ignore();
}

} // namespace tarvo
