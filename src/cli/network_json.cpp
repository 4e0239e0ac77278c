// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/network_json.h"

#include "clock/json_text.h"
#include "clock/password.h"
#include "connect/network_edits.h"
#include "connect/network_settings.h"
#include "link/bytes.h"

#include <QHostAddress>
#include <QJsonArray>
#include <algorithm>
#include <cmath>

namespace tarvo
{

namespace
{

std::optional<std::array<quint8, 4>> ParseDotted(const QJsonValue& value)
{
    const QStringList parts = value.toString().split(u'.');
    if (!value.isString() || parts.size() != 4)
        return std::nullopt;
    std::array<quint8, 4> octets{};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const int n = parts[i].toInt(&ok);
        if (!ok || parts[i].isEmpty() || parts[i].size() > 3 || n < 0 || n > 255)
            return std::nullopt;
        octets[i] = static_cast<quint8>(n);
    }
    return octets;
}

class Writer
{
public:
    Writer(QByteArray& record, QStringList& errors) : m_record(record), m_errors(errors) {}

    void Error(const QString& field, const QString& reason)
    {
        m_errors.append(field + QStringLiteral(": ") + reason);
    }

    void Address(const QString& field, const QJsonValue& v, AddressField entry)
    {
        const auto octets = ParseDotted(v);
        if (!octets)
            return Error(field,
                         QStringLiteral("%1 is not an IPv4 address a.b.c.d").arg(JsonValueText(v)));
        for (int position = 1; position <= 4; ++position)
            ApplyAddressFieldChange(m_record, entry, position, (*octets)[position - 1]);
    }

    void Number(const QString& field, const QJsonValue& v, NumberField box)
    {
        const double n = v.toDouble(-1);
        if (!v.isDouble() || std::floor(n) != n || n < 0 || n > 65535)
            return Error(
                field,
                QStringLiteral("%1 is not a whole number from 0 to 65535").arg(JsonValueText(v)));
        ApplyNumberFieldChange(m_record, box, QString::number(static_cast<int>(n)));
    }

private:
    QByteArray& m_record;
    QStringList& m_errors;
};

void WriteServers(Writer& w, const QJsonValue& v)
{
    if (!v.isArray() || v.toArray().size() != 2)
        return w.Error(QStringLiteral("servers"),
                       QStringLiteral("must be a list of 2 time servers"));
    const AddressField entries[2] = {AddressField::Server1, AddressField::Server2};
    const NumberField ports[2] = {NumberField::Server1Port, NumberField::Server2Port};
    const QJsonArray list = v.toArray();
    for (int i = 0; i < 2; ++i) {
        const QString field = QStringLiteral("servers[%1]").arg(i);
        if (!list[i].isObject()) {
            w.Error(field, QStringLiteral("must be an object with \"address\" and \"port\""));
            continue;
        }
        const QJsonObject o = list[i].toObject();
        for (const QString& key : o.keys()) {
            if (key == u"address")
                w.Address(field + QStringLiteral(".address"), o[key], entries[i]);
            else if (key == u"port")
                w.Number(field + QStringLiteral(".port"), o[key], ports[i]);
            else
                w.Error(field + u'.' + key, QStringLiteral("unknown field"));
        }
    }
}

void WriteBroadcast(Writer& w, QByteArray& record, const QJsonValue& v)
{
    if (!v.isArray() || v.toArray().size() != 3)
        return w.Error(QStringLiteral("broadcast"),
                       QStringLiteral("must be a list of 3 broadcast addresses"));
    const QJsonArray list = v.toArray();
    std::array<bool, 3> enabled{};
    std::array<std::array<quint8, 4>, 3> octets{};
    for (int k = 0; k < 3; ++k) {
        const QString field = QStringLiteral("broadcast[%1]").arg(k);
        octets[k] = OctetsAt(record, BroadcastOffsets[k]);
        enabled[k] =
            std::any_of(octets[k].begin(), octets[k].end(), [](quint8 o) { return o != 0; });
        if (!list[k].isObject()) {
            w.Error(field, QStringLiteral("must be an object with \"enabled\" and \"address\""));
            continue;
        }
        const QJsonObject o = list[k].toObject();
        for (const QString& key : o.keys()) {
            if (key == u"enabled") {
                if (o[key].isBool())
                    enabled[k] = o[key].toBool();
                else
                    w.Error(field + QStringLiteral(".enabled"),
                            QStringLiteral("must be true or false"));
            } else if (key == u"address") {
                if (const auto parsed = ParseDotted(o[key]))
                    octets[k] = *parsed;
                else
                    w.Error(field + QStringLiteral(".address"),
                            QStringLiteral("%1 is not an IPv4 address a.b.c.d")
                                .arg(JsonValueText(o[key])));
            } else {
                w.Error(field + u'.' + key, QStringLiteral("unknown field"));
            }
        }
        if (enabled[k] && octets[k] == std::array<quint8, 4>{})
            w.Error(field + QStringLiteral(".address"),
                    QStringLiteral("needed to switch the address on"));
    }
    for (int k = 0; k < 3; ++k)
        ApplyBroadcastEnable(record, k + 1, enabled, octets[k]);
}

} // namespace

QString NetworkAddressOf(QByteArrayView networkData)
{
    return DottedAddressAt(networkData, NetworkOffset::IPAddress);
}

QJsonObject NetworkToJson(QByteArrayView record, int clockType)
{
    const NetworkSettingsView view = DecodeNetworkSettings(record, clockType);
    QJsonObject o;
    o[u"ipAddress"] = view.clockAddress;
    o[u"subnetMask"] = view.netmaskIndex >= 0 ? QJsonValue(NetmaskCaptions().at(view.netmaskIndex))
                                              : QJsonValue(QJsonValue::Null);
    o[u"gateway"] = view.gateway;
    o[u"dns"] = view.dns;
    o[u"serverPort"] = view.serverPort.toInt();
    o[u"configLocked"] = view.configLocked;
    o[u"password"] =
        view.passwordEnabled ? QJsonValue(view.passwordText) : QJsonValue(QJsonValue::Null);
    if (view.group == NetworkModelGroup::Servers) {
        o[u"servers"] = QJsonArray{QJsonObject{{QStringLiteral("address"), view.server1},
                                               {QStringLiteral("port"), view.server1Port.toInt()}},
                                   QJsonObject{{QStringLiteral("address"), view.server2},
                                               {QStringLiteral("port"), view.server2Port.toInt()}}};
        o[u"updateMinutes"] = view.minutesBetweenUpdates.toInt();
    } else if (view.group == NetworkModelGroup::Broadcast) {
        QJsonArray list;
        for (int k = 0; k < 3; ++k)
            list.append(QJsonObject{{QStringLiteral("enabled"), view.broadcastEnabled[k]},
                                    {QStringLiteral("address"), view.broadcast[k]}});
        o[u"broadcast"] = list;
        o[u"broadcastMinutes"] = view.broadcastInterval.toInt();
    }
    return o;
}

NetworkParse NetworkFromJson(const QJsonObject& json, const QByteArray& current, int clockType)
{
    NetworkParse result{current, {}};
    if (result.record.size() < NetworkDataLength)
        result.record.append(QByteArray(NetworkDataLength - result.record.size(), '\0'));
    Writer w(result.record, result.errors);
    const NetworkModelGroup group = NetworkGroupFor(clockType);
    for (auto it = json.begin(); it != json.end(); ++it) {
        const QString key = it.key();
        const QJsonValue v = it.value();
        if (key == u"ipAddress") {
            w.Address(key, v, AddressField::ClockAddress);
        } else if (key == u"gateway") {
            w.Address(key, v, AddressField::Gateway);
        } else if (key == u"dns") {
            w.Address(key, v, AddressField::Dns);
        } else if (key == u"subnetMask") {
            const int index = static_cast<int>(NetmaskCaptions().indexOf(v.toString()));
            // A record without a mask reads as null; writing that back changes nothing.
            const bool noneKept =
                v.isNull() &&
                NetmaskIndexForCode(ByteAt(result.record, NetworkOffset::SubnetMaskCode)) < 0;
            if (noneKept)
                continue;
            if (index < 0)
                w.Error(key, QStringLiteral("%1 is not one of the masks %2 to %3")
                                 .arg(JsonValueText(v), NetmaskCaptions().first(),
                                      NetmaskCaptions().last()));
            else
                ApplyNetmaskSelection(result.record, index);
        } else if (key == u"serverPort") {
            w.Number(key, v, NumberField::ServerPort);
        } else if (key == u"configLocked") {
            if (v.isBool())
                ApplyDisableNetworkConfig(result.record, v.toBool());
            else
                w.Error(key, QStringLiteral("must be true or false"));
        } else if (key == u"password") {
            const PasswordCheck check = CheckPassword(!v.isNull(), v.toString(), v.toString());
            if (!v.isNull() && !v.isString())
                w.Error(key, QStringLiteral("must be four characters, or null for none"));
            else if (check.result == -1)
                w.Error(key, check.text);
            else
                ApplyPasswordCheck(check, result.record);
        } else if (key == u"servers" && group == NetworkModelGroup::Servers) {
            WriteServers(w, v);
        } else if (key == u"updateMinutes" && group == NetworkModelGroup::Servers) {
            w.Number(key, v, NumberField::MinutesBetweenUpdates);
        } else if (key == u"broadcast" && group == NetworkModelGroup::Broadcast) {
            WriteBroadcast(w, result.record, v);
        } else if (key == u"broadcastMinutes" && group == NetworkModelGroup::Broadcast) {
            w.Number(key, v, NumberField::BroadcastInterval);
        } else if (key == u"servers" || key == u"updateMinutes" || key == u"broadcast" ||
                   key == u"broadcastMinutes") {
            w.Error(key, QStringLiteral("this clock model has no such setting"));
        } else {
            w.Error(key, QStringLiteral("unknown field"));
        }
    }
    // A clock sent an address it cannot have drops off the network, and only
    // its serial port or its front panel brings it back. An address the clock
    // already has is left to it, so a file read from it goes back unchanged.
    const QByteArray before = current.leftJustified(NetworkDataLength, '\0');
    const bool addressTouched = OctetsAt(before, NetworkOffset::IPAddress) !=
                                    OctetsAt(result.record, NetworkOffset::IPAddress) ||
                                ByteAt(before, NetworkOffset::SubnetMaskCode) !=
                                    ByteAt(result.record, NetworkOffset::SubnetMaskCode);
    const bool fieldsFine =
        std::none_of(result.errors.begin(), result.errors.end(), [](const QString& e) {
            return e.startsWith(u"ipAddress:") || e.startsWith(u"subnetMask:");
        });
    if (addressTouched && fieldsFine) {
        const QString problem =
            ClockAddressProblem(OctetsAt(result.record, NetworkOffset::IPAddress),
                                ByteAt(result.record, NetworkOffset::SubnetMaskCode),
                                ByteAt(before, NetworkOffset::IPAddress) == 127);
        if (!problem.isEmpty())
            w.Error(QStringLiteral("ipAddress"), problem);
    }
    return result;
}

} // namespace tarvo
