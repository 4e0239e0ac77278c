// SPDX-License-Identifier: GPL-3.0-or-later
// Clock settings to and from a file through the File menu of the real window,
// against simulated clocks: the file is what tarvo-clock prints, a load fills
// the pages and sends nothing, and a bad file changes nothing.
#include "app/settings_file.h"
#include "clock/master_record.h"
#include "support/cli_helpers.h"
#include "support/settings_helpers.h"
#include "support/test_registry.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QtTest>
#include <sys/stat.h>

using namespace tarvo;

namespace
{

const int kPages[] = {frmControlPanel::PagePrimary, frmControlPanel::PageSMPTE,
                      frmControlPanel::PageSyncRelays, frmControlPanel::PageModem};

// The controls a settings file covers; the set-time pickers are not settings.
bool IsSettingControl(const QWidget* widget)
{
    const QString name = widget->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_")) && name != u"dtpTime" &&
           name != u"dtpDate";
}

// "name=value" of every setting control of the settings pages. The modem page
// holds settings of the modem model only, and the millisecond offset is one
// of the models with second offsets (the 207's is in no settings file).
QStringList Snapshot(frmControlPanel& w)
{
    const bool modem = w.ClockTabs()->isTabEnabled(frmControlPanel::PageModem);
    const bool offsets = Control<QComboBox>(w, "cmbSecondOffset")->count() > 0;
    QStringList values;
    for (int page : kPages) {
        if (page == frmControlPanel::PageModem && !modem)
            continue;
        for (QWidget* widget : w.TabPage(page)->findChildren<QWidget*>()) {
            if (!IsSettingControl(widget) ||
                (!offsets && widget->objectName() == u"cmbSubSecondOffset"))
                continue;
            QString value;
            if (auto* list = qobject_cast<QComboBox*>(widget))
                value = QString::number(list->currentIndex());
            else if (auto* button = qobject_cast<QAbstractButton*>(widget);
                     button && button->isCheckable())
                value = button->isChecked() ? QStringLiteral("on") : QStringLiteral("off");
            else if (auto* time = qobject_cast<QTimeEdit*>(widget))
                // A relay that is off has no time; its idle picker is no setting.
                value = time->isEnabled() || !time->objectName().startsWith(u"dtpRelay")
                            ? time->time().toString(QStringLiteral("HH:mm:ss"))
                            : QStringLiteral("off");
            else if (widget->objectName() == u"txtPhoneNumber")
                value = KeepDigits(static_cast<QLineEdit*>(widget)->text());
            else
                continue;
            values << widget->objectName() + u'=' + value;
        }
    }
    // The DST page holds two settings among its date controls.
    for (const char* name : {"chkAutoDST", "optDSTcustom"})
        values << QLatin1String(name) + u'=' +
                      (Control<QAbstractButton>(w, QLatin1String(name))->isChecked() ? "on"
                                                                                     : "off");
    return values;
}

// Moves every setting control to another value, as an operator could.
void ChangeEverything(frmControlPanel& w, const QString& phone)
{
    for (int page : kPages) {
        for (QWidget* widget : w.TabPage(page)->findChildren<QWidget*>()) {
            if (!IsSettingControl(widget))
                continue;
            if (auto* list = qobject_cast<QComboBox*>(widget); list && list->count() > 1)
                list->setCurrentIndex((list->currentIndex() + 1) % list->count());
            else if (auto* box = qobject_cast<QCheckBox*>(widget))
                box->click();
            else if (auto* time = qobject_cast<QTimeEdit*>(widget); time && time->isEnabled())
                time->setTime(time->time().addSecs(60));
        }
    }
    Control<QCheckBox>(w, "chkAutoDST")->click();
    for (const auto& [one, zero] :
         {std::pair{"optDSTcustom", "optDSTdefault"}, std::pair{"opt24HourMode", "opt12HourMode"},
          std::pair{"optDisplay24Hour", "optDisplay12Hour"},
          std::pair{"optRisingEdge", "optFallingEdge"}}) {
        auto* a = w.findChild<QRadioButton*>(QLatin1String(one));
        auto* b = w.findChild<QRadioButton*>(QLatin1String(zero));
        if (a && b)
            (a->isChecked() ? b : a)->click();
    }
    Control<QLineEdit>(w, "txtPhoneNumber")->setText(phone);
}

// The File menu's choice with a path given to its dialog, as the operator
// would choose it there.
bool ChooseFile(frmControlPanel& w, const char* action, const char* dialogName, const QString& path)
{
    auto* choice = w.findChild<QAction*>(QLatin1String(action));
    if (!choice || !choice->isEnabled())
        return false;
    choice->trigger();
    // A dialog closed before is deleted on a later turn of the event loop.
    QFileDialog* dialog = nullptr;
    for (QFileDialog* open : w.findChildren<QFileDialog*>(QLatin1String(dialogName))) {
        if (open->isVisible())
            dialog = open;
    }
    if (!dialog)
        return false;
    Q_EMIT dialog->fileSelected(path);
    dialog->reject();
    return true;
}

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// What tarvo-clock prints for a clock that holds `record`: a second clock of
// the same model is given the record and asked, as the window holds the port
// of the first.
QByteArray CliSettingsFor(int model, const QByteArray& record)
{
    SimOptions o;
    o.model = model;
    o.serial = true;
    o.reportMs = 0;
    SimulatedClock twin(o);
    QString error;
    if (!twin.Start(&error))
        qFatal("simulated clock did not start: %s", qPrintable(error));
    twin.State().SetMasterRecord(record);
    const CliRun run = RunCli({QStringLiteral("--port"), twin.PtyPath(), QStringLiteral("get"),
                               QStringLiteral("settings"), QStringLiteral("--json")});
    if (run.status != ExitCode::Done)
        qWarning("tarvo-clock: %s", qPrintable(run.err));
    return run.out.toUtf8();
}

// The settings a send would take from the window now, as file text.
QByteArray WorkingText(frmControlPanel& w)
{
    return SettingsFileText(
        WorkingScriptSettings(w.Core().State(), Control<QLineEdit>(w, "txtPhoneNumber")->text(),
                              Control<QComboBox>(w, "cmbSecondOffset")->currentIndex()));
}

struct Started {
    SimulatedClock* clock = nullptr;
    frmControlPanel* window = nullptr;
};

Started StartWithClock(Harness& h, int model)
{
    SimOptions o;
    o.model = model;
    o.serial = true;
    o.reportMs = 0;
    SimulatedClock& clock = h.AddClock(o);
    h.SaveConnection(0, 1, ModelCodeForNumber(model));
    frmControlPanel& w = h.Start();
    auto* save = w.findChild<QAction*>(QStringLiteral("mnuSaveSettings"));
    if (!Harness::WaitFor([&] { return h.State().ClockFound && save && save->isEnabled(); }, 5000))
        return {};
    return {&clock, &w};
}

} // namespace

class SettingsFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void saveSendLoad_data();
    void saveSendLoad();
    void badFileChangesNothingAndNamesEachField_data();
    void badFileChangesNothingAndNamesEachField();
    void replacingAFileIsAskedAndAFailedSaveIsTold();
    void offeredOnlyWithAClock();
};

void SettingsFile::saveSendLoad_data()
{
    QTest::addColumn<int>("model");
    QTest::newRow("226") << 226;
    QTest::newRow("229") << 229;
    QTest::newRow("207") << 207;
    QTest::newRow("222") << 222;
}

void SettingsFile::saveSendLoad()
{
    QFETCH(int, model);
    Harness h;
    const Started started = StartWithClock(h, model);
    QVERIFY(started.window);
    frmControlPanel& w = *started.window;
    SimulatedClock& clock = *started.clock;
    QTemporaryDir dir;

    // As connected, the file is what tarvo-clock prints for the clock.
    const QString asFound = dir.filePath(QStringLiteral("found.json"));
    QVERIFY(ChooseFile(w, "mnuSaveSettings", "dlgSaveSettings", asFound));
    QVERIFY(Harness::WaitFor([&] { return QFile::exists(asFound); }, 3000));
    QCOMPARE(FileBytes(asFound), CliSettingsFor(model, clock.State().MasterRecord()));

    // Edited, the file holds what the send then gives the clock.
    ChangeEverything(w, QStringLiteral("555 867 5309"));
    const QStringList edited = Snapshot(w);
    const QString asEdited = dir.filePath(QStringLiteral("edited.json"));
    QVERIFY(ChooseFile(w, "mnuSaveSettings", "dlgSaveSettings", asEdited));
    QVERIFY(Harness::WaitFor([&] { return QFile::exists(asEdited); }, 3000));
    const QByteArray saved = FileBytes(asEdited);
    QVERIFY(saved != FileBytes(asFound));
    ClickOn(w, "imageBTNSend");
    const auto clockHasIt = [&] {
        return SettingsFileText(ScriptSettingsFromRecord(
                   clock.State().MasterRecord(), FindModel(ModelCodeForNumber(model)))) == saved;
    };
    QVERIFY2(Harness::WaitFor(clockHasIt, 3000), saved.constData());
    QCOMPARE(CliSettingsFor(model, clock.State().MasterRecord()), saved);

    // Moved elsewhere and loaded back: the pages show the file, the clock
    // hears nothing.
    ChangeEverything(w, QStringLiteral("123"));
    QVERIFY(Snapshot(w) != edited);
    QSignalSpy frames(&clock, &SimulatedClock::FrameReceived);
    QVERIFY(ChooseFile(w, "mnuLoadSettings", "dlgLoadSettings", asEdited));
    QCOMPARE(Snapshot(w), edited);
    QCOMPARE(WorkingText(w), saved);
    QTest::qWait(300);
    QCOMPARE(frames.count(), 0);
    QVERIFY2(h.Boxes().shown.isEmpty(), qPrintable(h.Boxes().shown.join('\n')));
}

void SettingsFile::badFileChangesNothingAndNamesEachField_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("named");
    QTest::newRow("bad fields") << QByteArray(R"({"model": 226, "timeZone": 13, "hour24": "yes",
        "smpteMode": "Loud", "relays": [{"enabled": true, "time": "61:00"}], "volume": 3})")
                                << QStringList{"timeZone: 13 is not a time zone",
                                               "hour24: must be true or false",
                                               "smpteMode: \"Loud\" is not one of",
                                               "relays: must be a list of 4",
                                               "volume: unknown field"};
    QTest::newRow("another model")
        << QByteArray(R"({"model": 207, "autoDst": 1, "risingEdge": true})")
        << QStringList{"model: the file is for model 207, the clock is model 226",
                       "autoDst: must be true or false",
                       "risingEdge: model 226 has no such setting"};
    // No file at all: a FIFO, whose open would wait for a writer for ever.
    QTest::newRow("a FIFO") << QByteArray() << QStringList{"not a regular file but a FIFO"};
}

void SettingsFile::badFileChangesNothingAndNamesEachField()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, named);
    Harness h;
    const Started started = StartWithClock(h, 226);
    QVERIFY(started.window);
    frmControlPanel& w = *started.window;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.json"));
    if (file.isNull())
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else
        WriteBytes(path, file);
    ChangeEverything(w, QString());
    const QStringList before = Snapshot(w);
    const ClockSettings working = h.State().clockSettings;

    QVERIFY(ChooseFile(w, "mnuLoadSettings", "dlgLoadSettings", path));
    QCOMPARE(Snapshot(w), before);
    QVERIFY(h.State().clockSettings == working);
    QCOMPARE(h.Boxes().warned, QStringList{LoadSettingsTitle});
    QCOMPARE(h.Boxes().shown.value(0),
             LoadSettingsTitle + u'|' +
                 QStringLiteral("bad.json was not loaded; the settings shown are unchanged."));
    const QString details = h.Boxes().details.value(0);
    for (const QString& part : named)
        QVERIFY2(details.contains(part), qPrintable(details));
    // Another model's file says so before anything else.
    if (named.first().startsWith(QLatin1String("model:")))
        QVERIFY2(details.startsWith(LoadSettingsTitle + QStringLiteral("|model:")),
                 qPrintable(details));
}

void SettingsFile::replacingAFileIsAskedAndAFailedSaveIsTold()
{
    Harness h;
    const Started started = StartWithClock(h, 229);
    QVERIFY(started.window);
    frmControlPanel& w = *started.window;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kept.json"));
    WriteBytes(path, "mine");

    h.Boxes().answers = {false};
    QVERIFY(ChooseFile(w, "mnuSaveSettings", "dlgSaveSettings", path));
    QVERIFY(Harness::WaitFor([&] { return h.Boxes().answers.isEmpty(); }, 3000));
    QTest::qWait(100);
    QCOMPARE(FileBytes(path), QByteArray("mine"));
    QVERIFY(h.Boxes().shown.value(0).endsWith(QStringLiteral("kept.json already exists. "
                                                             "Replace it?")));

    h.Boxes().answers = {true};
    QVERIFY(ChooseFile(w, "mnuSaveSettings", "dlgSaveSettings", path));
    QVERIFY(Harness::WaitFor([&] { return FileBytes(path) == WorkingText(w); }, 3000));

    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/x.json"));
    QVERIFY(ChooseFile(w, "mnuSaveSettings", "dlgSaveSettings", nowhere));
    QVERIFY(Harness::WaitFor(
        [&] {
            return h.Boxes().shown.last().startsWith(SaveSettingsTitle +
                                                     QStringLiteral("|The settings could not be "
                                                                    "saved to "));
        },
        3000));
    QVERIFY(!QFile::exists(nowhere));
}

void SettingsFile::offeredOnlyWithAClock()
{
    Harness h;
    h.AddDeadPort();
    h.SaveConnection(0, 1, 1);
    frmControlPanel& w = h.Start({QStringLiteral("127.0.67.1")});
    QTest::qWait(1500);
    QVERIFY(!h.State().ClockFound);
    for (const char* name : {"mnuSaveSettings", "mnuLoadSettings"}) {
        auto* action = w.findChild<QAction*>(QLatin1String(name));
        QVERIFY(action);
        QVERIFY(!action->isEnabled());
        QVERIFY(w.FileMenu()->actions().contains(action));
    }
}

TARVO_TEST_CLASS(SettingsFile)
#include "test_settings_file.moc"
