#include "document/frmDocument.h"

#include "document/DownloadProgressBar.h"
#include "document/FindBar.h"
#include "document/SpellHighlighter.h"
#include "download/ctlAsync.h"
#include "platform/DroppedText.h"
#include "platform/RichTextBox.h"
#include "platform/Units.h"
#include "shell/Globals.h"
#include "shell/MainMenuBar.h"
#include "shell/MainToolBar.h"
#include "shell/frmMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>

namespace tarnwick::document {

using platform::RichTextBox;
using platform::Units;

frmDocument::frmDocument(shell::frmMain* mainWindow, QWidget* parent)
    : QWidget(parent)
    , rtfText(new RichTextBox(this))
    , ctlAsync1(new download::ctlAsync(mainWindow, this))
    , prgDownload(new DownloadProgressBar(ctlAsync1, this))
    , m_main(mainWindow)
{
    setObjectName(QStringLiteral("frmDocument"));
    rtfText->setObjectName(QStringLiteral("rtfText"));
    connect(rtfText, &RichTextBox::Change, this, &frmDocument::rtfText_Change);
    connect(rtfText, &RichTextBox::SelChange, this, &frmDocument::rtfText_SelChange);
    connect(rtfText, &RichTextBox::OLEDragDrop, this, &frmDocument::rtfText_OLEDragDrop);
    rtfText->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(rtfText, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        QMenu* menu = createContextMenu(position);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(rtfText->viewport()->mapToGlobal(position));
    });
    addEditorShortcuts();
    // Spelling follows the mode: the drop mode and lock of the box, and the Download File button.
    connect(rtfText, &RichTextBox::EditStateChanged, this, &frmDocument::updateSpellChecking);
    if (m_main) {
        if (QAction* downloadFile = m_main->tbToolBar->button(21))
            connect(downloadFile, &QAction::changed, this, &frmDocument::updateSpellChecking);
    }
    Form_Load();
}

bool frmDocument::wordProcessorMode() const
{
    if (!m_main)
        return false;
    const QAction* downloadFile = m_main->tbToolBar->button(21);
    return rtfText->OLEDropMode() == RichTextBox::DropAutomatic && !(downloadFile && downloadFile->isEnabled());
}

// Checking runs only where the user writes: an editable document in word-processor mode.
void frmDocument::updateSpellChecking()
{
    const bool wanted = wordProcessorMode() && !rtfText->Locked();
    if (wanted && !m_spelling) {
        if (SpellChecker* checker = m_main->spellChecker())
            m_spelling = new SpellHighlighter(rtfText, checker, this);
    } else if (!wanted && m_spelling) {
        delete m_spelling;
        m_spelling = nullptr;
    }
}

// Find, replace and zoom are reached by keys only, so they live on the window rather than in a menu.
void frmDocument::addEditorShortcuts()
{
    const auto add = [this](const char* name, const QList<QKeySequence>& keys, auto handler) {
        auto* action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
    };
    add("actFind", {QKeySequence(Qt::CTRL | Qt::Key_F)}, [this] { findBar()->openFind(); });
    add("actReplace", {QKeySequence(Qt::CTRL | Qt::Key_H)}, [this] { findBar()->openReplace(); });
    add("actFindNext", {QKeySequence(Qt::Key_F3)}, [this] { findBar()->findNext(); });
    add("actFindPrevious", {QKeySequence(Qt::SHIFT | Qt::Key_F3)}, [this] { findBar()->findPrevious(); });
    // Ctrl+= is the same key as Ctrl+Plus without Shift on most layouts.
    add("actZoomIn", {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
        [this] { rtfText->zoomInStep(); });
    add("actZoomOut", {QKeySequence(Qt::CTRL | Qt::Key_Minus)}, [this] { rtfText->zoomOutStep(); });
    add("actZoomReset", {QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { rtfText->setZoomPercent(100); });
}

FindBar* frmDocument::findBar()
{
    if (!m_findBar) {
        m_findBar = new FindBar(rtfText, this);
        connect(m_findBar, &FindBar::visibilityChanged, this, &frmDocument::Form_Resize);
    }
    return m_findBar;
}

bool frmDocument::findBarShown() const
{
    return m_findBar && !m_findBar->isHidden();
}

frmDocument::~frmDocument()
{
    // The marks go with the text; taking them off one by one would only slow the closing down.
    if (m_spelling)
        m_spelling->detach();
}

void frmDocument::Init(int& UntitledCount)
{
    m_currentFileName = QStringLiteral("Document") + QString::number(UntitledCount);
    setCaption(m_currentFileName);
    m_saveNeeded = false;
    m_newFile = true;
}

bool frmDocument::Retrieve(const QString& theFileName)
{
    m_currentFileName = theFileName;
    QString error;
    if (!rtfText->LoadFile(theFileName, &error) && m_main)
        m_main->reportFileError(tr("Could not open %1").arg(theFileName), error);
    rtfText_SelChange();
    setCaption(m_currentFileName);
    m_saveNeeded = false;
    m_newFile = false;
    return true;
}

QString frmDocument::SaveAs(const QString& theFileName)
{
    QString error;
    if (!rtfText->SaveFile(theFileName, &error)) {
        // The document is not on disk: keep the flags as they were so nothing claims it was saved.
        if (m_main)
            m_main->reportFileError(tr("Could not save %1").arg(theFileName), error);
        return QStringLiteral("False");
    }
    m_currentFileName = theFileName;
    m_saveNeeded = false;
    m_newFile = false;
    return QStringLiteral("True");
}

bool frmDocument::Save()
{
    return SaveAs(m_currentFileName) == QLatin1String("True");
}

QMdiSubWindow* frmDocument::subWindow() const
{
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

bool frmDocument::Visible() const
{
    const QWidget* frame = subWindow();
    return !(frame ? frame->isHidden() : isHidden());
}

void frmDocument::Hide()
{
    if (QMdiSubWindow* frame = subWindow())
        frame->hide();
    else
        hide();
}

QMenu* frmDocument::createContextMenu(const QPoint& position)
{
    QMenu* menu = rtfText->createStandardContextMenu(position);
    if (!m_main)
        return menu;
    // The box's own Cut, Copy and Paste would move Qt's HTML; the Edit menu's items move the
    // selection's rich-text markup, so they take their places, enabled exactly as in the menu. A
    // read-only box offers no Cut or Paste of its own; the Edit menu still does.
    const QList<QAction*> actions = menu->actions();
    QAction* before = actions.isEmpty() ? nullptr : actions.first();
    for (int i = 0; i < actions.size(); ++i) {
        const QString name = actions.at(i)->objectName();
        if (name != QLatin1String("edit-cut") && name != QLatin1String("edit-copy") &&
            name != QLatin1String("edit-paste"))
            continue;
        before = i + 1 < actions.size() ? actions.at(i + 1) : nullptr;
        menu->removeAction(actions.at(i));
        actions.at(i)->deleteLater();
    }
    for (const char* item : {"mnuEditCut", "mnuEditCopy", "mnuEditPaste"}) {
        if (QAction* editItem = m_main->mnuMain->item(QLatin1String(item)))
            menu->insertAction(before, editItem);
    }
    // Suggestions for a misspelled word under the pointer come first.
    if (m_spelling)
        m_spelling->addMenuEntries(menu, position);
    return menu;
}

void frmDocument::Form_Load()
{
    Form_Resize();
}

void frmDocument::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmDocument::Form_Resize()
{
    // The find bar takes a strip at the bottom, above the border where a download shows its
    // progress; the rest is the window's inner area.
    int strip = 0;
    if (findBarShown()) {
        strip = m_findBar->sizeHint().height();
        m_findBar->setGeometry(0, height() - Units::twipsToPixels(200) - strip, width(), strip);
    }
    const double scaleWidth = Units::pixelsToTwips(width());
    const double scaleHeight = Units::pixelsToTwips(height() - strip);
    const double boxWidth = scaleWidth - 400;
    const double boxHeight = scaleHeight - 400;
    // Too small an inner area gives a negative size: the box keeps its place and size.
    if (boxWidth >= 0 && boxHeight >= 0) {
        rtfText->setGeometry(Units::twipsToPixels(200), Units::twipsToPixels(200), Units::twipsToPixels(boxWidth),
                             Units::twipsToPixels(boxHeight));
    }
    rtfText->setRightMargin(Units::pixelsToTwips(rtfText->width()) - 400);
}

void frmDocument::rtfText_Change()
{
    if (!wordProcessorMode())
        return;
    if (!rtfText->Text().isEmpty())
        m_saveNeeded = true;
}

void frmDocument::rtfText_SelChange()
{
    if (!m_main)
        return;
    shell::MainToolBar* toolbar = m_main->tbToolBar;
    const auto flag = [](std::optional<bool> value) { return value.value_or(false) ? 1 : 0; };
    toolbar->setValue(QStringLiteral("Bold"), flag(rtfText->SelBold()));
    toolbar->setValue(QStringLiteral("Italic"), flag(rtfText->SelItalic()));
    toolbar->setValue(QStringLiteral("Underline"), flag(rtfText->SelUnderline()));
    toolbar->setValue(QStringLiteral("Align Left"), rtfText->SelAlignment() == RichTextBox::AlignLeftValue ? 1 : 0);
    toolbar->setValue(QStringLiteral("Center"), rtfText->SelAlignment() == RichTextBox::AlignCenterValue ? 1 : 0);
    toolbar->setValue(QStringLiteral("Align Right"), rtfText->SelAlignment() == RichTextBox::AlignRightValue ? 1 : 0);
}

void frmDocument::rtfText_OLEDragDrop(const QMimeData* data)
{
    const std::optional<QString> dropped = platform::droppedPlainText(data);
    if (!dropped)
        return;
    rtfText->setText(*dropped);
    if (rtfText->Text().isEmpty())
        return;
    ctlAsync1->setURL(rtfText->Text());
    if (m_main)
        m_main->LoadNewDoc();
}

void frmDocument::closeEvent(QCloseEvent* event)
{
    if (m_unloaded || Form_Unload()) {
        event->accept();
        return;
    }
    event->ignore();
}

bool frmDocument::Form_Unload()
{
    if (m_main && m_main->intOLEModertfText == 2 && !m_main->tbToolBar->button(21)->isEnabled()) {
        m_main->bringToFront(this);
        if (!QuerySave())
            return false;
    }
    unregister();
    return true;
}

void frmDocument::unregister()
{
    m_unloaded = true;
    // A download still running in a closed window is dropped with its temporary folder.
    ctlAsync1->abort();
    if (!m_main)
        return;
    m_main->setOpenDocCount(m_main->OpenDocCount() - 1);
    shell::OpenDocuments.Remove(Tag);
    m_main->UpdateFileMenu();
}

bool frmDocument::QuerySave()
{
    if (!m_saveNeeded)
        return true;
    const QWidget* active = m_main->ActiveForm();
    const QString caption = active ? active->windowTitle() : Caption();
    if (m_main->AskYesNo(QStringLiteral("Do you want to save ") + caption + QStringLiteral("?")) != 6)
        return true;
    const frmDocument* activeDocument = qobject_cast<const frmDocument*>(active);
    if (activeDocument ? activeDocument->NewFile() : m_newFile)
        return m_main->saveActiveDocumentAs();
    return Save();
}

} // namespace tarnwick::document
