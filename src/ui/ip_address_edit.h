// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>
#include <array>

class QLineEdit;

namespace tarvo
{

// An IPv4 address entry: four octet fields separated by dots. Typing a dot or
// three digits moves to the next field (a dot right after the three digits
// does not move again), and the first digit typed into a field that shows
// only zeros replaces them. Every change the operator makes to a
// field is reported with the field's position (1 to 4) and its value (0 to
// 255); filling the entry from code reports nothing, because the filler
// already holds the value it writes.
class IpAddressEdit : public QWidget
{
    Q_OBJECT
public:
    // `caption` names the entry for a screen reader; each field is announced as
    // "<caption> octet N".
    explicit IpAddressEdit(const QString& caption, QWidget* parent = nullptr);

    // Dotted text of the four fields; an empty field reads as 0.
    QString text() const;
    // Fills the fields from dotted text; parts that are missing or not an
    // octet leave their field at 0.
    void setText(const QString& dotted);
    std::array<quint8, 4> octets() const;
    // Sets one field (1 to 4) as if the operator had typed the value.
    void setField(int position, int value);
    QLineEdit* field(int position) const;

Q_SIGNALS:
    void fieldChanged(int position, int value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnEdited(int index);

    std::array<QLineEdit*, 4> m_fields{};
    // The field entered and not typed into yet, whose zeros a digit replaces.
    int m_fresh = -1;
    // The field reached by three digits, where the operator's dot is expected.
    int m_advancedTo = -1;
};

} // namespace tarvo
