#include "platform/qt/program_starter.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace kalvimo {

bool DesktopProgramStarter::startDetached(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

bool DesktopProgramStarter::openWithDesktop(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QString startViewer(ProgramStarter& starter, const QString& dataDir, const QString& file) {
    const QString viewer = QDir(dataDir).filePath(QStringLiteral("wordpad.exe"));
    const QFileInfo info(viewer);
    if (info.isFile() && info.isExecutable()) {
        if (starter.startDetached(viewer, {QDir::toNativeSeparators(file)})) return {};
        return QStringLiteral("Не удалось запустить программу просмотра %1").arg(viewer);
    }
    starter.openInViewer(file);
    return {};
}

}  // namespace kalvimo
