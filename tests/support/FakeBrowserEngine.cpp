#include "support/FakeBrowserEngine.h"

namespace tarnwick::test {

// Owned by the window it serves, not by Qt's parent chain, as the real engine is.
FakeBrowserEngine::FakeBrowserEngine(QWidget* parent)
    : m_view(new QWidget(parent))
{
}

FakeBrowserEngine::~FakeBrowserEngine()
{
    delete m_view.data();
}

void FakeBrowserEngine::Navigate(const QString& URL)
{
    record(QStringLiteral("Navigate ") + URL);
    if (busyOnNavigate)
        busy = true;
}

QStringList FakeBrowserEngine::navigations() const
{
    QStringList result;
    const QString prefix = QStringLiteral("Navigate ");
    for (const QString& call : calls) {
        if (call.startsWith(prefix))
            result << call.mid(prefix.size());
    }
    return result;
}

void FakeBrowserEngine::moveTo(const QString& url)
{
    locationURL = url;
    emit NavigateComplete2(m_view, url);
}

void FakeBrowserEngine::finishLoad(const QString& url, const QString& title)
{
    locationName = title;
    moveTo(url);
    busy = false;
    emit DownloadComplete();
}

platform::BrowserFileTarget FakeBrowserEngine::handOverFile(const QString& url, const QString& suggestedFileName)
{
    return downloadTarget(url, suggestedFileName);
}

platform::BrowserEngineFactory FakeBrowserEngineFactory::factory()
{
    return [this](QWidget* parent, platform::BrowserEngineError* error) -> std::unique_ptr<platform::BrowserEngine> {
        if (failWithNumber != 0) {
            *error = {failWithNumber, failWithDescription};
            return nullptr;
        }
        auto engine = std::make_unique<FakeBrowserEngine>(parent);
        made << engine.get();
        return engine;
    };
}

} // namespace tarnwick::test
