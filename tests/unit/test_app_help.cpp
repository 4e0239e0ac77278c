// SPDX-License-Identifier: GPL-3.0-or-later
// Which help page belongs to which clock model, and where it is found.
#include "app/help_files.h"
#include "support/test_registry.h"

#include <QDir>
#include <QFile>
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
};

TARVO_TEST_CLASS(AppHelp)
#include "test_app_help.moc"
