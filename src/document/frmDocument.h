#pragma once

#include <QString>
#include <QWidget>

class QMdiSubWindow;
class QMenu;
class QMimeData;

namespace tarnwick::platform {
class RichTextBox;
}
namespace tarnwick::download {
class ctlAsync;
}
namespace tarnwick::shell {
class frmMain;
}

namespace tarnwick::document {

class DownloadProgressBar;
class FindBar;
class SpellHighlighter;

// One document in a child window of the main window: the rich text box, the download control,
// the file the document belongs to and whether it has unsaved changes.
class frmDocument : public QWidget
{
    Q_OBJECT
public:
    explicit frmDocument(shell::frmMain* mainWindow, QWidget* parent = nullptr);
    ~frmDocument() override;

    platform::RichTextBox* rtfText;
    download::ctlAsync* ctlAsync1;
    DownloadProgressBar* prgDownload; // in the bottom border, only while ctlAsync1 downloads
    QString Tag;

    QString CurrentFileName() const { return m_currentFileName; }
    bool SaveNeeded() const { return m_saveNeeded; }
    bool NewFile() const { return m_newFile; }

    QString Caption() const { return windowTitle(); }
    void setCaption(const QString& caption) { setWindowTitle(caption); }

    void Init(int& UntitledCount);
    bool Retrieve(const QString& theFileName);
    // Returns "True" when the document was written, "False" (after telling the user why) when not.
    QString SaveAs(const QString& theFileName);
    bool Save();

    // The child window frame this document is shown in, if any.
    QMdiSubWindow* subWindow() const;
    // Whether the document's window has been hidden (it still counts as loaded).
    bool Visible() const;
    void Hide();

    // The text box's right-click menu at a position in its viewport; the caller owns it.
    QMenu* createContextMenu(const QPoint& position);
    // The find bar at the bottom of the window (Ctrl+F, Ctrl+H); made when first asked for.
    FindBar* findBar();
    bool findBarShown() const;
    // Marks misspellings while the window is an editable document in word-processor mode; null otherwise.
    SpellHighlighter* spelling() const { return m_spelling; }

public slots:
    void rtfText_SelChange();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void Form_Resize();
    // Returns false when the window must stay open (the user asked to save and the save did not happen).
    bool Form_Unload();
    bool QuerySave();
    void rtfText_Change();
    void rtfText_OLEDragDrop(const QMimeData* data);
    void unregister();
    void addEditorShortcuts();
    bool wordProcessorMode() const;
    void updateSpellChecking();

    shell::frmMain* m_main;
    QString m_currentFileName;
    bool m_saveNeeded = false;
    bool m_newFile = true;
    bool m_unloaded = false;
    FindBar* m_findBar = nullptr;
    SpellHighlighter* m_spelling = nullptr;
};

} // namespace tarnwick::document
