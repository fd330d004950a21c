#include "shell/frmMain.h"

#include "browser/dlgChangeHomePage.h"
#include "browser/frmBrowser.h"
#include "document/FormatBar.h"
#include "document/SpellChecker.h"
#include "document/frmDocument.h"
#include "download/DownloadMode.h"
#include "download/dlgFileSaveOptions.h"
#include "download/ctlAsync.h"
#include "download/dlgDownload.h"
#include "download/frmChangeDir.h"
#include "help/frmAbout.h"
#include "platform/AppEnvironment.h"
#include "platform/Clipboard.h"
#include "platform/DesktopServices.h"
#include "platform/DialogService.h"
#include "platform/HelpEngine.h"
#include "platform/HunspellDictionary.h"
#include "platform/MessageBox.h"
#include "platform/RichTextBox.h"
#include "platform/SettingsStore.h"
#include "platform/Units.h"
#include "platform/UrlReader.h"
#include "print/PrintCommands.h"
#include "shell/Globals.h"
#include "shell/MainMenuBar.h"
#include "shell/MainStatusBar.h"
#include "shell/Icons.h"
#include "shell/MainToolBar.h"
#include "shell/MenuDescriptions.h"
#include "shell/Module1.h"
#include "shell/ProductHomePage.h"
#include "shell/Resources.h"
#include "shell/SettingsKeys.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>
#include <climits>

namespace tarnwick::shell {

using document::frmDocument;
using platform::AppEnvironment;
using platform::CommonDialog;
using platform::Units;

namespace {
const QString kTitle = QStringLiteral("Tarnwick");
const QString kDocumentFilter = QStringLiteral(
    "All Files (*.*)|*.*|Text File (*.txt)|*.txt|RTF File (*.rtf)|*.rtf|HTML File (*.htm or *.html)|*.htm");
const QString kHtmlFilter = QStringLiteral("All Files (*.*)|*.*|HTML Files|*.htm;*.html");
const QString kSaveFilter = QStringLiteral("All Files (*.*)|*.*|Text File (*.txt)|*.txt");
} // namespace

frmMain::frmMain(const platform::Services& services, QWidget* parent)
    : QMainWindow(parent)
    , tbToolBar(new MainToolBar(this))
    , tbFormatBar(new document::FormatBar(this))
    , sbStatusBar(new MainStatusBar(this))
    , mdiArea(new QMdiArea(this))
    , mnuMain(new MainMenuBar(this, mdiArea))
    , dlgCommonDialog(services.dialogs, this)
    , cmdSave1(services.dialogs, this)
    , m_services(services)
    , m_log(initDirec, tstFileNumb)
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    initResources();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kTitle);
    setWindowIcon(programIcon(QStringLiteral("tarnwick")));
    mdiArea->setObjectName(QStringLiteral("mdiArea"));
    mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Closing the window in front brings back the one that was in front before it.
    mdiArea->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    setCentralWidget(mdiArea);
    addToolBar(tbToolBar);
    createFormatBar();
    setStatusBar(sbStatusBar);
    cmdSave1.DialogTitle = QStringLiteral("Save the downloaded file as");
    setMenuBar(mnuMain);
    // Qt's own toolbar menu would hide the toolbar without the View menu's check following.
    setContextMenuPolicy(Qt::NoContextMenu);
    describeMenus(menuBar());
    connect(tbToolBar, &MainToolBar::ButtonClick, this, &frmMain::tbToolBar_ButtonClick);
}

// The format bar sits on its own row under the toolbar, follows the active document and goes
// wherever the toolbar goes, so View > Toolbar shows and hides both.
void frmMain::createFormatBar()
{
    addToolBarBreak();
    addToolBar(tbFormatBar);
    connect(tbToolBar, &QToolBar::visibilityChanged, tbFormatBar,
            [this] { tbFormatBar->setHidden(tbToolBar->isHidden()); });
    connect(mdiArea, &QMdiArea::subWindowActivated, tbFormatBar, [this] {
        frmDocument* document = activeDocument();
        tbFormatBar->setTarget(document ? document->rtfText : nullptr);
    });
}

document::SpellChecker* frmMain::spellChecker()
{
    if (!m_spellChecker) {
        const QString base =
            platform::HunspellDictionary::locate(QLocale::system().name(), platform::HunspellDictionary::systemFolders());
        m_spellChecker = std::make_shared<document::SpellChecker>(
            [base]() -> std::unique_ptr<platform::SpellDictionary> {
                return base.isEmpty() ? nullptr : platform::HunspellDictionary::load(base);
            },
            AppEnvironment::joinPath(m_services.environment.dataDir(), QStringLiteral("personal-words.txt")));
    }
    return m_spellChecker.get();
}

frmMain::~frmMain()
{
    if (MainWindow == this)
        MainWindow = nullptr;
}

void frmMain::Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    MDIForm_Load();
    // Folders that a crashed run left in the download cache go once the window is up.
    const QString downloadRoot = m_services.environment.downloadRoot();
    const bool defaultRoot = downloadRoot == platform::UrlReader::defaultDownloadRoot();
    QTimer::singleShot(0, this, [downloadRoot, defaultRoot] {
        platform::UrlReader::cleanupStaleFolders(downloadRoot);
        if (defaultRoot)
            platform::UrlReader::cleanupFormerDownloadRoots();
    });
}

// ---------------------------------------------------------------------------------------------
// Start-up and shutdown

void frmMain::MDIForm_Load()
{
    applyStoredPlacement();

    intOLEModertfText = 1;
    // The automatic mode's status text, from the one table of download modes.
    sbStatusBar->setPanelText(1, download::settingsOf(download::DownloadMode::Automatic).statusText);
    tbToolBar->button(2)->setEnabled(false);
    mnuMain->item(QStringLiteral("mnuFileOpen"))->setEnabled(false);

    LoadNewDoc();

    existingDir.clear();
    for (const QString& candidate : m_services.environment.fallbackCandidates()) {
        if (AppEnvironment::folderExists(candidate)) {
            existingDir = candidate;
            break;
        }
    }
    if (existingDir.isEmpty())
        existingDir = AppEnvironment::currentDirectory();

    newDir = m_services.settings.read(settings::DefaultDirectory, existingDir);
    if (AppEnvironment::folderExists(newDir)) {
        initDirec = newDir;
    } else {
        initDirec = existingDir;
        newDir = existingDir;
    }

    // The log goes beside the program when that folder is writable, else into the user's data folder.
    m_log.setDirectory(m_services.environment.logDir());
    AppEnvironment::setCurrentDirectory(m_log.directory());
    strLogFileFullPath = m_log.fullPath();
    m_log.create(ActivityLog::headerLines(m_clock()));

    m_helpFile = AppEnvironment::joinPath(m_services.environment.applicationDir(), QStringLiteral("Tarnwick.hlp"));

    AppEnvironment::setCurrentDirectory(initDirec);

    settings::parseBoolean(
        m_services.settings.read(settings::SaveLogFileOnExit, settings::DefaultSaveLogFileOnExit),
        &m_saveLogOnExit);
    mnuMain->item(QStringLiteral("mnuOptionsSaveLogFileOnExit"))->setChecked(m_saveLogOnExit);
}

void frmMain::applyStoredPlacement()
{
    // Each value is applied as soon as it is read; one that is not a number leaves that coordinate alone.
    float value = 0;
    if (settings::parseSingle(m_services.settings.read(settings::MainLeft, settings::DefaultMainLeft), &value))
        move(Units::twipsToPixels(value), y());
    if (settings::parseSingle(m_services.settings.read(settings::MainTop, settings::DefaultMainTop), &value))
        move(x(), Units::twipsToPixels(value));
    if (settings::parseSingle(m_services.settings.read(settings::MainWidth, settings::DefaultMainWidth), &value))
        resize(qMax(1, Units::twipsToPixels(value)), height());
    if (settings::parseSingle(m_services.settings.read(settings::MainHeight, settings::DefaultMainHeight), &value))
        resize(width(), qMax(1, Units::twipsToPixels(value)));
}

void frmMain::storePlacement()
{
    // The frame's position with the inner size, maximised or not: that is what the next start applies.
    const QRect frame(pos(), size());
    m_services.settings.write(settings::MainLeft, settings::formatSingle(float(Units::pixelsToTwips(frame.x()))));
    m_services.settings.write(settings::MainTop, settings::formatSingle(float(Units::pixelsToTwips(frame.y()))));
    m_services.settings.write(settings::MainWidth,
                              settings::formatSingle(float(Units::pixelsToTwips(frame.width()))));
    m_services.settings.write(settings::MainHeight,
                              settings::formatSingle(float(Units::pixelsToTwips(frame.height()))));
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    // Children go first; a document whose save the user asked for and did not get keeps the
    // program open, so nothing is lost.
    const QList<QMdiSubWindow*> children = mdiArea->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow* child : children) {
        if (!child->close()) {
            event->ignore();
            return;
        }
    }
    MDIForm_Unload();
    m_unloaded = true;
    event->accept();
    emit unloaded();
}

void frmMain::MDIForm_Unload()
{
    if (!isMinimized())
        storePlacement();

    settings::parseBoolean(
        m_services.settings.read(settings::SaveLogFileOnExit, settings::DefaultSaveLogFileOnExit),
        &m_saveLogOnExit);

    bool keepLog = false;
    if (m_saveLogOnExit)
        offerLogCopy(&keepLog);

    initDirec = AppEnvironment::currentDirectory();
    if (!keepLog)
        m_log.remove();

    m_services.settings.write(settings::DefaultDirectory, newDir);
}

void frmMain::offerLogCopy(bool* keepLog)
{
    dlgCommonDialog.DialogTitle = QStringLiteral("Save Log File As");
    dlgCommonDialog.Filter = QStringLiteral("Text File (*.txt)|*.txt");
    dlgCommonDialog.InitDir = newDir;
    dlgCommonDialog.Flags = platform::DialogFlags::OverwritePrompt;
    dlgCommonDialog.CancelError = true;
    // Whatever document name the dialog last held is no name for a copy of the log.
    dlgCommonDialog.FileName = ActivityLog::FileName;
    if (dlgCommonDialog.ShowSave() != CommonDialog::Result::Ok || dlgCommonDialog.FileName.isEmpty())
        return;
    if (m_log.isTheLog(dlgCommonDialog.FileName)) {
        // Keeping the log where it already is: copying it onto itself and then deleting it would
        // leave nothing.
        *keepLog = true;
        return;
    }
    QString error;
    if (!m_log.copyTo(dlgCommonDialog.FileName, &error)) {
        // The only copy is the one about to be deleted: keep it and say where it is.
        *keepLog = true;
        reportFileError(tr("Could not save the log file as %1").arg(dlgCommonDialog.FileName),
                        error + QStringLiteral("\r\nThe log stays at ") + strLogFileFullPath);
    }
}

// ---------------------------------------------------------------------------------------------
// Document windows

void frmMain::EnableFileCommands(bool enabled)
{
    mnuMain->setFileCommandsEnabled(enabled);
}

void frmMain::UpdateFileMenu()
{
    EnableFileCommands(OpenDocCount() != 0);
}

frmDocument* frmMain::LoadNewDoc()
{
    if (m_openDocCount < INT_MAX)
        ++m_openDocCount;
    if (m_docSequence < INT_MAX)
        ++m_docSequence;

    auto* window = new frmDocument(this);
    // Added hidden and sized first, so that the window appears at its size.
    QMdiSubWindow* frame = mdiArea->addSubWindow(window);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->resize(Units::twipsToPixels(3600, 2000));

    window->Tag = QString::number(m_docSequence);
    window->Init(m_openDocCount);
    OpenDocuments.Add(window, window->Tag);
    window->rtfText->setOLEDropMode(intOLEModertfText);
    frame->show();
    mdiArea->setActiveSubWindow(frame);
    window->rtfText->setFocus();
    UpdateFileMenu();
    return window;
}

frmDocument* frmMain::LoadNewDoc1()
{
    if (m_openDocCount < INT_MAX)
        ++m_openDocCount;
    auto* window = new frmDocument(this);
    QMdiSubWindow* frame = mdiArea->addSubWindow(window);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    window->Init(m_openDocCount);
    frame->show();
    mdiArea->setActiveSubWindow(frame);
    window->rtfText->setOLEDropMode(intOLEModertfText);
    UpdateFileMenu();
    return window;
}

void frmMain::killHiddenDocuments()
{
    // A snapshot: unloading removes entries while we walk.
    const QList<frmDocument*> windows = OpenDocuments.windows();
    for (frmDocument* window : windows) {
        if (!window || window->Visible())
            continue;
        if (QMdiSubWindow* frame = window->subWindow())
            frame->close();
        else
            window->close();
    }
}

QWidget* frmMain::ActiveForm() const
{
    QMdiSubWindow* frame = mdiArea->currentSubWindow();
    return frame ? frame->widget() : nullptr;
}

frmDocument* frmMain::activeDocument() const
{
    return qobject_cast<frmDocument*>(ActiveForm());
}

void frmMain::bringToFront(frmDocument* document)
{
    if (!document)
        return;
    if (QMdiSubWindow* frame = document->subWindow()) {
        frame->show();
        mdiArea->setActiveSubWindow(frame);
    }
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

int frmMain::AskYesNo(const QString& prompt)
{
    return Module1::AskYesNo(m_services.dialogs, this, prompt);
}

void frmMain::reportFileError(const QString& what, const QString& reason)
{
    QString text = what;
    if (!reason.isEmpty())
        text += QStringLiteral(":\r\n") + reason;
    m_services.dialogs.messageBox(this, text, platform::MsgBox::OKOnly | platform::MsgBox::Exclamation, kTitle);
}

void frmMain::Arrange(int arrangement)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* frame : mdiArea->subWindowList(QMdiArea::StackingOrder)) {
        if (frame->isVisible() && !frame->isMinimized())
            windows << frame;
    }
    const QRect area = mdiArea->viewport()->rect();
    switch (arrangement) {
    case 0:
        mdiArea->cascadeSubWindows();
        break;
    case 1:
    case 2: {
        if (windows.isEmpty())
            break;
        const int count = int(windows.size());
        for (int i = 0; i < count; ++i) {
            QMdiSubWindow* frame = windows.at(i);
            frame->showNormal();
            if (arrangement == 1) {
                const int top = area.height() * i / count;
                const int bottom = area.height() * (i + 1) / count;
                frame->setGeometry(0, top, area.width(), bottom - top);
            } else {
                const int left = area.width() * i / count;
                const int right = area.width() * (i + 1) / count;
                frame->setGeometry(left, 0, right - left, area.height());
            }
        }
        break;
    }
    case 3: {
        int left = 0;
        for (QMdiSubWindow* frame : mdiArea->subWindowList(QMdiArea::CreationOrder)) {
            if (!frame->isMinimized())
                continue;
            const QSize size = frame->size();
            frame->move(left, area.height() - size.height());
            left += size.width();
        }
        break;
    }
    default:
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// File menu

void frmMain::mnuFileNew_Click()
{
    LoadNewDoc();
}

void frmMain::mnuFileOpen_Click()
{
    dlgCommonDialog.DialogTitle = QStringLiteral("Open");
    dlgCommonDialog.InitDir = AppEnvironment::currentDirectory();
    dlgCommonDialog.CancelError = true;
    dlgCommonDialog.Filter = kDocumentFilter;
    if (dlgCommonDialog.ShowOpen() != CommonDialog::Result::Ok)
        return;
    const QString fileName = dlgCommonDialog.FileName;
    if (fileName.isEmpty())
        return;

    // Only an empty document takes the file in place; with a browser window in front the file
    // gets a new document window like any other.
    frmDocument* target = activeDocument();
    if (!target || !target->rtfText->Text().isEmpty())
        target = LoadNewDoc();
    QString error;
    if (!target->rtfText->LoadFile(fileName, &error)) {
        reportFileError(tr("Could not open %1").arg(fileName), error);
        return;
    }
    target->setCaption(fileName);
}

void frmMain::mnuFileWebBrowser_Click()
{
    dlgCommonDialog.DialogTitle = QStringLiteral("Open in Web Browser");
    dlgCommonDialog.InitDir = AppEnvironment::currentDirectory();
    dlgCommonDialog.CancelError = true;
    dlgCommonDialog.Filter = kHtmlFilter;
    if (dlgCommonDialog.ShowOpen() != CommonDialog::Result::Ok || dlgCommonDialog.FileName.isEmpty())
        return;
    openBrowserWindow(dlgCommonDialog.FileName);
}

void frmMain::openBrowserWindow(const QString& startingAddress)
{
    const platform::BrowserEngineError failure = browser::openBrowserWindow(this, startingAddress);
    if (failure.number != 0)
        m_services.dialogs.messageBox(this, browser::browserFailureMessage(failure), platform::MsgBox::OKOnly, kTitle);
}

void frmMain::mnuFileClose_Click()
{
    if (QMdiSubWindow* frame = mdiArea->currentSubWindow())
        frame->close();
}

bool frmMain::saveDocumentTo(frmDocument* document, const QString& path)
{
    QString error;
    if (document->rtfText->SaveFile(path, &error))
        return true;
    reportFileError(tr("Could not save %1").arg(path), error);
    return false;
}

void frmMain::mnuFileSave_Click()
{
    frmDocument* document = activeDocument();
    if (!document)
        return;
    const QString caption = document->Caption();
    if (caption.left(8) == QLatin1String("Document")) {
        dlgCommonDialog.DialogTitle = QStringLiteral("Save");
        dlgCommonDialog.Flags = platform::DialogFlags::OverwritePrompt;
        dlgCommonDialog.CancelError = true;
        dlgCommonDialog.Filter = kSaveFilter;
        if (dlgCommonDialog.ShowSave() != CommonDialog::Result::Ok || dlgCommonDialog.FileName.isEmpty())
            return;
        saveDocumentTo(document, dlgCommonDialog.FileName);
        return;
    }
    saveDocumentTo(document, caption);
}

bool frmMain::saveActiveDocumentAs()
{
    frmDocument* document = activeDocument();
    if (!document)
        return false;
    dlgCommonDialog.DialogTitle = QStringLiteral("Save As");
    dlgCommonDialog.Flags = platform::DialogFlags::OverwritePrompt;
    dlgCommonDialog.CancelError = true;
    dlgCommonDialog.Filter = kSaveFilter;
    if (dlgCommonDialog.ShowSave() != CommonDialog::Result::Ok || dlgCommonDialog.FileName.isEmpty())
        return false;
    const QString previousCaption = document->Caption();
    document->setCaption(dlgCommonDialog.FileName);
    if (saveDocumentTo(document, dlgCommonDialog.FileName))
        return true;
    // The window must not claim a file that was never written.
    document->setCaption(previousCaption);
    return false;
}

void frmMain::mnuFileSaveAs_Click()
{
    saveActiveDocumentAs();
}

void frmMain::mnuFilePageSetup_Click()
{
    print::PrintCommands::of(this).pageSetup(dlgCommonDialog);
}

void frmMain::mnuFilePrint_Click()
{
    print::PrintCommands::of(this).print(dlgCommonDialog, ActiveForm());
}

void frmMain::mnuFileExit_Click()
{
    close();
}

// ---------------------------------------------------------------------------------------------
// Edit, View, Window, Options and Help menus

// The Edit commands move a selection's rich-text markup through the clipboard as plain text.
void frmMain::mnuEditCut_Click()
{
    frmDocument* document = activeDocument();
    if (!document)
        return;
    platform::Clipboard::setText(document->rtfText->SelRTF());
    document->rtfText->setSelText(QString());
}

void frmMain::mnuEditCopy_Click()
{
    if (frmDocument* document = activeDocument())
        platform::Clipboard::setText(document->rtfText->SelRTF());
}

void frmMain::mnuEditPaste_Click()
{
    if (frmDocument* document = activeDocument())
        document->rtfText->setSelRTF(platform::Clipboard::text());
}

void frmMain::mnuViewToolbar_Click()
{
    QAction* item = mnuMain->item(QStringLiteral("mnuViewToolbar"));
    tbToolBar->setVisible(item->isChecked());
}

void frmMain::mnuViewStatusBar_Click()
{
    QAction* item = mnuMain->item(QStringLiteral("mnuViewStatusBar"));
    sbStatusBar->setVisible(item->isChecked());
}

void frmMain::mnuViewViewLogFile_Click()
{
    LoadNewDoc();
    frmDocument* document = activeDocument();
    if (!document)
        return;
    document->rtfText->setLocked(true);
    document->rtfText->LoadFile(strLogFileFullPath);
    document->setCaption(strLogFileFullPath);
}

void frmMain::mnuViewWebBrowser_Click()
{
    openBrowserWindow(
        m_services.settings.read(settings::HomePage, productHomePageUrl(m_services.environment)));
}

void frmMain::mnuWindowNewWindow_Click()
{
    LoadNewDoc();
}

void frmMain::mnuWindowCascade_Click()
{
    Arrange(0);
}

void frmMain::mnuWindowTileHorizontal_Click()
{
    Arrange(1);
}

void frmMain::mnuWindowTileVertical_Click()
{
    Arrange(2);
}

void frmMain::mnuWindowArrangeIcons_Click()
{
    Arrange(3);
}

void frmMain::mnuOptionsChangeDirectory_Click()
{
    if (!m_frmChangeDir)
        m_frmChangeDir = new download::frmChangeDir(this);
    m_frmChangeDir->Open();
}

void frmMain::mnuOptionsDownloadOptions_Click()
{
    // A closed dialog is only waiting to be deleted; each opening loads a fresh one.
    if (m_dlgDownload && !m_dlgDownload->isVisible())
        delete m_dlgDownload;
    if (!m_dlgDownload)
        m_dlgDownload = new download::dlgDownload(this);
    m_dlgDownload->ShowModal();
}

void frmMain::mnuOptionsFileSaveOptions_Click()
{
    download::dlgFileSaveOptions dialog(fileSaveMode, this);
    dialog.exec();
}

void frmMain::mnuOptionsHomePageofWebBrowser_Click()
{
    // Modal without an owner window.
    browser::dlgChangeHomePage dialog(m_services.settings, productHomePageUrl(m_services.environment));
    dialog.exec();
}

void frmMain::mnuOptionsWebBrowserInRightHalfWindow_Click()
{
    QAction* item = mnuMain->item(QStringLiteral("mnuOptionsWebBrowserInRightHalfWindow"));
    blBrowserNotRightHalf = !item->isChecked();
}

void frmMain::mnuOptionsSaveLogFileOnExit_Click()
{
    // The check has already flipped; the stored value decides at exit, so write it through now.
    QAction* item = mnuMain->item(QStringLiteral("mnuOptionsSaveLogFileOnExit"));
    m_services.settings.write(settings::SaveLogFileOnExit, settings::formatBoolean(item->isChecked()));
}

namespace {
// One call into the help engine; a call that fails is reported with its reason.
void callHelpEngine(QWidget* owner, const platform::Services& services, const QString& helpFile, quint32 command)
{
    QString error;
    if (services.help.showHelp(owner, helpFile, command, QString(), &error))
        return;
    if (error.isEmpty())
        error = QObject::tr("The help engine could not be started.");
    services.dialogs.messageBox(owner, error, platform::MsgBox::OKOnly, kTitle);
}
} // namespace

void frmMain::mnuHelpContents_Click()
{
    m_helpFile = AppEnvironment::joinPath(m_services.environment.applicationDir(), QStringLiteral("Tarnwick.hlp"));
    callHelpEngine(this, m_services, m_helpFile, platform::HelpEngine::Contents);
}

void frmMain::mnuHelpSearchForHelpOn_Click()
{
    m_helpFile = AppEnvironment::joinPath(m_services.environment.applicationDir(), QStringLiteral("Tarnwick.hlp"));
    callHelpEngine(this, m_services, m_helpFile, platform::HelpEngine::PartialKey);
}

void frmMain::mnuHelpTarnwickHomePage_Click()
{
    m_services.desktop.shellExecute(this, QStringLiteral("Open"), productHomePageUrl(m_services.environment),
                                    QString(), m_services.environment.applicationDir(),
                                    platform::ShowWindow::Normal);
}

void frmMain::mnuHelpAbout_Click()
{
    help::frmAbout about(m_services, this);
    about.exec();
}

// ---------------------------------------------------------------------------------------------
// Toolbar

void frmMain::toggleFormatting(QAction* button, std::optional<bool> (*read)(const frmDocument*),
                               void (*write)(frmDocument*, bool))
{
    frmDocument* document = activeDocument();
    if (!document) {
        // The button flipped itself when clicked; with nothing to format it shows what it showed.
        button->setChecked(!button->isChecked());
        return;
    }
    // A mixed selection has no single value to negate: it stays as it is and the button shows raised.
    if (const std::optional<bool> current = read(document))
        write(document, !*current);
    button->setChecked(read(document).value_or(false));
}

void frmMain::tbToolBar_ButtonClick(QAction* Button)
{
    const QString key = MainToolBar::keyOf(Button);
    using platform::RichTextBox;
    if (key == QLatin1String("New")) {
        LoadNewDoc();
    } else if (key == QLatin1String("Open")) {
        mnuFileOpen_Click();
    } else if (key == QLatin1String("Open in Web Browser")) {
        mnuFileWebBrowser_Click();
    } else if (key == QLatin1String("Save")) {
        mnuFileSave_Click();
    } else if (key == QLatin1String("Print")) {
        mnuFilePrint_Click();
    } else if (key == QLatin1String("Cut")) {
        mnuEditCut_Click();
    } else if (key == QLatin1String("Copy")) {
        mnuEditCopy_Click();
    } else if (key == QLatin1String("Paste")) {
        mnuEditPaste_Click();
    } else if (key == QLatin1String("Bold")) {
        toggleFormatting(
            Button, [](const frmDocument* d) { return d->rtfText->SelBold(); },
            [](frmDocument* d, bool on) { d->rtfText->setSelBold(on); });
    } else if (key == QLatin1String("Italic")) {
        toggleFormatting(
            Button, [](const frmDocument* d) { return d->rtfText->SelItalic(); },
            [](frmDocument* d, bool on) { d->rtfText->setSelItalic(on); });
    } else if (key == QLatin1String("Underline")) {
        toggleFormatting(
            Button, [](const frmDocument* d) { return d->rtfText->SelUnderline(); },
            [](frmDocument* d, bool on) { d->rtfText->setSelUnderline(on); });
    } else if (key == QLatin1String("Align Left")) {
        if (frmDocument* document = activeDocument())
            document->rtfText->setSelAlignment(RichTextBox::AlignLeftValue);
    } else if (key == QLatin1String("Center")) {
        if (frmDocument* document = activeDocument())
            document->rtfText->setSelAlignment(RichTextBox::AlignCenterValue);
    } else if (key == QLatin1String("Align Right")) {
        if (frmDocument* document = activeDocument())
            document->rtfText->setSelAlignment(RichTextBox::AlignRightValue);
    } else if (key == QLatin1String("Change Directory")) {
        mnuOptionsChangeDirectory_Click();
    } else if (key == QLatin1String("Download File")) {
        // With no document in front the emptiness test cannot be made, so only the new window opens.
        frmDocument* document = activeDocument();
        if (document && document->rtfText->Text().isEmpty())
            return;
        if (document)
            document->ctlAsync1->setURL(document->rtfText->Text());
        LoadNewDoc();
    } else if (key == QLatin1String("View Log File")) {
        mnuViewViewLogFile_Click();
    } else if (key == QLatin1String("File Save Options")) {
        mnuOptionsFileSaveOptions_Click();
    }
}

} // namespace tarnwick::shell
