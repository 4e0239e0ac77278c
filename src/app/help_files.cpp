#include "app/help_files.h"

#include "build_config.h"

#include <QDir>
#include <QFileInfo>

namespace tarvo
{

QString HelpFileName(int clockType)
{
    switch (clockType) {
    case 2:
        return QStringLiteral("Velmora 229.html");
    case 3:
        return QStringLiteral("Velmora 207.html");
    case 4:
        return QStringLiteral("Velmora 222.html");
    default:
        return QStringLiteral("Velmora.html");
    }
}

QString HelpModelName(int clockType)
{
    switch (clockType) {
    case 2:
        return QStringLiteral("229");
    case 3:
        return QStringLiteral("207");
    case 4:
        return QStringLiteral("222");
    default:
        return QStringLiteral("226");
    }
}

QStringList HelpSearchDirs(const QString& programDir)
{
    const QDir dir(programDir);
    QStringList dirs{dir.absolutePath(), dir.absoluteFilePath(QStringLiteral("help")),
                     QDir::cleanPath(dir.absoluteFilePath(
                         QStringLiteral("../share/tarvo-control-panel/help")))};
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
