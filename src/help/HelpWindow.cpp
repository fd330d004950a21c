#include "help/HelpWindow.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace tarnwick::help {

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent)
{
    setObjectName(QStringLiteral("helpBrowser"));
    setOpenExternalLinks(true);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name)
{
    if (m_engine && name.scheme() == QLatin1String("qthelp"))
        return m_engine->fileData(name);
    return QTextBrowser::loadResource(type, name);
}

HelpWindow::HelpWindow(const QString& helpFile, QWidget* parent)
    : QMainWindow(parent), m_helpFile(helpFile), m_tabs(new QTabWidget(this)), m_keyword(new QLineEdit(this)),
      m_browser(new HelpBrowser(this))
{
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(tr("Tarnwick Help"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/tarnwick.svg")));
    resize(880, 620);

    m_tabs->setObjectName(QStringLiteral("helpTabs"));
    m_keyword->setObjectName(QStringLiteral("indexKeyword"));
    m_keyword->setClearButtonEnabled(true);
    m_keyword->setAccessibleName(tr("Look for"));
    m_keyword->setAccessibleDescription(tr("A keyword of the help index; the list shows the entries that start with it"));

    QToolBar* bar = addToolBar(tr("Navigation"));
    bar->setObjectName(QStringLiteral("helpToolBar"));
    bar->setMovable(false);
    bar->setAccessibleDescription(tr("Back, Forward and the help's contents page"));
    QAction* back =
        bar->addAction(QIcon(QStringLiteral(":/icons/back.svg")), tr("Back"), m_browser, &QTextBrowser::backward);
    QAction* forward =
        bar->addAction(QIcon(QStringLiteral(":/icons/forward.svg")), tr("Forward"), m_browser, &QTextBrowser::forward);
    bar->addAction(QIcon(QStringLiteral(":/icons/home.svg")), tr("Contents"), this, &HelpWindow::showContents);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 620});
    setCentralWidget(splitter);

    openHelpFile();
}

HelpWindow::~HelpWindow() = default;

void HelpWindow::reportProblem(const QString& text)
{
    m_problem = text;
    m_tabs->setEnabled(false);
    m_browser->setHtml(
        QStringLiteral("<h2>%1</h2><p>%2</p>").arg(tr("Help is not available").toHtmlEscaped(), text.toHtmlEscaped()));
}

void HelpWindow::openHelpFile()
{
    const QFileInfo file(m_helpFile);
    // Checked first: the engine would create an empty collection in place of a missing one.
    if (m_helpFile.isEmpty() || !file.isFile()) {
        reportProblem(tr("The help file %1 cannot be found.").arg(QDir::toNativeSeparators(m_helpFile)));
        return;
    }
    m_engine = new QHelpEngine(file.absoluteFilePath(), this);
    m_engine->setReadOnly(true);
    if (!m_engine->setupData() || m_engine->registeredDocumentations().isEmpty()) {
        const QString reason = m_engine->error().isEmpty() ? tr("it holds no help pages") : m_engine->error();
        reportProblem(tr("The help file %1 cannot be read: %2").arg(QDir::toNativeSeparators(m_helpFile), reason));
        return;
    }
    m_browser->setEngine(m_engine);

    QHelpContentWidget* contents = m_engine->contentWidget();
    contents->setObjectName(QStringLiteral("helpContents"));
    m_tabs->addTab(contents, tr("Contents"));
    connect(contents, &QHelpContentWidget::linkActivated, m_browser,
            [this](const QUrl& link) { m_browser->setSource(link); });
    connect(m_engine->contentModel(), &QHelpContentModel::contentsCreated, this, [this, contents] {
        contents->expandToDepth(0);
        if (m_contentsPending)
            openContentsPage();
    });

    auto* indexPage = new QWidget(this);
    auto* layout = new QVBoxLayout(indexPage);
    auto* label = new QLabel(tr("&Look for:"), indexPage);
    label->setBuddy(m_keyword);
    QHelpIndexWidget* index = m_engine->indexWidget();
    index->setObjectName(QStringLiteral("helpIndex"));
    layout->addWidget(label);
    layout->addWidget(m_keyword);
    layout->addWidget(index);
    m_tabs->addTab(indexPage, tr("Index"));
    connect(m_keyword, &QLineEdit::textChanged, this, &HelpWindow::applyKeyword);
    connect(m_keyword, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(m_engine->indexModel(), &QHelpIndexModel::indexCreated, this, &HelpWindow::applyKeyword);
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink& document, const QString&) { m_browser->setSource(document.url); });
    // A keyword on several pages opens the first; the pages link to each other.
    connect(index, &QHelpIndexWidget::documentsActivated, this,
            [this](const QList<QHelpLink>& documents, const QString&) {
                if (!documents.isEmpty())
                    m_browser->setSource(documents.constFirst().url);
            });

    // The engine makes its two views after the browser, so Tab would reach the page before them;
    // put them in the order they are seen: the tabs, the open page's controls, then the page.
    setTabOrder(m_tabs, contents);
    setTabOrder(contents, m_keyword);
    setTabOrder(m_keyword, index);
    setTabOrder(index, m_browser);

    m_engine->contentModel()->createContents(QString());
    m_engine->indexModel()->createIndex(QString());
}

void HelpWindow::openContentsPage()
{
    if (!m_engine)
        return;
    QHelpContentModel* model = m_engine->contentModel();
    if (model->isCreatingContents() || model->rowCount() == 0) {
        m_contentsPending = true;
        return;
    }
    m_contentsPending = false;
    const QModelIndex first = model->index(0, 0);
    if (QHelpContentItem* item = model->contentItemAt(first)) {
        m_browser->setSource(item->url());
        m_engine->contentWidget()->setCurrentIndex(first);
    }
}

void HelpWindow::showContents()
{
    if (!m_engine)
        return;
    m_tabs->setCurrentIndex(0);
    openContentsPage();
}

void HelpWindow::showIndex(const QString& keyword)
{
    if (!m_engine)
        return;
    m_tabs->setCurrentIndex(1);
    m_keyword->setText(keyword);
    applyKeyword();
    m_keyword->setFocus();
}

void HelpWindow::applyKeyword()
{
    if (!m_engine)
        return;
    // The index selects the best match itself.
    m_engine->indexWidget()->filterIndices(m_keyword->text());
}

} // namespace tarnwick::help
