#include "shell/Icons.h"

#include "shell/Resources.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

namespace tarnwick::shell {

QIcon programIcon(const QString& name)
{
    initResources();
    QIcon icon;
    const auto add = [&](int size) {
        const QString path = QStringLiteral(":/icons/png/%1-%2.png").arg(name).arg(size);
        if (!QFile::exists(path))
            return;
        // The format is named and not guessed: guessing (even with the format given) asks every
        // image-format plugin whether it can read the data, which loads all of them.
        QImageReader reader(path, "png");
        reader.setAutoDetectImageFormat(false);
        QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(std::move(image)));
    };
    if (name == QLatin1String("tarnwick")) {
        for (int size : kApplicationIconSizes)
            add(size);
    } else {
        for (int size : kToolbarIconSizes)
            add(size);
    }
    return icon;
}

} // namespace tarnwick::shell
