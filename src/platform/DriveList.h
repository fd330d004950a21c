#pragma once

#include "platform/Volumes.h"

#include <QComboBox>

namespace tarnwick::platform {

// The drive list: one entry per mounted volume. Drive is the selected volume's root; every change
// of the selection, by the user or by code, raises Change.
class DriveList : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveList(const Volumes& volumes, QWidget* parent = nullptr);

    // Reads the volumes again and selects, without raising Change, the one that holds path.
    void refresh(const QString& path);
    QList<Volume> volumes() const { return m_entries; }

    QString Drive() const;
    // Selects the volume that holds text (a root or any path on it); false when none does.
    bool setDrive(const QString& text);
    // Whether the selected volume answers now.
    bool isDriveReady() const;

signals:
    void Change();

private:
    int indexOf(const QString& text) const;

    const Volumes& m_volumes;
    QList<Volume> m_entries;
};

} // namespace tarnwick::platform
