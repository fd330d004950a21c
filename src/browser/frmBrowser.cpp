#include "browser/frmBrowser.h"

#include "browser/BrowserDownloads.h"
#include "browser/BrowserEngineLoader.h"
#include "platform/AppEnvironment.h"
#include "platform/SettingsStore.h"
#include "platform/Units.h"
#include "shell/Globals.h"
#include "shell/ProductHomePage.h"
#include "shell/Resources.h"
#include "shell/SettingsKeys.h"
#include "shell/frmMain.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QAbstractItemView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <QToolBar>
#include <new>

namespace tarnwick::browser {

using platform::Units;

namespace {

const QString kTitle = QStringLiteral("Tarnwick");
const char* const kKeyProperty = "tarnwickKey";

int px(double twips)
{
    return Units::twipsToPixels(twips);
}

double twips(int pixels)
{
    return Units::pixelsToTwips(pixels);
}

// Designed positions, in twips.
constexpr double kToolBarHeight = 540;
constexpr double kStripTop = 540;
constexpr double kStripHeight = 675;
constexpr double kBrowserLeft = 50;
constexpr double kBrowserTop = 1215;

} // namespace

frmBrowser::frmBrowser(shell::frmMain* main)
    : tbToolBar(new QToolBar(this))
    , picAddress(new QWidget(this))
    , lblAddress(new QLabel(QStringLiteral("&Address:"), picAddress))
    , cboAddress(new QComboBox(picAddress))
    , brwWebBrowser(nullptr)
    , timTimer(new QTimer(this))
    , m_main(main)
{
    shell::initResources();
    setObjectName(QStringLiteral("frmBrowser"));
    setWindowTitle(kTitle);

    buildToolBar();

    picAddress->setObjectName(QStringLiteral("picAddress"));
    picAddress->setGeometry(0, px(kStripTop), px(6540), px(kStripHeight));
    lblAddress->setObjectName(QStringLiteral("lblAddress"));
    lblAddress->setGeometry(px(45), px(60), px(3075), px(255));
    lblAddress->setBuddy(cboAddress);
    cboAddress->setObjectName(QStringLiteral("cboAddress"));
    cboAddress->setGeometry(px(45), px(300), px(3795), px(315));
    cboAddress->setEditable(true);
    // The list is the window's own: typed text is never added to it nor completed from it.
    cboAddress->setInsertPolicy(QComboBox::NoInsert);
    cboAddress->setCompleter(nullptr);
    cboAddress->setMaxVisibleItems(20);
    // The box's value is the address; its name says what it is.
    cboAddress->setAccessibleName(tr("Address"));
    cboAddress->setAccessibleDescription(tr("Type an address and press Enter, or pick one visited before"));
    cboAddress->lineEdit()->setAccessibleName(cboAddress->accessibleName());
    cboAddress->lineEdit()->setAccessibleDescription(cboAddress->accessibleDescription());
    cboAddress->view()->setAccessibleName(tr("Addresses visited"));
    cboAddress->view()->setAccessibleDescription(tr("The addresses this window has shown"));
    cboAddress->installEventFilter(this);
    cboAddress->lineEdit()->installEventFilter(this);
    connect(cboAddress, &QComboBox::activated, this, &frmBrowser::cboAddress_Click);

    timTimer->setObjectName(QStringLiteral("timTimer"));
    timTimer->setInterval(5);
    connect(timTimer, &QTimer::timeout, this, &frmBrowser::timTimer_Timer);

    alignTopStrips();
}

void frmBrowser::attachEngine(std::unique_ptr<platform::BrowserEngine> engine)
{
    m_engine = std::move(engine);
    brwWebBrowser = m_engine.get();
    brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
    QWidget* view = brwWebBrowser->widget();
    view->setObjectName(QStringLiteral("brwWebBrowser"));
    // The page is the next stop after the address box, so that a keyboard user can reach it to scroll.
    view->setFocusPolicy(Qt::StrongFocus);
    view->setGeometry(px(kBrowserLeft), px(kBrowserTop), view->width(), view->height());
    connect(brwWebBrowser, &platform::BrowserEngine::DownloadComplete, this,
            &frmBrowser::brwWebBrowser_DownloadComplete);
    connect(brwWebBrowser, &platform::BrowserEngine::NavigateComplete2, this,
            &frmBrowser::brwWebBrowser_NavigateComplete2);
    brwWebBrowser->setDownloadTarget([main = m_main](const QString& url, const QString& suggestedFileName) {
        return fileDownloadTarget(main, url, suggestedFileName);
    });
}

frmBrowser::~frmBrowser()
{
    // The engine's view is one of our children; the engine goes first and takes it along.
    m_engine.reset();
}

frmBrowser* frmBrowser::create(shell::frmMain* main, platform::BrowserEngineError* error)
{
    *error = {};
    auto window = std::unique_ptr<frmBrowser>(new frmBrowser(main));
    std::unique_ptr<platform::BrowserEngine> engine;
    if (main && main->browserEngineFactory)
        engine = main->browserEngineFactory(window.get(), error);
    else if (main)
        engine = loadBrowserEngine(main->services().environment.applicationDir(), window.get(), error);
    if (!engine || !engine->widget()) {
        if (error->number == 0)
            error->number = platform::BrowserEngineError::ComponentMissing;
        return nullptr;
    }
    window->attachEngine(std::move(engine));
    return window.release();
}

void frmBrowser::buildToolBar()
{
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setMovable(false);
    tbToolBar->setFloatable(false);
    tbToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tbToolBar->setIconSize(QSize(24, 24));
    tbToolBar->setAccessibleName(tr("Browser toolbar"));
    tbToolBar->setAccessibleDescription(tr("Back, Forward, Stop, Refresh, Home and Search"));
    struct Button
    {
        const char* key;
        const char* themeIcon;
        const char* resource;
    };
    const Button buttons[] = {
        {"Back", "go-previous", "back"},    {"Forward", "go-next", "forward"}, {"Stop", "process-stop", "stop"},
        {"Refresh", "view-refresh", "refresh"}, {"Home", "go-home", "home"},   {"Search", "edit-find", "search"},
    };
    for (const Button& button : buttons) {
        imlToolbarIcons << QIcon::fromTheme(QLatin1String(button.themeIcon),
                                            QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(button.resource))));
    }
    for (int i = 0; i < 6; ++i) {
        const QString key = QLatin1String(buttons[i].key);
        QAction* action = tbToolBar->addAction(imlToolbarIcons.at(i), key);
        action->setObjectName(QStringLiteral("tbToolBar_") + key);
        action->setToolTip(key);
        action->setProperty(kKeyProperty, key);
    }
    connect(tbToolBar, &QToolBar::actionTriggered, this, &frmBrowser::tbToolBar_ButtonClick);
}

QMdiSubWindow* frmBrowser::subWindow() const
{
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

QSize frmBrowser::sizeHint() const
{
    return Units::twipsToPixels(6640, 5000);
}

void frmBrowser::Show()
{
    if (m_main && !subWindow())
        m_main->mdiArea->addSubWindow(this)->setAttribute(Qt::WA_DeleteOnClose);
    Form_Load();
}

void frmBrowser::alignTopStrips()
{
    tbToolBar->setGeometry(0, 0, width(), px(kToolBarHeight));
    picAddress->setGeometry(0, px(kStripTop), width(), picAddress->height());
}

void frmBrowser::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    alignTopStrips();
    Form_Resize();
}

// ---------------------------------------------------------------------------------------------
// Event procedures

void frmBrowser::Form_Load()
{
    if (m_loaded)
        return;
    m_loaded = true;

    QMdiSubWindow* frame = subWindow();
    QWidget* shown = frame ? static_cast<QWidget*>(frame) : this;
    if (!shell::blBrowserNotRightHalf && m_main && frame) {
        // Placed while still hidden, so that it first appears where it belongs.
        const QSize inner = m_main->mdiArea->viewport()->size();
        const QRectF place = rightHalfPlacement(twips(inner.width()), twips(inner.height()));
        QRect geometry = frame->geometry();
        geometry.moveTop(px(place.top()));
        if (place.height() >= 0)
            geometry.setHeight(px(place.height()));
        if (place.width() >= 0)
            geometry.setWidth(px(place.width()));
        geometry.moveLeft(px(place.left()));
        frame->setGeometry(geometry);
    }
    shown->show();
    if (m_main && frame)
        m_main->mdiArea->setActiveSubWindow(frame);

    tbToolBar->update();
    Form_Resize();
    cboAddress->move(px(kBrowserLeft), px(twips(lblAddress->y()) + twips(lblAddress->height()) + 15));

    if (StartingAddress.isEmpty())
        return;
    cboAddress->setEditText(StartingAddress);
    cboAddress->addItem(cboAddress->currentText());
    timTimer->start();
    brwWebBrowser->Navigate(StartingAddress);
}

void frmBrowser::Form_Resize()
{
    // A step whose size would turn negative in a very small window is skipped.
    if (!brwWebBrowser)
        return;
    const double w = twips(width());
    const double h = twips(height());
    QWidget* view = brwWebBrowser->widget();
    if (w - 100 >= 0) {
        cboAddress->resize(px(w - 100), cboAddress->height());
        view->resize(px(w - 100), view->height());
    }
    const double viewHeight = h - (twips(picAddress->y()) + twips(picAddress->height())) - 100;
    if (viewHeight >= 0)
        view->resize(view->width(), px(viewHeight));
}

void frmBrowser::brwWebBrowser_DownloadComplete()
{
    setPageCaption();
}

void frmBrowser::brwWebBrowser_NavigateComplete2(QObject* pDisp, const QString& URL)
{
    Q_UNUSED(pDisp)
    Q_UNUSED(URL)
    setPageCaption();
    const QString location = brwWebBrowser->LocationURL();
    int match = -1;
    for (int i = 0; i < cboAddress->count(); ++i) {
        if (cboAddress->itemText(i) == location) {
            match = i;
            break;
        }
    }
    blUpdatingAddressList = true;
    if (match >= 0)
        cboAddress->removeItem(match);
    cboAddress->insertItem(0, location);
    cboAddress->setCurrentIndex(0);
    cboAddress->setEditText(location);
    blUpdatingAddressList = false;
}

void frmBrowser::cboAddress_Click()
{
    if (blUpdatingAddressList)
        return;
    timTimer->start();
    brwWebBrowser->Navigate(cboAddress->currentText());
}

void frmBrowser::cboAddress_KeyPress(int KeyAscii)
{
    if (KeyAscii == 13)
        cboAddress_Click();
}

bool frmBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == cboAddress || watched == cboAddress->lineEdit()) && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            cboAddress_KeyPress(13);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmBrowser::timTimer_Timer()
{
    if (!brwWebBrowser->Busy()) {
        timTimer->stop();
        setPageCaption();
    } else {
        setWindowTitle(QStringLiteral("Working..."));
    }
}

void frmBrowser::tbToolBar_ButtonClick(QAction* Button)
{
    timTimer->start();
    const QString key = Button ? Button->property(kKeyProperty).toString() : QString();
    if (key == QLatin1String("Back")) {
        brwWebBrowser->GoBack();
    } else if (key == QLatin1String("Forward")) {
        brwWebBrowser->GoForward();
    } else if (key == QLatin1String("Refresh")) {
        brwWebBrowser->Refresh();
    } else if (key == QLatin1String("Home")) {
        // Read at every click, so a new home page applies to windows already open.
        if (m_main) {
            const platform::Services& services = m_main->services();
            brwWebBrowser->Navigate(
                services.settings.read(shell::settings::HomePage, shell::productHomePageUrl(services.environment)));
        }
    } else if (key == QLatin1String("Search")) {
        brwWebBrowser->GoSearch();
    } else if (key == QLatin1String("Stop")) {
        timTimer->stop();
        brwWebBrowser->Stop();
        setPageCaption();
    }
}

void frmBrowser::setPageCaption()
{
    // Before the engine has a page there is no name to show; the window keeps the program's title.
    const QString name = brwWebBrowser->LocationName();
    setWindowTitle(name.isEmpty() ? kTitle : name + QStringLiteral("  -  ") + kTitle);
}

// ---------------------------------------------------------------------------------------------

QRectF rightHalfPlacement(double scaleWidth, double scaleHeight)
{
    return QRectF(scaleWidth / 2 + 200, 0, scaleWidth / 2 - 200, scaleHeight);
}

platform::BrowserEngineError openBrowserWindow(shell::frmMain* main, const QString& startingAddress)
{
    platform::BrowserEngineError error;
    try {
        frmBrowser* window = frmBrowser::create(main, &error);
        if (!window)
            return error;
        window->StartingAddress = startingAddress;
        window->Show();
    } catch (const std::bad_alloc&) {
        return {7, QStringLiteral("Out of memory")};
    } catch (const std::exception& exception) {
        return {51, QString::fromLocal8Bit(exception.what())};
    }
    return {};
}

QString browserFailureMessage(const platform::BrowserEngineError& error)
{
    const QString crlf = QStringLiteral("\r\n");
    if (error.number == platform::BrowserEngineError::ComponentMissing)
        return QStringLiteral("Error Number : 339") + crlf + QStringLiteral("Microsoft Internet Explorer 4.0 or higher") +
               crlf + QStringLiteral("is required for this service!");
    return QStringLiteral("Error Number : ") + QString::number(error.number) + crlf + error.description + crlf;
}

} // namespace tarnwick::browser
