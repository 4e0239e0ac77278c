// SPDX-License-Identifier: GPL-3.0-or-later
// Which help page belongs to which clock model, and where it is found.
#include "app/help_files.h"
#include "app/link_health.h"
#include "app/panel.h"
#include "build_config.h"
#include "support/test_registry.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarvo;

class AppHelp : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void installedPagesAreFoundFromTheProgramFolder()
    {
        // prefix/bin/program finds prefix/share/tarvo-control-panel/help/...
        QTemporaryDir prefix;
        QVERIFY(QDir(prefix.path()).mkpath("bin"));
        QVERIFY(QDir(prefix.path()).mkpath("share/tarvo-control-panel/help"));
        const QString page = prefix.filePath("share/tarvo-control-panel/help/Velmora 207.html");
        QFile f(page);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<html></html>");
        f.close();
        QCOMPARE(FindHelpFile(FindModel(3), prefix.filePath("bin")), QDir::cleanPath(page));
        // A page beside the program comes first.
        QFile beside(prefix.filePath("bin/Velmora 207.html"));
        QVERIFY(beside.open(QIODevice::WriteOnly));
        beside.close();
        QCOMPARE(FindHelpFile(FindModel(3), prefix.filePath("bin")),
                 QDir(prefix.filePath("bin")).filePath("Velmora 207.html"));
    }

    void everyModelHasAPageInTheSourceTree()
    {
        for (int type = 1; type <= 4; ++type)
            QVERIFY2(!FindHelpFile(FindModel(type), QStringLiteral("/nonexistent")).isEmpty(),
                     qPrintable(HelpFileName(FindModel(type))));
    }

    // The figures the pages give an operator are the program's own: when a
    // silent clock is called not answering, how often a network clock is
    // checked, and which step of the computer clock is asked first.
    void everyPageStatesTheProgramsTimings()
    {
        const struct {
            const char* pattern;
            qint64 expected;
            bool everyPage;
        } claims[] = {
            {"has sent no time report for (\\d+) seconds", LinkHealth::SerialSilenceMs / 1000,
             true},
            {"checked every (\\d+) seconds while the window is shown",
             LinkHealth::KeepAliveIdleMs / 1000, true},
            {"every (\\d+) seconds while it is hidden", LinkHealth::KeepAliveHiddenIdleMs / 1000,
             true},
            {"not answered the program's check within (\\d+) seconds",
             LinkHealth::KeepAliveAnswerMs / 1000, true},
            {"A step of more than (\\d+) seconds", LargeStepSeconds, true},
            {"answers there within about (\\d+) seconds", LinkHealth::FirstAnswerMs / 1000, false},
        };
        for (int type = 1; type <= 4; ++type) {
            const QString path =
                QDir(QStringLiteral(TARVO_SOURCE_HELP_DIR)).filePath(HelpFileName(FindModel(type)));
            QFile file(path);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
            // The words as a reader sees them: no tags, one blank between words.
            QString text = QString::fromUtf8(file.readAll());
            text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
            text = text.simplified();
            for (const auto& claim : claims) {
                const QRegularExpressionMatch match =
                    QRegularExpression(QLatin1String(claim.pattern)).match(text);
                if (!match.hasMatch()) {
                    QVERIFY2(!claim.everyPage, qPrintable(path + QStringLiteral(": no \"") +
                                                          QLatin1String(claim.pattern)));
                    continue;
                }
                QVERIFY2(match.captured(1).toLongLong() == claim.expected,
                         qPrintable(QStringLiteral("%1: \"%2\", the program: %3")
                                        .arg(path, match.captured(0))
                                        .arg(claim.expected)));
            }
        }
    }
};

TARVO_TEST_CLASS(AppHelp)
#include "test_app_help.moc"
