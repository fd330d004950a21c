// The web engine module: QWebEngineView behind the module contract. Built as a loadable library
// so that Chromium is loaded and initialised only when the first browser window opens.
#include "browser/EngineModule.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <map>
#include <memory>
#include <type_traits>

namespace {

using namespace tarnwick::browser;

const QUrl kSearchPage(QStringLiteral("https://duckduckgo.com/"));

// The interruptions a later attempt may get past: the network or the server failing for now.
bool isPassingInterruption(QWebEngineDownloadRequest::DownloadInterruptReason reason)
{
    switch (reason) {
    case QWebEngineDownloadRequest::NetworkFailed:
    case QWebEngineDownloadRequest::NetworkTimeout:
    case QWebEngineDownloadRequest::NetworkDisconnected:
    case QWebEngineDownloadRequest::NetworkServerDown:
    case QWebEngineDownloadRequest::ServerFailed:
        return true;
    default:
        return false;
    }
}

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
    // One file a page handed over, through every request the engine makes for it: resuming a
    // broken transfer hands over a new request for the same download.
    struct FileTransfer
    {
        tarnwick::platform::BrowserFileTarget target;
        int retries = 0;
        bool reported = false;
    };

    void takeFile(QWebEngineDownloadRequest* request)
    {
        if (request->page() != m_view->page() || request->state() != QWebEngineDownloadRequest::DownloadRequested)
            return;
        std::shared_ptr<FileTransfer> file = m_files[request->id()].lock();
        if (!file) {
            file = std::make_shared<FileTransfer>();
            file->target = m_events->fileTarget(request->url().toString(), request->downloadFileName());
            if (file->target.path.isEmpty()) {
                request->cancel();
                return;
            }
            m_files[request->id()] = file;
        }
        const QFileInfo info(file->target.path);
        request->setDownloadDirectory(info.absolutePath());
        request->setDownloadFileName(info.fileName());
        // A transfer that broke for a reason that may pass is resumed (the engine asks for the
        // rest of the file itself) on the program's schedule; only the last outcome is reported.
        // An interruption the engine can resume does not finish the request, so the state is
        // followed rather than isFinished. The request, not the view, carries the report: a file
        // still arrives after its window closed.
        QObject::connect(request, &QWebEngineDownloadRequest::stateChanged, request,
                         [request, file](QWebEngineDownloadRequest::DownloadState state) {
                             if (state == QWebEngineDownloadRequest::DownloadInterrupted && mayRetry(request, *file))
                                 return;
                             if (state != QWebEngineDownloadRequest::DownloadCompleted
                                 && state != QWebEngineDownloadRequest::DownloadCancelled
                                 && state != QWebEngineDownloadRequest::DownloadInterrupted)
                                 return;
                             if (file->reported || !file->target.finished)
                                 return;
                             file->reported = true;
                             const bool saved = state == QWebEngineDownloadRequest::DownloadCompleted;
                             const QString path =
                                 QDir(request->downloadDirectory()).filePath(request->downloadFileName());
                             file->target.finished(QDir::toNativeSeparators(path), saved,
                                                   saved ? QString() : request->interruptReasonString());
                             // Given up while the engine could still resume: let it drop the part it holds.
                             if (state == QWebEngineDownloadRequest::DownloadInterrupted && !request->isFinished())
                                 request->cancel();
                         });
        request->accept();
    }

    static bool mayRetry(QWebEngineDownloadRequest* request, FileTransfer& file)
    {
        if (request->isFinished() || !file.target.retryPauseMs || !isPassingInterruption(request->interruptReason()))
            return false;
        const qint64 pause = file.target.retryPauseMs(++file.retries);
        if (pause < 0)
            return false;
        QTimer::singleShot(std::chrono::milliseconds(pause), request, [request] { request->resume(); });
        return true;
    }

    std::map<quint32, std::weak_ptr<FileTransfer>> m_files;
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
