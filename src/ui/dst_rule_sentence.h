// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QListWidget;
class QPushButton;
class QWidget;

namespace tarvo
{

// One word of a DST rule sentence ("Spring forward the [2nd] [Sun.] of ..."):
// a link-like button that shows the chosen item and the hidden list it opens.
// The button is a real button so the word can be reached with Tab, opened with
// Enter or Space and announced by a screen reader; the list floats over the
// window below the word and closes when it loses the focus.
class DstRulePicker : public QObject
{
    Q_OBJECT
public:
    // `wordParent` holds the button in its layout; the list floats on `window`.
    // `spoken` names the field for a screen reader ("Spring week of month").
    DstRulePicker(QWidget* wordParent, QWidget* window, const QString& labelName,
                  const QString& listName, const QString& spoken, const QStringList& items);

    QPushButton* Label() const { return m_label; }
    QListWidget* List() const { return m_list; }

    // The word shown; the list's current row follows it.
    void SetCaption(const QString& caption);
    void ShowList();
    void HideList();

Q_SIGNALS:
    // The word was clicked: the window closes every list, then calls ShowList.
    void Opened();
    // An item was chosen; the word already shows it and the list is hidden.
    void Chosen(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Choose(int row);
    void PlaceList();

    QWidget* m_window;
    QPushButton* m_label;
    QListWidget* m_list;
    QString m_spoken;
};

} // namespace tarvo
