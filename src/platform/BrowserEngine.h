#pragma once

#include "platform/BrowserFileTarget.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace tarnwick::platform {

// The embedded browser a browser window shows its pages in, under the names the window's event
// procedures were written against. The engine's own history, error pages and titles are its business.
class BrowserEngine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The widget that shows the page; it belongs to the engine's parent window.
    virtual QWidget* widget() const = 0;

    virtual void Navigate(const QString& URL) = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    virtual void Refresh() = 0;
    virtual void Stop() = 0;
    virtual void GoSearch() = 0;

    virtual QString LocationName() const = 0;
    virtual QString LocationURL() const = 0;
    virtual bool Busy() const = 0;

    // Asked when a page hands the engine a file to save rather than show. The engine never chooses
    // a place of its own: without an answer the file is refused.
    using DownloadTarget = std::function<BrowserFileTarget(const QString& url, const QString& suggestedFileName)>;
    void setDownloadTarget(DownloadTarget target) { m_downloadTarget = std::move(target); }
    BrowserFileTarget downloadTarget(const QString& url, const QString& suggestedFileName) const
    {
        return m_downloadTarget ? m_downloadTarget(url, suggestedFileName) : BrowserFileTarget{};
    }

signals:
    // A load has ended, however it ended.
    void DownloadComplete();
    // The engine has moved to a new location; pDisp is the frame that moved, URL its address.
    void NavigateComplete2(QObject* pDisp, const QString& URL);

private:
    DownloadTarget m_downloadTarget;
};

// Why an engine could not be made, numbered as the browser commands report it: 339 is the
// missing component (no engine in this build, or none that loads on this machine).
struct BrowserEngineError
{
    static constexpr int ComponentMissing = 339;

    int number = 0;
    QString description;
};

// Makes the engine for one browser window, or returns null and says why.
using BrowserEngineFactory =
    std::function<std::unique_ptr<BrowserEngine>(QWidget* parent, BrowserEngineError* error)>;

} // namespace tarnwick::platform
