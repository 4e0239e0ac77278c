// SPDX-License-Identifier: GPL-3.0-or-later
// The File menu: the clock settings the pages hold, saved to a file and
// loaded from one. The file dialogs are opened without a nested event loop
// and named, so a test can hand them a path.
#include "app/help_files.h"
#include "app/panel.h"
#include "app/settings_file.h"
#include "clock/json_text.h"
#include "ui/dialog_folder.h"
#include "ui/frmControlPanel.h"
#include "ui/page_builders.h"
#include "ui/settings_controls.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QStandardPaths>

namespace tarvo
{

namespace
{

class SettingsFileMenu : public QObject
{
public:
    explicit SettingsFileMenu(frmControlPanel& window) : QObject(&window), m_window(window) {}

    void OpenDialog(bool save)
    {
        auto* dialog =
            new QFileDialog(&m_window, save ? SaveSettingsTitle : LoadSettingsTitle, DialogFolder(),
                            QStringLiteral("Clock settings (*.json);;All files (*)"));
        dialog->setObjectName(save ? QStringLiteral("dlgSaveSettings")
                                   : QStringLiteral("dlgLoadSettings"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog->setDefaultSuffix(QStringLiteral("json"));
        if (save)
            dialog->selectFile(
                QStringLiteral("clock-%1.json").arg(HelpModelName(m_window.Core().Model())));
        // The dialog's own overwrite question would run a nested event loop;
        // the save asks through the program's boxes instead.
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
        connect(dialog, &QFileDialog::fileSelected, this, [this, save](const QString& path) {
            RememberDialogFolder(path);
            if (save)
                Save(path);
            else
                Load(path);
        });
        dialog->open();
    }

private:
    // The settings as a send would take them from the pages now.
    std::optional<ScriptSettings> Working() const
    {
        const SettingsControls* c = ClockSettingsControls(m_window);
        // The pages hold a clock's settings only while one is connected.
        if (!c || !m_window.Core().State().ClockFound)
            return std::nullopt;
        return WorkingScriptSettings(m_window.Core().State(), c->txtPhoneNumber->text(),
                                     c->cmbSecondOffset->currentIndex());
    }

    void Save(const QString& path)
    {
        if (const auto settings = Working())
            Spawn(&m_window.Core(), SaveSettingsFile(m_window.Core(), path, *settings));
    }

    void Load(const QString& path)
    {
        const auto current = Working();
        if (!current)
            return;
        const auto loaded = LoadSettingsFile(m_window.Core(), path, *current);
        // The pages are filled as from a record the clock sent; a send is
        // still the operator's to make.
        if (loaded) {
            m_window.Core().ShowLoadedSettings(*loaded);
            m_window.ShowStatus(QStringLiteral("Loaded %1: the pages differ from the clock until "
                                               "you press Send.")
                                    .arg(EscapeControls(path)));
        }
    }

    frmControlPanel& m_window;
};

} // namespace

void BuildSettingsFileMenu(frmControlPanel& window)
{
    auto* menu = new SettingsFileMenu(window);
    menu->setObjectName(QStringLiteral("settingsFileMenu"));
    const struct {
        const char* caption;
        const char* name;
        const char* tip;
        bool save;
    } items[] = {
        {"Save Clock Settings…", "mnuSaveSettings",
         "Saves the settings the pages show to a file, as tarvo-clock writes them", true},
        {"Load Clock Settings…", "mnuLoadSettings",
         "Fills the pages from a settings file; nothing is sent until you press Send", false},
    };
    for (const auto& item : items) {
        QAction* action = window.FileMenu()->addAction(QString::fromUtf8(item.caption));
        action->setObjectName(QLatin1String(item.name));
        action->setShortcut(item.save ? QKeySequence::Save : QKeySequence::Open);
        action->setShortcutContext(Qt::ApplicationShortcut);
        action->setStatusTip(QLatin1String(item.tip));
        action->setToolTip(QLatin1String(item.tip));
        // Until a clock answers the pages hold no settings to save or fill.
        action->setEnabled(false);
        QObject::connect(action, &QAction::triggered, menu,
                         [menu, save = item.save] { menu->OpenDialog(save); });
    }
}

} // namespace tarvo
