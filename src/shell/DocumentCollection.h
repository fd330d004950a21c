#pragma once

#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>

namespace tarnwick::document {
class frmDocument;
}

namespace tarnwick::shell {

// An ordered collection of document windows keyed by their Tag, in order of creation.
// Entries follow their window: a window destroyed without unloading drops out on its own.
class DocumentCollection
{
public:
    // False when the key is taken (the window is then not added).
    bool Add(document::frmDocument* window, const QString& key);
    // Removing a key that is not there does nothing.
    void Remove(const QString& key);
    document::frmDocument* Item(const QString& key) const;
    int Count() const;
    // The windows in order of creation, as they are now.
    QList<document::frmDocument*> windows() const;
    QStringList keys() const;
    void clear();

private:
    void prune() const;
    mutable QList<QPair<QString, QPointer<document::frmDocument>>> m_entries;
};

} // namespace tarnwick::shell
