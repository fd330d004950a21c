#pragma once

#include <QList>
#include <QString>

namespace tarnwick::platform {

// One entry of the drive list: a mounted file system, named by its root.
struct Volume
{
    QString rootPath; // native separators; ends in the separator only when it is a file-system root such as "/"
    QString label;
    bool ready = true;
};

// The file systems the download directory can be chosen from. The real one asks the system;
// tests inject volumes of their own, including ones that are not ready.
class Volumes
{
public:
    virtual ~Volumes() = default;

    // Ready volumes first; the file-system root is always among them.
    virtual QList<Volume> mounted() const = 0;
    // Asked afresh on every attempt, so that a medium inserted meanwhile is seen.
    virtual bool isReady(const QString& rootPath) const = 0;

    // The root among volumes that holds path: the longest root that is path itself or one of its
    // parent folders. Empty when none does.
    static QString rootOf(const QList<Volume>& volumes, const QString& path);
    // A directory as the lists report it: absolute, native separators, no final separator except at a root.
    static QString normalizedDirectory(const QString& path);
};

// The mounted file systems as Qt sees them (QStorageInfo).
class QtVolumes : public Volumes
{
public:
    QList<Volume> mounted() const override;
    bool isReady(const QString& rootPath) const override;
};

} // namespace tarnwick::platform
