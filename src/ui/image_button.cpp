// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/image_button.h"

#include <QPainter>
#include <QPainterPath>

namespace tarvo
{

namespace
{
constexpr int kSize = 28;

// Draws the symbol of a button; a pressed picture is darker and sunk by a pixel.
QPixmap Draw(ImageButton::Symbol symbol, bool pressed)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const int shift = pressed ? 1 : 0;
    p.translate(shift, shift);
    const QColor face = symbol == ImageButton::Symbol::Defaults ? QColor(190, 60, 50)
                        : symbol == ImageButton::Symbol::Resync ? QColor(40, 120, 60)
                                                                : QColor(40, 90, 170);
    p.setPen(QPen(face.darker(160), 1.5));
    p.setBrush(pressed ? face.darker(140) : face);
    p.drawEllipse(QRectF(2, 2, kSize - 5, kSize - 5));
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QPointF c(kSize / 2.0 - 0.5, kSize / 2.0 - 0.5);
    switch (symbol) {
    case ImageButton::Symbol::Send: {
        // An arrow pointing right: the settings go to the clock.
        p.drawLine(c + QPointF(-6, 0), c + QPointF(6, 0));
        p.drawLine(c + QPointF(1, -5), c + QPointF(6, 0));
        p.drawLine(c + QPointF(1, 5), c + QPointF(6, 0));
        break;
    }
    case ImageButton::Symbol::Resync: {
        // A circular arrow: run the time code resync now.
        p.drawArc(QRectF(c.x() - 6, c.y() - 6, 12, 12), 60 * 16, 280 * 16);
        p.drawLine(c + QPointF(3, -5.2), c + QPointF(7, -7));
        p.drawLine(c + QPointF(3, -5.2), c + QPointF(4.5, -1));
        break;
    }
    case ImageButton::Symbol::Defaults: {
        // An arrow turning back: back to the factory settings.
        QPainterPath path;
        path.moveTo(c + QPointF(6, 5));
        path.lineTo(c + QPointF(6, -1));
        path.quadTo(c + QPointF(6, -5), c + QPointF(1, -5));
        path.lineTo(c + QPointF(-6, -5));
        p.drawPath(path);
        p.drawLine(c + QPointF(-6, -5), c + QPointF(-2, -9));
        p.drawLine(c + QPointF(-6, -5), c + QPointF(-2, -1));
        break;
    }
    }
    return pixmap;
}

ImageButton::Symbol SymbolOfPicture(int number)
{
    if (number <= 2)
        return ImageButton::Symbol::Send;
    if (number <= 4)
        return ImageButton::Symbol::Resync;
    return ImageButton::Symbol::Defaults;
}
} // namespace

ImageButton::ImageButton(Symbol symbol, const QString& caption, QWidget* parent)
    : QPushButton(caption, parent), m_released(Draw(symbol, false)), m_pressed(Draw(symbol, true))
{
    setAccessibleName(caption);
    setFocusPolicy(Qt::StrongFocus);
    setIconSize(QSize(kSize, kSize));
    setAutoDefault(false);
    ShowPicture(false);
    // pressed/released also follow the space key, so the picture tracks the
    // button whichever way it is worked.
    connect(this, &QAbstractButton::pressed, this, [this] { ShowPicture(true); });
    connect(this, &QAbstractButton::released, this, [this] { ShowPicture(false); });
}

QPixmap ImageButton::Picture(int number)
{
    return Draw(SymbolOfPicture(number), number % 2 == 0);
}

void ImageButton::ShowPicture(bool pressed)
{
    m_showsPressed = pressed;
    setIcon(QIcon(pressed ? m_pressed : m_released));
}

} // namespace tarvo
