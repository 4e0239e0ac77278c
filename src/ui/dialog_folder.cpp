// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialog_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tarvo
{

namespace
{
QString& Folder()
{
    static QString folder;
    return folder;
}
} // namespace

QString DialogFolder()
{
    QString& folder = Folder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            folder = QDir::homePath();
    }
    return folder;
}

void RememberDialogFolder(const QString& chosenFile)
{
    Folder() = QFileInfo(chosenFile).absolutePath();
}

} // namespace tarvo
