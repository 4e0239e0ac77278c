// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ip_address_edit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace tarvo
{

IpAddressEdit::IpAddressEdit(const QString& caption, QWidget* parent) : QWidget(parent)
{
    setAccessibleName(caption);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    const int width = fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 10;
    for (int i = 0; i < 4; ++i) {
        auto* f = new QLineEdit(this);
        f->setObjectName(QStringLiteral("octet%1").arg(i + 1));
        f->setAccessibleName(QStringLiteral("%1 octet %2").arg(caption).arg(i + 1));
        f->setMaxLength(3);
        f->setValidator(new QIntValidator(0, 255, f));
        f->setAlignment(Qt::AlignCenter);
        f->setFixedWidth(width);
        f->setText(QStringLiteral("0"));
        f->installEventFilter(this);
        connect(f, &QLineEdit::textEdited, this, [this, i] { OnEdited(i); });
        m_fields[i] = f;
        if (i > 0)
            row->addWidget(new QLabel(QStringLiteral("."), this));
        row->addWidget(f);
    }
    row->addStretch(1);
    setFocusProxy(m_fields[0]);
}

QString IpAddressEdit::text() const
{
    const auto o = octets();
    return QStringLiteral("%1.%2.%3.%4").arg(o[0]).arg(o[1]).arg(o[2]).arg(o[3]);
}

std::array<quint8, 4> IpAddressEdit::octets() const
{
    std::array<quint8, 4> out{};
    for (int i = 0; i < 4; ++i) {
        const int v = m_fields[i]->text().toInt();
        out[i] = static_cast<quint8>(qBound(0, v, 255));
    }
    return out;
}

void IpAddressEdit::setText(const QString& dotted)
{
    const QStringList parts = dotted.trimmed().split(QLatin1Char('.'));
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const int v = i < parts.size() ? parts[i].toInt(&ok) : 0;
        m_fields[i]->setText(QString::number(ok && v >= 0 && v <= 255 ? v : 0));
    }
}

void IpAddressEdit::setField(int position, int value)
{
    if (position < 1 || position > 4 || value < 0 || value > 255)
        return;
    m_fields[position - 1]->setText(QString::number(value));
    Q_EMIT fieldChanged(position, value);
}

QLineEdit* IpAddressEdit::field(int position) const
{
    return position >= 1 && position <= 4 ? m_fields[position - 1] : nullptr;
}

void IpAddressEdit::OnEdited(int index)
{
    QLineEdit* f = m_fields[index];
    // The validator lets "256" through as intermediate text; an octet never
    // shows more than it can hold, so it becomes 255, as the record does.
    bool ok = false;
    int v = f->text().isEmpty() ? 0 : f->text().toInt(&ok);
    if (!f->text().isEmpty() && !ok)
        return;
    if (v > 255) {
        v = 255;
        f->setText(QStringLiteral("255"));
    }
    Q_EMIT fieldChanged(index + 1, v);
    if (f->text().size() == 3 && index < 3 && f->cursorPosition() == 3) {
        m_fields[index + 1]->setFocus();
        m_fields[index + 1]->selectAll();
        m_advancedTo = index + 1;
    }
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        for (int i = 0; i < 4; ++i) {
            if (watched == m_fields[i] && m_fresh != i) {
                m_fresh = i;
                if (m_advancedTo != i)
                    m_advancedTo = -1;
            }
        }
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        for (int i = 0; i < 4; ++i) {
            if (watched != m_fields[i])
                continue;
            const bool dot = key->key() == Qt::Key_Period || key->key() == Qt::Key_Space;
            // "192." types the dot the three digits already moved past.
            const bool expectedDot = dot && m_advancedTo == i;
            m_advancedTo = -1;
            if (expectedDot)
                return true;
            // A dot moves on like the usual address entries do.
            if (dot && i < 3) {
                m_fields[i + 1]->setFocus();
                m_fields[i + 1]->selectAll();
                return true;
            }
            // The "0" a field shows is a placeholder: the first digit typed
            // replaces it rather than following it ("01", "019").
            const bool digit = key->text().size() == 1 && key->text()[0].isDigit();
            if (digit && m_fresh == i) {
                QLineEdit* f = m_fields[i];
                const bool onlyZeros =
                    !f->text().isEmpty() && f->text().count(QLatin1Char('0')) == f->text().size();
                if (onlyZeros && !f->hasSelectedText())
                    f->clear();
            }
            if (digit)
                m_fresh = -1;
            if (key->key() == Qt::Key_Backspace && i > 0 && m_fields[i]->cursorPosition() == 0 &&
                !m_fields[i]->hasSelectedText()) {
                m_fields[i - 1]->setFocus();
                m_fields[i - 1]->end(false);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tarvo
