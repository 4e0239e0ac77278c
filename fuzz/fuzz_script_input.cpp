// SPDX-License-Identifier: GPL-3.0-or-later
// What a script hands tarvo-clock: a settings or network JSON file and DST
// rule texts, any bytes at all. A file that is accepted must describe the
// settings it produces exactly: writing those settings out and reading them
// back gives the same settings with no complaint.
#include "clock/settings_json.h"
#include "connect/network_json.h"
#include "connect/network_settings.h"
#include "dst/dst_script.h"
#include "fuzz_support.h"

#include <QJsonDocument>

using namespace tarvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    ParseDstRule(QString::fromUtf8(bytes), nullptr);

    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    if (!doc.isObject())
        return 0;
    const QJsonObject json = doc.object();
    // A plausible clock record to read the file over.
    const QByteArray record =
        QByteArray::fromHex("5328731e0003140000003c1e1e0f2d0b") + QByteArray(25, '\x01');
    for (int type = 1; type <= 4; ++type) {
        const ScriptSettings current = ScriptSettingsFromRecord(record, FindModel(type));
        const SettingsParse parsed = SettingsFromJson(json, current);
        if (parsed.errors.isEmpty()) {
            const SettingsParse again =
                SettingsFromJson(SettingsToJson(parsed.value), parsed.value);
            if (!again.errors.isEmpty() ||
                !SettingsDifferences(again.value, parsed.value).isEmpty())
                abort();
            SettingsSerialCommands(parsed.value);
            if (SettingsNetworkRecord(parsed.value, record).size() != 16)
                abort();
        }
        QByteArray network = EmptyNetworkData();
        network[0] = 10;
        network[6] = 8;
        const NetworkParse net = NetworkFromJson(json, network, FindModel(type));
        if (net.record.size() != NetworkDataLength)
            abort();
        if (net.errors.isEmpty()) {
            const NetworkParse again = NetworkFromJson(NetworkToJson(net.record, FindModel(type)),
                                                       net.record, FindModel(type));
            if (!again.errors.isEmpty() || again.record != net.record)
                abort();
        }
    }
    return 0;
}
