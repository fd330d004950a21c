#pragma once

#include "platform/BrowserEngine.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace tarnwick::test {

// A browser engine that loads nothing: it records every call, answers LocationName, LocationURL and
// Busy from what the test sets, and raises the engine's events when the test says so.
class FakeBrowserEngine : public platform::BrowserEngine
{
    Q_OBJECT
public:
    explicit FakeBrowserEngine(QWidget* parent);
    ~FakeBrowserEngine() override;

    QWidget* widget() const override { return m_view; }
    void Navigate(const QString& URL) override;
    void GoBack() override { record(QStringLiteral("GoBack")); }
    void GoForward() override { record(QStringLiteral("GoForward")); }
    void Refresh() override { record(QStringLiteral("Refresh")); }
    void Stop() override { record(QStringLiteral("Stop")); }
    void GoSearch() override { record(QStringLiteral("GoSearch")); }
    QString LocationName() const override { return locationName; }
    QString LocationURL() const override { return locationURL; }
    bool Busy() const override { return busy; }

    // What the engine answers.
    QString locationName;
    QString locationURL;
    bool busy = false;
    // Whether Navigate makes the engine busy, as a real load would.
    bool busyOnNavigate = true;

    // Every call in order: "Navigate <address>", "GoBack", "Stop", ...
    QStringList calls;
    QStringList navigations() const;

    // The engine moved to url (NavigateComplete2), still loading.
    void moveTo(const QString& url);
    // A load ended on url with the page's title: moved there, then not busy (DownloadComplete).
    void finishLoad(const QString& url, const QString& title);
    // A page handed over a file; returns where the window said to save it.
    platform::BrowserFileTarget handOverFile(const QString& url, const QString& suggestedFileName);

private:
    void record(const QString& call) { calls << call; }

    QPointer<QWidget> m_view;
};

// Hands out fake engines to the browser windows a main window makes, or fails as told.
class FakeBrowserEngineFactory
{
public:
    platform::BrowserEngineFactory factory();

    // 0: engines are made; anything else: the factory fails with this number and description.
    int failWithNumber = 0;
    QString failWithDescription;

    QList<QPointer<FakeBrowserEngine>> made;
    FakeBrowserEngine* last() const { return made.isEmpty() ? nullptr : made.constLast().data(); }
};

} // namespace tarnwick::test
