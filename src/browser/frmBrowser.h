#pragma once

#include "platform/BrowserEngine.h"

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QMdiSubWindow;
class QTimer;
class QToolBar;

namespace tarnwick::shell {
class frmMain;
}

namespace tarnwick::browser {

// A child window of the main window that shows web pages and local HTML files: a toolbar, an
// address box that remembers the addresses visited, and the engine's page under them. Each
// window has its own engine, history, address list and timer.
class frmBrowser : public QWidget
{
    Q_OBJECT
public:
    // Makes a window around an engine from the main window's engine factory; null, with *error
    // saying why, when no engine can be made.
    static frmBrowser* create(shell::frmMain* main, platform::BrowserEngineError* error);
    ~frmBrowser() override;

    // The address opened first; empty opens nothing. Set before Show().
    QString StartingAddress;

    // Shows the window modeless in the main window; it places and sizes itself while it loads.
    void Show();
    QMdiSubWindow* subWindow() const;

    QToolBar* tbToolBar;
    QList<QIcon> imlToolbarIcons;
    QWidget* picAddress;
    QLabel* lblAddress;
    QComboBox* cboAddress;
    platform::BrowserEngine* brwWebBrowser;
    QTimer* timTimer;

    QSize sizeHint() const override;

public slots:
    void Form_Load();
    void Form_Resize();
    void brwWebBrowser_DownloadComplete();
    void brwWebBrowser_NavigateComplete2(QObject* pDisp, const QString& URL);
    void cboAddress_Click();
    void cboAddress_KeyPress(int KeyAscii);
    void timTimer_Timer();
    void tbToolBar_ButtonClick(QAction* Button);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit frmBrowser(shell::frmMain* main);
    void attachEngine(std::unique_ptr<platform::BrowserEngine> engine);
    void buildToolBar();
    // The toolbar and the address strip span the window's width, as top-aligned controls do.
    void alignTopStrips();
    void setPageCaption();

    QPointer<shell::frmMain> m_main;
    std::unique_ptr<platform::BrowserEngine> m_engine;
    bool blUpdatingAddressList = false;
    bool m_loaded = false;
};

// Where a browser window goes in the right half of an inner area of the given size (all twips):
// from 200 twips right of the middle to the right edge, over the full height.
QRectF rightHalfPlacement(double scaleWidth, double scaleHeight);

// What the browser commands do: a new window on startingAddress, shown. The error to report, if
// any (number 0 when the window opened).
platform::BrowserEngineError openBrowserWindow(shell::frmMain* main, const QString& startingAddress);

// The message box text for a window that could not be opened.
QString browserFailureMessage(const platform::BrowserEngineError& error);

} // namespace tarnwick::browser
