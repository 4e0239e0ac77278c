// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/time_service.h"

#include "files/small_file.h"

#include <QDir>

namespace tarvo
{

QString RunningTimeService(const QString& procRoot)
{
    static const struct {
        const char* process;
        const char* service;
    } known[] = {
        {"systemd-timesyn", "systemd-timesyncd"},
        {"chronyd", "chrony"},
        {"ntpd", "ntpd"},
        {"ntpsec", "ntpsec"},
        {"openntpd", "OpenNTPD"},
    };
    const QDir proc(procRoot);
    const QStringList entries = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isPid = false;
        entry.toInt(&isPid);
        if (!isPid)
            continue;
        const SmallFileRead comm =
            ReadSmallFile(proc.filePath(entry + QStringLiteral("/comm")), 256);
        if (!comm.ok())
            continue;
        const QByteArray name = comm.bytes.trimmed();
        for (const auto& k : known) {
            if (name == k.process)
                return QLatin1String(k.service);
        }
    }
    return {};
}

} // namespace tarvo
