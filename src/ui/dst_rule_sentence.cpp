// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dst_rule_sentence.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

namespace tarvo
{

namespace
{
// Long lists (24 hours) scroll instead of covering the whole window.
constexpr int kVisibleItems = 8;

// Looks like a hyperlink in the sentence but stays a button for the keyboard;
// the transparent border keeps the text still when the focus frame appears.
const char* const kLinkStyle = "QPushButton { border: 1px solid transparent; padding: 1px 2px;"
                               " color: palette(link); text-decoration: underline;"
                               " background: transparent; }"
                               "QPushButton:focus { border: 1px dotted palette(text); }";
} // namespace

DstRulePicker::DstRulePicker(QWidget* wordParent, QWidget* window, const QString& labelName,
                             const QString& listName, const QString& spoken,
                             const QStringList& items)
    : QObject(window), m_window(window), m_spoken(spoken)
{
    m_label = new QPushButton(wordParent);
    m_label->setObjectName(labelName);
    m_label->setFlat(true);
    m_label->setStyleSheet(QLatin1String(kLinkStyle));
    m_label->setCursor(Qt::PointingHandCursor);
    m_label->setAutoDefault(true); // Enter opens the list like Space does
    m_label->setToolTip(spoken);

    m_list = new QListWidget(window);
    m_list->setObjectName(listName);
    m_list->addItems(items);
    m_list->setAccessibleName(spoken);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->hide();
    m_list->installEventFilter(this);

    connect(m_label, &QPushButton::clicked, this, &DstRulePicker::Opened);
    connect(m_list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { Choose(m_list->row(item)); });
}

void DstRulePicker::SetCaption(const QString& caption)
{
    m_label->setText(caption);
    m_label->setAccessibleName(m_spoken + QStringLiteral(": ") + caption);
    const auto found = m_list->findItems(caption, Qt::MatchExactly);
    if (!found.isEmpty())
        m_list->setCurrentItem(found.first());
}

void DstRulePicker::ShowList()
{
    PlaceList();
    m_list->show();
    m_list->raise();
    m_list->setFocus(Qt::PopupFocusReason);
    if (m_list->currentItem())
        m_list->scrollToItem(m_list->currentItem(), QAbstractItemView::PositionAtCenter);
}

void DstRulePicker::HideList()
{
    m_list->hide();
}

void DstRulePicker::PlaceList()
{
    const int frame = 2 * m_list->frameWidth();
    const int rows = qMin(m_list->count(), kVisibleItems);
    int width = m_list->sizeHintForColumn(0) + frame + 8;
    if (m_list->count() > rows)
        width += m_list->verticalScrollBar()->sizeHint().width();
    width = qMax(width, m_label->width());
    const int height = rows * m_list->sizeHintForRow(0) + frame;

    QPoint at = m_label->mapTo(m_window, QPoint(0, m_label->height()));
    // Keep the whole list inside the window: open upwards near the bottom.
    if (at.y() + height > m_window->height())
        at.setY(qMax(0, at.y() - m_label->height() - height));
    at.setX(qMax(0, qMin(at.x(), m_window->width() - width)));
    m_list->setGeometry(at.x(), at.y(), width, height);
}

void DstRulePicker::Choose(int row)
{
    if (row < 0 || row >= m_list->count())
        return;
    m_label->setFocus(Qt::OtherFocusReason);
    SetCaption(m_list->item(row)->text());
    HideList();
    Q_EMIT Chosen(row);
}

bool DstRulePicker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_list)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            // Handled here: the list would pass Enter on to the window, whose
            // default button would then be pressed as well.
            Choose(m_list->currentRow());
            return true;
        }
        if (key == Qt::Key_Escape) {
            m_label->setFocus(Qt::OtherFocusReason);
            HideList();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        // Tabbing or clicking elsewhere closes the list; a window switch does not.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            HideList();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tarvo
