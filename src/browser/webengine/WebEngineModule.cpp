// The web engine module: QWebEngineView behind the module contract. Built as a loadable library
// so that Chromium is loaded and initialised only when the first browser window opens.
#include "browser/EngineModule.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QUrl>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <type_traits>

namespace {

using namespace tarnwick::browser;

const QUrl kSearchPage(QStringLiteral("https://duckduckgo.com/"));

class WebEngine final : public module::Engine
{
public:
    WebEngine(QWidget* parent, module::EngineEvents* events)
        : m_view(new QWebEngineView(parent))
        , m_events(events)
    {
        QObject::connect(m_view, &QWebEngineView::loadStarted, m_view, [this] { m_loading = true; });
        QObject::connect(m_view, &QWebEngineView::loadFinished, m_view, [this](bool) {
            m_loading = false;
            m_events->loadEnded();
        });
        QObject::connect(m_view, &QWebEngineView::urlChanged, m_view,
                         [this](const QUrl& url) { m_events->locationChanged(url.toString()); });
        // Every window shares the profile; each takes only the files its own page hands over.
        QObject::connect(m_view->page()->profile(), &QWebEngineProfile::downloadRequested, m_view,
                         [this](QWebEngineDownloadRequest* request) { takeFile(request); });
    }

    ~WebEngine() override { delete m_view.data(); }

    QWidget* view() const override { return m_view; }

    void navigate(const QString& address) override
    {
        // A path that exists relative to the current directory is a file; anything else is read
        // as an address the way an address bar reads it.
        const QUrl url = QUrl::fromUserInput(address, QDir::currentPath());
        if (url.isValid())
            m_view->load(url);
    }
    void goBack() override { m_view->back(); }
    void goForward() override { m_view->forward(); }
    void refresh() override { m_view->reload(); }
    void stop() override { m_view->stop(); }
    void goSearch() override { m_view->load(kSearchPage); }
    QString locationName() const override { return m_view->title(); }
    QString locationUrl() const override { return m_view->url().toString(); }
    bool busy() const override { return m_loading; }

private:
    void takeFile(QWebEngineDownloadRequest* request)
    {
        if (request->page() != m_view->page() || request->state() != QWebEngineDownloadRequest::DownloadRequested)
            return;
        const QString url = request->url().toString();
        const tarnwick::platform::BrowserFileTarget target = m_events->fileTarget(url, request->downloadFileName());
        if (target.path.isEmpty()) {
            request->cancel();
            return;
        }
        const QFileInfo info(target.path);
        request->setDownloadDirectory(info.absolutePath());
        request->setDownloadFileName(info.fileName());
        // The request, not the view, carries the report: a file still arrives after its window closed.
        const auto finished = target.finished;
        QObject::connect(request, &QWebEngineDownloadRequest::isFinishedChanged, request, [request, finished] {
            if (!request->isFinished() || !finished)
                return;
            const bool saved = request->state() == QWebEngineDownloadRequest::DownloadCompleted;
            const QString path = QDir(request->downloadDirectory()).filePath(request->downloadFileName());
            finished(QDir::toNativeSeparators(path), saved, saved ? QString() : request->interruptReasonString());
        });
        request->accept();
    }

    QPointer<QWebEngineView> m_view;
    module::EngineEvents* m_events;
    bool m_loading = false;
};

} // namespace

extern "C" Q_DECL_EXPORT module::Engine* tarnwick_create_browser_engine(int abiVersion, QWidget* parent,
                                                                        module::EngineEvents* events, QString* error)
{
    if (abiVersion != module::AbiVersion) {
        *error = QStringLiteral("The web engine module was built for another version of the program.");
        return nullptr;
    }
    return new WebEngine(parent, events);
}
static_assert(std::is_same_v<decltype(&tarnwick_create_browser_engine), module::CreateFunction>,
              "the module's export must match the contract");
