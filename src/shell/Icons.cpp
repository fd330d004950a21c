#include "shell/Icons.h"

#include "shell/Resources.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

namespace tarnwick::shell {

namespace {

QString picturePath(const QString& name, int size)
{
    return QStringLiteral(":/icons/png/%1-%2.png").arg(name).arg(size);
}

// Each drawn picture is decoded once per process, whichever icon asks first: the application
// icon alone is asked for by the application, the splash window and the main window.
QPixmap decodedPicture(const QString& path)
{
    static QHash<QString, QPixmap> decoded;
    auto found = decoded.constFind(path);
    if (found != decoded.constEnd())
        return *found;
    // The format is named and not guessed: guessing (even with the format given) asks every
    // image-format plugin whether it can read the data, which loads all of them.
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    const QPixmap pixmap = image.isNull() ? QPixmap() : QPixmap::fromImage(std::move(image));
    decoded.insert(path, pixmap);
    return pixmap;
}

// Decodes a size only when it is first shown: at 1x the 2x toolbar pictures are never needed,
// and only the X window manager's icon asks for every size of the application icon. Once
// decoded, a size is an ordinary pixmap of an ordinary icon, which makes the disabled and
// selected looks as before.
class ProgramIconEngine final : public QIconEngine
{
public:
    ProgramIconEngine(const QString& name, const QList<int>& sizes) : m_name(name), m_sizes(sizes) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return loadedFor(size).pixmap(size, 1.0, mode, state);
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const QPaintDevice* device = painter->device();
        const qreal ratio = device ? device->devicePixelRatio() : qGuiApp->devicePixelRatio();
        painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int drawn = bestSize(size);
        QSize actual(drawn, drawn);
        if (drawn > 0 && (actual.width() > size.width() || actual.height() > size.height()))
            actual.scale(size, Qt::KeepAspectRatio);
        return drawn > 0 ? actual : QSize();
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        QList<QSize> sizes;
        if (mode == QIcon::Normal && state == QIcon::Off) {
            for (int size : std::as_const(m_sizes))
                sizes << QSize(size, size);
        }
        return sizes;
    }
    bool isNull() override { return m_sizes.isEmpty(); }
    QString key() const override { return QStringLiteral("ProgramIconEngine"); }
    QIconEngine* clone() const override { return new ProgramIconEngine(*this); }

private:
    // As Qt's own pixmap icons choose: the smallest drawn size that fills the request, else the largest.
    int bestSize(const QSize& size) const
    {
        int best = 0;
        for (int drawn : m_sizes) {
            const bool fills = drawn >= size.width() && drawn >= size.height();
            const bool bestFills = best >= size.width() && best >= size.height();
            if (best == 0 || (fills && (!bestFills || drawn < best)) || (!fills && !bestFills && drawn > best))
                best = drawn;
        }
        return best;
    }

    const QIcon& loadedFor(const QSize& size)
    {
        const int drawn = bestSize(size);
        if (drawn > 0 && !m_loadedSizes.contains(drawn)) {
            m_loadedSizes << drawn;
            const QPixmap pixmap = decodedPicture(picturePath(m_name, drawn));
            if (!pixmap.isNull())
                m_loaded.addPixmap(pixmap);
        }
        return m_loaded;
    }

    QString m_name;
    QList<int> m_sizes;
    QList<int> m_loadedSizes;
    QIcon m_loaded;
};

} // namespace

QIcon programIcon(const QString& name)
{
    initResources();
    QList<int> sizes;
    const auto add = [&](int size) {
        if (QFile::exists(picturePath(name, size)))
            sizes << size;
    };
    if (name == QLatin1String("tarnwick")) {
        for (int size : kApplicationIconSizes)
            add(size);
    } else {
        for (int size : kToolbarIconSizes)
            add(size);
    }
    return QIcon(new ProgramIconEngine(name, sizes));
}

} // namespace tarnwick::shell
