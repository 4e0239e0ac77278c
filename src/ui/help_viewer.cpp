// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/help_viewer.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace tarvo
{

HelpViewer::HelpViewer(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("txtHelp"));
    m_browser->setOpenExternalLinks(true);
    m_browser->setAccessibleName(QStringLiteral("Help text"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(m_browser);
    layout->addWidget(buttons);
    resize(720, 640);
}

HelpViewer* HelpViewer::Show(QWidget* owner, const QString& path, const QString& model)
{
    static QPointer<HelpViewer> viewer;
    if (!viewer)
        viewer = new HelpViewer(owner);
    viewer->Open(path, model);
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return viewer;
}

void HelpViewer::Open(const QString& path, const QString& model)
{
    m_file = path;
    setWindowTitle(QStringLiteral("Tarvo Control Panel Help: model %1").arg(model));
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        m_browser->setHtml(QStringLiteral("<h2>Help is not installed</h2><p>The help page for "
                                          "the model %1 clock was not found beside the "
                                          "program.</p>")
                               .arg(model.toHtmlEscaped()));
        return;
    }
    m_browser->setSource(QUrl::fromLocalFile(path));
}

} // namespace tarvo
