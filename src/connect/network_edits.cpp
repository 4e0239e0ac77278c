// SPDX-License-Identifier: GPL-3.0-or-later
#include "connect/network_edits.h"

#include "connect/network_settings.h"
#include "connect/numeric_value.h"
#include "link/bytes.h"

namespace tarvo
{

namespace
{

constexpr int Largest16BitValue = 65535;

// Edits must never index past the end, whatever the caller handed over.
void EnsureFullLength(QByteArray& record)
{
    if (record.size() < NetworkDataLength)
        record.append(QByteArray(NetworkDataLength - record.size(), '\0'));
}

} // namespace

int AddressFieldBase(AddressField entry)
{
    switch (entry) {
    case AddressField::ClockAddress:
        return NetworkOffset::IPAddress - 1;
    case AddressField::Gateway:
        return NetworkOffset::Gateway - 1;
    case AddressField::Server1:
        return NetworkOffset::Server1 - 1;
    case AddressField::Dns:
        return NetworkOffset::DNS - 1;
    case AddressField::Server2:
        return NetworkOffset::Server2 - 1;
    case AddressField::Broadcast1:
        return NetworkOffset::Broadcast1 - 1;
    case AddressField::Broadcast2:
        return NetworkOffset::Broadcast2 - 1;
    case AddressField::Broadcast3:
        return NetworkOffset::Broadcast3 - 1;
    }
    return NetworkOffset::IPAddress - 1;
}

bool ApplyAddressFieldChange(QByteArray& record, AddressField entry, int position, int value)
{
    if (position < 1 || position > 4 || value < 0 || value > 255)
        return false;
    EnsureFullLength(record);
    SetByte(record, AddressFieldBase(entry) + position, value);
    return true;
}

int NumberFieldOffset(NumberField field)
{
    switch (field) {
    case NumberField::ServerPort:
        return NetworkOffset::ServerPort;
    case NumberField::Server1Port:
        return NetworkOffset::ServerPort1;
    case NumberField::Server2Port:
        return NetworkOffset::ServerPort2;
    case NumberField::MinutesBetweenUpdates:
    case NumberField::BroadcastInterval:
        return NetworkOffset::UpdateInterval;
    }
    return NetworkOffset::ServerPort;
}

NumberFieldEdit ApplyNumberFieldChange(QByteArray& record, NumberField field, const QString& text)
{
    NumberFieldEdit edit;
    double v = NumericValue(text);
    if (field == NumberField::BroadcastInterval) {
        if (v > Largest16BitValue) {
            edit.replacementText = QStringLiteral("0");
            v = 0.0;
        }
        edit.unitLabel = v == 1.0 ? QStringLiteral("minute") : QStringLiteral("minutes");
    }

    // Whole values that fit 16 bits unsigned; anything else would wrap into a
    // different port or interval, so it is refused instead.
    const std::optional<qint64> whole = RoundHalfEven(v);
    if (!whole || *whole < 0 || *whole > Largest16BitValue) {
        edit.refused = true;
        return edit;
    }

    EnsureFullLength(record);
    const int value = static_cast<int>(*whole);
    const int offset = NumberFieldOffset(field);
    SetByte(record, offset, value % 256);
    SetByte(record, offset + 1, value / 256);
    edit.written = true;
    edit.value = value;
    return edit;
}

bool ApplyNetmaskSelection(QByteArray& record, int index)
{
    if (index < 0 || index >= NetmaskCount)
        return false;
    EnsureFullLength(record);
    SetByte(record, NetworkOffset::SubnetMaskCode, index + 1);
    return true;
}

void ApplyDisableNetworkConfig(QByteArray& record, bool checked)
{
    EnsureFullLength(record);
    SetByte(record, NetworkOffset::ConfigLocked, checked ? 1 : 0);
}

bool ApplyBroadcastEnable(QByteArray& record, int k, const std::array<bool, 3>& checked,
                          const std::array<quint8, 4>& shownOctets)
{
    if (k < 1 || k > 3)
        return false;
    EnsureFullLength(record);
    const bool enabled = checked[k - 1];
    const int offset = BroadcastOffsets[k - 1];
    for (int i = 0; i < 4; ++i)
        SetByte(record, offset + i, enabled ? shownOctets[i] : 0);
    const bool anyChecked = checked[0] || checked[1] || checked[2];
    SetByte(record, NetworkOffset::BroadcastOn, anyChecked ? 1 : 0);
    return enabled;
}

} // namespace tarvo
