#pragma once

#include <QListWidget>

namespace tarnwick::platform {

// The directory list: ".." and the sub-folders of Path. Double-click or Enter opens an entry.
// Every change of Path, by the user or by code, raises Change.
class DirectoryList : public QListWidget
{
    Q_OBJECT
public:
    static constexpr int PathRole = Qt::UserRole;

    explicit DirectoryList(QWidget* parent = nullptr);

    QString Path() const { return m_path; }
    // Moves the list to path; false, and the list unchanged, when path is no folder that can be listed.
    bool setPath(const QString& path);

signals:
    void Change();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void open(QListWidgetItem* item);

    QString m_path;
};

} // namespace tarnwick::platform
