#pragma once

#include "download/FileSaveMode.h"
#include "download/PromptTurns.h"
#include "platform/BrowserEngine.h"
#include "platform/CommonDialog.h"
#include "platform/Services.h"
#include "shell/ActivityLog.h"

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QMdiArea;
class QMdiSubWindow;

namespace tarnwick::document {
class FormatBar;
class SpellChecker;
class frmDocument;
} // namespace tarnwick::document
namespace tarnwick::download {
class dlgDownload;
class frmChangeDir;
} // namespace tarnwick::download

namespace tarnwick::shell {

class MainMenuBar;
class MainStatusBar;
class MainToolBar;

// The main window: a multiple-document frame with the menu bar, the toolbar, the status bar, the
// document windows it creates and numbers, and the start-up and shutdown steps around them.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(const platform::Services& services, QWidget* parent = nullptr);
    ~frmMain() override;

    // Runs the load steps once; the window is not shown.
    void Load();

    // Public state other windows read and write.
    qint32 intOLEModertfText = 1;
    QString initDirec;
    qint16 tstFileNumb = 0;
    QString strLogFileFullPath;
    QString existingDir;
    // The download directory; the directory dialog edits it and the exit stores it.
    QString newDir;

    MainToolBar* tbToolBar;
    // Font, size and colours of the active document's selection; shown and hidden with tbToolBar.
    document::FormatBar* tbFormatBar;
    MainStatusBar* sbStatusBar;
    QMdiArea* mdiArea;
    MainMenuBar* mnuMain;
    platform::CommonDialog dlgCommonDialog;
    platform::CommonDialog cmdSave1;
    // How finished downloads are named; the file save options dialog edits it.
    download::FileSaveMode fileSaveMode;
    download::PromptTurns& downloadPromptTurns() { return m_downloadPromptTurns; }

    ActivityLog& log() { return m_log; }
    QString helpFile() const { return m_helpFile; }
    const platform::Services& services() const { return m_services; }
    // Makes the engine of each new browser window; when empty, the engine module beside the
    // executable is used. Tests hand in a scripted engine here.
    platform::BrowserEngineFactory browserEngineFactory;

    // The spelling dictionary every document shares: the locale's, loaded when first needed.
    document::SpellChecker* spellChecker();
    // Tests hand in a checker over a dictionary of their own.
    void setSpellChecker(std::shared_ptr<document::SpellChecker> checker) { m_spellChecker = std::move(checker); }

    // Document windows.
    qint32 OpenDocCount() const { return m_openDocCount; }
    void setOpenDocCount(qint32 lngCount) { m_openDocCount = lngCount; }
    void UpdateFileMenu();
    document::frmDocument* LoadNewDoc();
    document::frmDocument* LoadNewDoc1();
    void killHiddenDocuments();

    // The child window in front (a document or a browser window), or null.
    QWidget* ActiveForm() const;
    document::frmDocument* activeDocument() const;
    void bringToFront(document::frmDocument* document);

    // Yes/No with the warning icon and the program's title; 6 for Yes, 7 for No.
    int AskYesNo(const QString& prompt);
    // Tells the user that a file operation failed, naming the file and the reason.
    void reportFileError(const QString& what, const QString& reason);
    // File > Save As on the active document; false when cancelled, failed or nothing to save.
    bool saveActiveDocumentAs();

    // Arranges the child windows: 0 cascade, 1 tile horizontally, 2 tile vertically, 3 line up icons.
    void Arrange(int arrangement);

    // Tests and benchmarks fix the moment the log header is stamped with.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

public slots:
    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileWebBrowser_Click();
    void mnuFileClose_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuFilePageSetup_Click();
    void mnuFilePrint_Click();
    void mnuFileExit_Click();
    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnuViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void mnuViewViewLogFile_Click();
    void mnuViewWebBrowser_Click();
    void mnuWindowNewWindow_Click();
    void mnuWindowCascade_Click();
    void mnuWindowTileHorizontal_Click();
    void mnuWindowTileVertical_Click();
    void mnuWindowArrangeIcons_Click();
    void mnuOptionsChangeDirectory_Click();
    void mnuOptionsDownloadOptions_Click();
    void mnuOptionsFileSaveOptions_Click();
    void mnuOptionsHomePageofWebBrowser_Click();
    void mnuOptionsWebBrowserInRightHalfWindow_Click();
    void mnuOptionsSaveLogFileOnExit_Click();
    void mnuHelpContents_Click();
    void mnuHelpSearchForHelpOn_Click();
    void mnuHelpTarnwickHomePage_Click();
    void mnuHelpAbout_Click();
    void tbToolBar_ButtonClick(QAction* Button);

signals:
    // The shutdown steps have run; the process may end.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void MDIForm_Load();
    void MDIForm_Unload();
    void EnableFileCommands(bool enabled);
    void applyStoredPlacement();
    void storePlacement();
    void offerLogCopy(bool* keepLog);
    bool saveDocumentTo(document::frmDocument* document, const QString& path);
    // Opens a browser window on startingAddress; a window that cannot be made is reported.
    void openBrowserWindow(const QString& startingAddress);
    void createFormatBar();
    void toggleFormatting(QAction* button, std::optional<bool> (*read)(const document::frmDocument*),
                          void (*write)(document::frmDocument*, bool));

    platform::Services m_services;
    download::PromptTurns m_downloadPromptTurns;
    ActivityLog m_log;
    QString m_helpFile;
    bool m_saveLogOnExit = false;
    qint32 m_openDocCount = 0;
    qint32 m_docSequence = 0;
    bool m_loaded = false;
    bool m_unloaded = false;
    std::function<QDateTime()> m_clock;

    // The one Download Options dialog while it is loaded.
    QPointer<download::dlgDownload> m_dlgDownload;
    // The download directory window: made on first use, it lives as long as this window.
    QPointer<download::frmChangeDir> m_frmChangeDir;
    std::shared_ptr<document::SpellChecker> m_spellChecker;
};

} // namespace tarnwick::shell
