#include "app/games/GameLauncher.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

#include "games/CommandLine.h"
#include "games/linux/WinePaths.h"

namespace pw {
namespace {

// What the first bytes say about a file the kernel is to run: an ELF binary or a script with
// its interpreter line starts directly; any other executable text is a shell script, which the
// shell reads with sh.
enum class FileKind { Native, ShellText, Other };

FileKind kindOf(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        return FileKind::Other;
    }
    const QByteArray head = f.read(4);
    if (head == QByteArray("\x7f"
                           "ELF",
                           4) ||
        head.startsWith("#!")) {
        return FileKind::Native;
    }
    if (head.startsWith("MZ")) {
        return FileKind::Other;
    }
    return FileKind::ShellText;
}

QStringList argumentsOf(const QString& parameters) {
    QStringList arguments;
    for (const std::string& a : splitArguments(parameters.toStdString())) {
        arguments << QString::fromStdString(a);
    }
    return arguments;
}

bool startDetached(const QString& program, const QStringList& arguments, const QString& directory,
                   qint64* pid) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (!directory.isEmpty()) {
        process.setWorkingDirectory(directory);
    }
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached(pid);
}

}  // namespace

LaunchResult launchFile(const QString& file, const QString& parameters, const QString& directory,
                        qint64* pid) {
    if (pid != nullptr) {
        *pid = 0;
    }
    if (isWindowsPath(file.toStdString())) {
        if (resolveProgramFile(file.toStdString()).empty()) {
            return LaunchResult::FileNotFound;
        }
        const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
        if (wine.isEmpty()) {
            return LaunchResult::WineMissing;
        }
        return startDetached(wine, QStringList{file} + argumentsOf(parameters), directory, pid)
                   ? LaunchResult::Started
                   : LaunchResult::Failed;
    }
    const QFileInfo info(file);
    if (file.isEmpty() || !info.exists()) {
        return LaunchResult::FileNotFound;
    }
    const QString program = info.absoluteFilePath();
    const QStringList arguments = argumentsOf(parameters);
    const FileKind kind = info.isFile() ? kindOf(program) : FileKind::Other;

    if (isWindowsProgramName(file.toStdString()) && kind != FileKind::Native) {
        const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
        if (wine.isEmpty()) {
            return LaunchResult::WineMissing;
        }
        return startDetached(wine, QStringList{program} + arguments, directory, pid) ? LaunchResult::Started
                                                                                     : LaunchResult::Failed;
    }
    if (info.isFile() && info.isExecutable()) {
        if (kind == FileKind::Native) {
            return startDetached(program, arguments, directory, pid) ? LaunchResult::Started
                                                                     : LaunchResult::Failed;
        }
        if (kind == FileKind::ShellText) {
            return startDetached(QStringLiteral("/bin/sh"), QStringList{program} + arguments, directory, pid)
                       ? LaunchResult::Started
                       : LaunchResult::Failed;
        }
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(program)) ? LaunchResult::Started
                                                                   : LaunchResult::Failed;
}

}  // namespace pw
