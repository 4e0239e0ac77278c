// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/help_files.h"

#include "build_config.h"
#include "clock/clock_model.h"

#include <QDir>
#include <QFileInfo>

namespace tarvo
{

QString HelpFileName(int clockType)
{
    return QLatin1String(ModelOrFallback(clockType).helpPage);
}

QString HelpModelName(int clockType)
{
    return QString::number(ModelOrFallback(clockType).number);
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

QString FindHelpFile(int clockType, const QString& programDir)
{
    const QString name = HelpFileName(clockType);
    for (const QString& dir : HelpSearchDirs(programDir)) {
        const QString path = QDir(dir).filePath(name);
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

} // namespace tarvo
