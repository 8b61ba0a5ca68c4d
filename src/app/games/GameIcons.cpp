#include "app/games/GameIcons.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPixmap>

#include "games/CommandLine.h"
#include "games/PeIcons.h"

namespace pw {
namespace {

bool isWindowsModule(const QString& file) {
    const QString suffix = QFileInfo(file).suffix().toLower();
    return suffix == QLatin1String("exe") || suffix == QLatin1String("dll") || suffix == QLatin1String("com");
}

// Every size the reader finds in the file, so that the lists can take the best fitting one.
QIcon iconFromReader(QImageReader& reader) {
    QIcon icon;
    const int count = reader.imageCount();
    for (int i = 0; i < std::max(count, 1); ++i) {
        if (i > 0 && !reader.jumpToImage(i)) {
            break;
        }
        const QImage image = reader.read();
        if (!image.isNull()) {
            icon.addPixmap(QPixmap::fromImage(image));
        }
    }
    return icon;
}

QIcon iconOfProgram(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly) || f.size() <= 0) {
        return {};
    }
    // A game's program may be large: it is mapped, not read.
    const uchar* mapped = f.map(0, f.size());
    if (mapped == nullptr) {
        return {};
    }
    const auto ico = firstIconOfProgram(
        std::string_view(reinterpret_cast<const char*>(mapped), static_cast<std::size_t>(f.size())));
    f.unmap(const_cast<uchar*>(mapped));
    if (!ico) {
        return {};
    }
    QByteArray bytes(ico->data(), static_cast<qsizetype>(ico->size()));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "ico");
    return iconFromReader(reader);
}

}  // namespace

QIcon iconOfFile(const QString& file) {
    const QFileInfo info(file);
    if (file.isEmpty() || !info.isFile()) {
        return {};
    }
    if (isWindowsModule(file)) {
        return iconOfProgram(file);
    }
    QImageReader reader(file);
    if (!reader.canRead()) {
        return {};
    }
    return iconFromReader(reader);
}

GameIcon extractGameIcon(const QString& file) {
    GameIcon result{iconOfFile(file), file};
    if (!result.icon.isNull() || file.isEmpty()) {
        return result;
    }
    const QString folder = QString::fromStdString(folderOf(file.toStdString()));
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QStringList icons = dir.entryList({QStringLiteral("*.ico")}, QDir::Files, QDir::Name);
    result.iconSource = icons.isEmpty() ? folder : folder + icons.front();
    if (!icons.isEmpty()) {
        result.icon = iconOfFile(dir.filePath(icons.front()));
    }
    return result;
}

QIcon displayIcon(const GameIcon& found, const QString& file) {
    if (!found.icon.isNull()) {
        return found.icon;
    }
    QIcon themed;
    if (!file.isEmpty()) {
        const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
        themed = QIcon::fromTheme(type.iconName());
        if (themed.isNull()) {
            themed = QIcon::fromTheme(type.genericIconName());
        }
    }
    if (themed.isNull()) {
        themed = QFileIconProvider().icon(QFileInfo(file).isDir() ? QFileIconProvider::Folder
                                                                  : QFileIconProvider::File);
    }
    return themed;
}

}  // namespace pw
