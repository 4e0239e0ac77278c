// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the seed corpus of the fuzz targets from records the simulated clock
// builds, one small file per seed. Run once when a record layout changes; the
// files are kept in the repository.
// Usage: fuzz_make_seeds <corpus-folder>
#include "clock_state.h"
#include "link/datagram.h"
#include "link/serial_frame.h"
#include "sim_records.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

using namespace tarvo;

namespace
{
QString g_root;

void Write(const QString& target, const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(g_root + QLatin1Char('/') + target);
    QFile f(g_root + QLatin1Char('/') + target + QLatin1Char('/') + name);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(f.fileName()));
}

QByteArray Flagged(quint8 flags, const QByteArray& rest)
{
    return QByteArray(1, char(flags)) + rest;
}

// Flag byte of the receive targets: settings requested, the model in bits 4-6.
quint8 Requested(int clockType)
{
    return quint8(0x02 | (clockType << 4));
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds <corpus-folder>\n");
        return 2;
    }
    g_root = QString::fromLocal8Bit(argv[1]);
    const QDateTime when(QDate(2024, 3, 10), QTime(1, 59, 58));
    for (int clockType = 1; clockType <= 4; ++clockType) {
        const QString model = QString::number(clockType);
        ClockState clock(clockType, QStringLiteral("127.0.0.5"), QByteArrayView("7315"), true);
        const QByteArray report = TimeReportPayload(when, clockType == 1);

        // Serial: each reply frame alone, and all of them in one stream with a
        // time report between them, as a connect sees them.
        const QByteArray reportFrame = BuildIncomingFrame(FrameByte::EndTimeReport, report);
        Write(QStringLiteral("serial_receive"), QStringLiteral("master-") + model,
              Flagged(Requested(clockType), clock.MasterReplyFrame()));
        Write(QStringLiteral("serial_receive"), QStringLiteral("network-") + model,
              Flagged(Requested(clockType), clock.NetworkReplyFrame()));
        Write(QStringLiteral("serial_receive"), QStringLiteral("dst-") + model,
              Flagged(Requested(clockType), clock.DstReplyFrame()));
        Write(QStringLiteral("serial_receive"), QStringLiteral("stream-") + model,
              Flagged(Requested(clockType) | 0x08, reportFrame + clock.MasterReplyFrame() +
                                                       reportFrame + clock.NetworkReplyFrame() +
                                                       clock.DstReplyFrame() + reportFrame));

        // UDP: the replies to each request, with the clock's password.
        const quint8 requests[] = {DatagramCode::RequestNetworkSettings,
                                   DatagramCode::RequestMasterSettings,
                                   DatagramCode::RequestDstDates};
        for (quint8 code : requests) {
            const CommandOutcome out = clock.ApplyDatagram(BuildDatagram(code, "7315"));
            for (const QByteArray& reply : out.replies)
                Write(QStringLiteral("datagram_dispatch"),
                      QStringLiteral("reply%1-%2").arg(code).arg(model),
                      Flagged(quint8(clockType << 4), reply));
        }

        // Decoders: the bare records.
        const QByteArray master = clock.MasterRecord();
        Write(QStringLiteral("master_record"), QStringLiteral("serial-") + model,
              Flagged(quint8(clockType), master));
        Write(QStringLiteral("master_record"), QStringLiteral("network-") + model,
              Flagged(quint8(clockType), master.left(MasterNetworkLength)));
        Write(QStringLiteral("network_settings"), QStringLiteral("serial-") + model,
              Flagged(quint8(clockType), NetworkReplyPayload(clock.NetworkRecord())));
        Write(QStringLiteral("time_report"), QStringLiteral("report-") + model, report);
    }
    const quint8 refused[] = {ReplyCode::PasswordRefused};
    Write(QStringLiteral("datagram_dispatch"), QStringLiteral("refused"),
          Flagged(0, QByteArray(reinterpret_cast<const char*>(refused), 1)));
    Write(QStringLiteral("datagram_dispatch"), QStringLiteral("discovery-search"),
          Flagged(0x01, QByteArray(1, char(ReplyCode::Discovery))));
    Write(QStringLiteral("dst_record"), QStringLiteral("us-2020"), SimDstRecord(UsDstTables(20)));
    Write(QStringLiteral("dst_record"), QStringLiteral("us-2005"), SimDstRecord(UsDstTables(5)));
    Write(QStringLiteral("time_report"), QStringLiteral("no-time"),
          TimeReportPayload(QDateTime(QDate(2150, 1, 1), QTime(0, 0)), false));
    const char* numbers[] = {"1", " -12.5e3xyz", "2.5", "65536", "&H1F", "1e400", "  7 8", ""};
    int n = 0;
    for (const char* text : numbers)
        Write(QStringLiteral("numeric_value"), QStringLiteral("text-%1").arg(n++),
              QByteArray(text));
    return 0;
}
