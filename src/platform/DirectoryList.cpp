#include "platform/DirectoryList.h"

#include "platform/Volumes.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

namespace tarnwick::platform {

DirectoryList::DirectoryList(QWidget* parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this, &DirectoryList::open);
}

bool DirectoryList::setPath(const QString& path)
{
    const QString target = Volumes::normalizedDirectory(path);
    const QFileInfo info(target);
    if (target.isEmpty() || !info.isDir() || !info.isReadable() || !info.isExecutable())
        return false;

    QDir dir(target);
    const QFileInfoList children =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    clear();
    if (!dir.isRoot() && dir.cdUp()) {
        auto* up = new QListWidgetItem(style()->standardIcon(QStyle::SP_FileDialogToParent), QStringLiteral(".."), this);
        up->setData(PathRole, Volumes::normalizedDirectory(dir.absolutePath()));
    }
    const QIcon folder = style()->standardIcon(QStyle::SP_DirIcon);
    for (const QFileInfo& child : children) {
        auto* item = new QListWidgetItem(folder, child.fileName(), this);
        item->setData(PathRole, Volumes::normalizedDirectory(child.absoluteFilePath()));
    }
    if (count() > 0)
        setCurrentRow(0);

    if (target == m_path)
        return true;
    m_path = target;
    emit Change();
    return true;
}

void DirectoryList::open(QListWidgetItem* item)
{
    if (item)
        setPath(item->data(PathRole).toString());
}

void DirectoryList::keyPressEvent(QKeyEvent* event)
{
    // Enter opens the folder here rather than pressing the window's default button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        open(currentItem());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

} // namespace tarnwick::platform
