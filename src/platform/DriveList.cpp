#include "platform/DriveList.h"

#include <QSignalBlocker>

namespace tarnwick::platform {

DriveList::DriveList(const Volumes& volumes, QWidget* parent)
    : QComboBox(parent)
    , m_volumes(volumes)
{
    connect(this, &QComboBox::currentIndexChanged, this, &DriveList::Change);
}

void DriveList::refresh(const QString& path)
{
    const QSignalBlocker quiet(this);
    clear();
    m_entries = m_volumes.mounted();
    for (const Volume& volume : std::as_const(m_entries)) {
        const QString text = volume.label.isEmpty() ? volume.rootPath
                                                    : volume.rootPath + QStringLiteral("  [") + volume.label +
                                                          QLatin1Char(']');
        addItem(text, volume.rootPath);
    }
    setCurrentIndex(indexOf(path));
}

QString DriveList::Drive() const
{
    return currentData().toString();
}

int DriveList::indexOf(const QString& text) const
{
    const QString root = Volumes::rootOf(m_entries, text);
    if (root.isEmpty())
        return -1;
    return findData(root);
}

bool DriveList::setDrive(const QString& text)
{
    const int index = indexOf(text);
    if (index < 0)
        return false;
    setCurrentIndex(index);
    return true;
}

bool DriveList::isDriveReady() const
{
    const QString root = Drive();
    return !root.isEmpty() && m_volumes.isReady(root);
}

} // namespace tarnwick::platform
