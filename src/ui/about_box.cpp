// SPDX-License-Identifier: GPL-3.0-or-later
// "About Tarvo Control Panel" at the foot of the View menu: the program's
// name, version, licence and purpose, in a box that leaves the window usable.
#include "build_config.h"
#include "ui/frmControlPanel.h"
#include "ui/page_builders.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>

namespace tarvo
{

QString AboutText()
{
    return QStringLiteral("Tarvo Control Panel %1\n\n"
                          "Finds a master clock on a serial port or the local network, "
                          "shows and edits its settings and sets its time.\n\n"
                          "Licence: GNU General Public License, version 3 or later.")
        .arg(QLatin1String(TARVO_VERSION));
}

void BuildAboutAction(frmControlPanel& window)
{
    QMenu* menu = window.ViewMenu();
    menu->addSeparator();
    QAction* about = menu->addAction(QStringLiteral("About Tarvo Control Panel"));
    about->setObjectName(QStringLiteral("mnuAbout"));
    auto box = std::make_shared<QPointer<QMessageBox>>();
    QObject::connect(about, &QAction::triggered, &window, [&window, box] {
        // One box at a time: a second choice brings the open one forward.
        if (!*box) {
            auto* shown =
                new QMessageBox(QMessageBox::NoIcon, QStringLiteral("About Tarvo Control Panel"),
                                AboutText(), QMessageBox::Ok, &window);
            shown->setObjectName(QStringLiteral("dlgAbout"));
            shown->setIconPixmap(
                QPixmap(QStringLiteral(":/images/clock.png"))
                    .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
            shown->setTextFormat(Qt::PlainText);
            shown->setAttribute(Qt::WA_DeleteOnClose);
            shown->setWindowModality(Qt::NonModal);
            *box = shown;
        }
        (*box)->show();
        (*box)->raise();
        (*box)->activateWindow();
    });
}

} // namespace tarvo
