// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QTextBrowser;

namespace tarvo
{

// The help pages, shown inside the program. One viewer at a time; asking for
// another page replaces the one shown.
class HelpViewer : public QDialog
{
    Q_OBJECT
public:
    static HelpViewer* Show(QWidget* owner, const QString& path, const QString& model);
    QString ShownFile() const { return m_file; }

private:
    explicit HelpViewer(QWidget* owner);
    void Open(const QString& path, const QString& model);

    QTextBrowser* m_browser = nullptr;
    QString m_file;
};

} // namespace tarvo
