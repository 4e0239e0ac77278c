// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QPushButton>

namespace tarvo
{

// A push button shown as a picture that changes while it is held down, as the
// clock's own panel buttons do. It stays an ordinary button: focusable, worked
// with the keyboard, announced by its accessible name.
class ImageButton : public QPushButton
{
    Q_OBJECT
public:
    enum class Symbol { Send, Resync, Defaults };

    ImageButton(Symbol symbol, const QString& caption, QWidget* parent);

    // The pictures, 1-based as the image list numbers them: send released and
    // pressed are 1 and 2, resync 3 and 4, defaults 5 and 6.
    static QPixmap Picture(int number);
    bool ShowsPressedPicture() const { return m_showsPressed; }

private:
    void ShowPicture(bool pressed);

    QPixmap m_released;
    QPixmap m_pressed;
    bool m_showsPressed = false;
};

} // namespace tarvo
