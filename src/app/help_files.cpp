// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/help_files.h"

#include "build_config.h"
#include "clock/clock_model.h"

#include <QDir>
#include <QFileInfo>

namespace tarvo
{

QString HelpFileName(const ClockModel* model)
{
    return QLatin1String((model ? *model : AllModels().front()).helpPage);
}

QString HelpModelName(const ClockModel* model)
{
    return QString::number((model ? *model : AllModels().front()).number);
}

QStringList HelpSearchDirs(const QString& programDir)
{
    const QDir dir(programDir);
    QStringList dirs{
        dir.absolutePath(), dir.absoluteFilePath(QStringLiteral("help")),
        QDir::cleanPath(dir.absoluteFilePath(QStringLiteral("../share/tarvo-control-panel/help")))};
    dirs << QStringLiteral(TARVO_SOURCE_HELP_DIR);
    return dirs;
}

QString FindHelpFile(const ClockModel* model, const QString& programDir)
{
    const QString name = HelpFileName(model);
    for (const QString& dir : HelpSearchDirs(programDir)) {
        const QString path = QDir(dir).filePath(name);
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

} // namespace tarvo
