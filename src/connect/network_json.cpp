// SPDX-License-Identifier: GPL-3.0-or-later
#include "connect/network_json.h"

#include "clock/json_fields.h"
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

// Writes the fields of a file into the record by the controls' own rules.
class Writer
{
public:
    Writer(QByteArray& record, const JsonFields& fields) : m_record(record), m_fields(fields) {}

    void Error(const QString& field, const QString& reason) const { m_fields.Error(field, reason); }
    Writer Within(const QString& field) const { return Writer(m_record, m_fields.Within(field)); }
    const JsonFields& Fields() const { return m_fields; }

    void Address(const QString& field, const QJsonValue& v, AddressField entry) const
    {
        const auto octets = ParseDotted(v);
        if (!octets)
            return Error(field,
                         QStringLiteral("%1 is not an IPv4 address a.b.c.d").arg(JsonValueText(v)));
        for (int position = 1; position <= 4; ++position)
            ApplyAddressFieldChange(m_record, entry, position, (*octets)[position - 1]);
    }

    void Number(const QString& field, const QJsonValue& v, NumberField box) const
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
    JsonFields m_fields;
};

void WriteServers(const Writer& w, const QJsonValue& v)
{
    const auto list = w.Fields().List(QStringLiteral("servers"), v, 2,
                                      QStringLiteral("a list of 2 time servers"));
    if (!list)
        return;
    const AddressField entries[2] = {AddressField::Server1, AddressField::Server2};
    const NumberField ports[2] = {NumberField::Server1Port, NumberField::Server2Port};
    const Writer servers = w.Within(QStringLiteral("servers"));
    for (int i = 0; i < 2; ++i) {
        const QString field = QStringLiteral("[%1]").arg(i);
        const auto o = servers.Fields().Object(
            field, (*list)[i], QStringLiteral("an object with \"address\" and \"port\""));
        if (!o)
            continue;
        const Writer in = servers.Within(field);
        in.Fields().Each(*o, [&](const QString& key, const QJsonValue& value) {
            if (key == u"address")
                in.Address(key, value, entries[i]);
            else if (key == u"port")
                in.Number(key, value, ports[i]);
            else
                return false;
            return true;
        });
    }
}

void WriteBroadcast(const Writer& w, QByteArray& record, const QJsonValue& v)
{
    const auto list = w.Fields().List(QStringLiteral("broadcast"), v, 3,
                                      QStringLiteral("a list of 3 broadcast addresses"));
    if (!list)
        return;
    const JsonFields broadcast = w.Fields().Within(QStringLiteral("broadcast"));
    std::array<bool, 3> enabled{};
    std::array<std::array<quint8, 4>, 3> octets{};
    for (int k = 0; k < 3; ++k) {
        const QString field = QStringLiteral("[%1]").arg(k);
        octets[k] = OctetsAt(record, BroadcastOffsets[k]);
        enabled[k] =
            std::any_of(octets[k].begin(), octets[k].end(), [](quint8 o) { return o != 0; });
        const auto o = broadcast.Object(
            field, (*list)[k], QStringLiteral("an object with \"enabled\" and \"address\""));
        if (!o)
            continue;
        const JsonFields in = broadcast.Within(field);
        in.Each(*o, [&](const QString& key, const QJsonValue& value) {
            if (key == u"enabled") {
                enabled[k] = in.Bool(key, value).value_or(enabled[k]);
            } else if (key == u"address") {
                if (const auto parsed = ParseDotted(value))
                    octets[k] = *parsed;
                else
                    in.Error(key, QStringLiteral("%1 is not an IPv4 address a.b.c.d")
                                      .arg(JsonValueText(value)));
            } else {
                return false;
            }
            return true;
        });
        if (enabled[k] && octets[k] == std::array<quint8, 4>{})
            in.Error(QStringLiteral("address"), QStringLiteral("needed to switch the address on"));
    }
    for (int k = 0; k < 3; ++k)
        ApplyBroadcastEnable(record, k + 1, enabled, octets[k]);
}

} // namespace

QString NetworkAddressOf(QByteArrayView networkData)
{
    return DottedAddressAt(networkData, NetworkOffset::IPAddress);
}

QJsonObject NetworkToJson(QByteArrayView record, const ClockModel* model)
{
    const NetworkSettingsView view = DecodeNetworkSettings(record, model);
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

const QStringList& NetworkFieldOrder()
{
    static const QStringList order{
        QStringLiteral("ipAddress"),        QStringLiteral("subnetMask"),
        QStringLiteral("gateway"),          QStringLiteral("dns"),
        QStringLiteral("serverPort"),       QStringLiteral("configLocked"),
        QStringLiteral("password"),         QStringLiteral("servers"),
        QStringLiteral("updateMinutes"),    QStringLiteral("broadcast"),
        QStringLiteral("broadcastMinutes"), QStringLiteral("enabled"),
        QStringLiteral("address"),          QStringLiteral("port")};
    return order;
}

NetworkParse NetworkFromJson(const QJsonObject& json, const QByteArray& current,
                             const ClockModel* model)
{
    NetworkParse result{current, {}};
    if (result.record.size() < NetworkDataLength)
        result.record.append(QByteArray(NetworkDataLength - result.record.size(), '\0'));
    const JsonFields fields(result.errors);
    const Writer w(result.record, fields);
    const NetworkModelGroup group = NetworkGroupFor(model);
    fields.Each(json, [&](const QString& key, const QJsonValue& v) {
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
                return true;
            if (index < 0)
                w.Error(key, QStringLiteral("%1 is not one of the masks %2 to %3")
                                 .arg(JsonValueText(v), NetmaskCaptions().first(),
                                      NetmaskCaptions().last()));
            else
                ApplyNetmaskSelection(result.record, index);
        } else if (key == u"serverPort") {
            w.Number(key, v, NumberField::ServerPort);
        } else if (key == u"configLocked") {
            if (const auto locked = fields.Bool(key, v))
                ApplyDisableNetworkConfig(result.record, *locked);
        } else if (key == u"password" && v.toString() == HiddenPasswordText) {
            // The clock's password as it is.
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
            return false;
        }
        return true;
    });
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
