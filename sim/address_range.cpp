#include "address_range.h"

#include "simulated_clock.h"

namespace tarvo
{

QStringList LoopbackRange(const QString& base, int count, QString* error)
{
    if (!IsLoopbackAddress(base)) {
        *error = QStringLiteral("refusing --udp-base %1: only addresses in 127.0.0.0/8 are allowed")
                     .arg(base);
        return {};
    }
    if (count < 1 || count > MaxSimulatedClocks) {
        *error = QStringLiteral("--count must be 1 to %1").arg(MaxSimulatedClocks);
        return {};
    }
    const QStringList parts = base.split(QLatin1Char('.'));
    quint32 address =
        (127u << 24) | (parts[1].toUInt() << 16) | (parts[2].toUInt() << 8) | parts[3].toUInt();
    QStringList addresses;
    while (addresses.size() < count) {
        if ((address >> 24) != 127) {
            *error = QStringLiteral("refusing --count %1 from %2: the addresses would leave "
                                    "127.0.0.0/8")
                         .arg(count)
                         .arg(base);
            return {};
        }
        if ((address & 0xff) != 0xff)
            addresses.append(QStringLiteral("127.%1.%2.%3")
                                 .arg((address >> 16) & 0xff)
                                 .arg((address >> 8) & 0xff)
                                 .arg(address & 0xff));
        ++address;
    }
    return addresses;
}

} // namespace tarvo
