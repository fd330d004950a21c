#include "browser/BrowserEngineLoader.h"

#include "browser/EngineModule.h"
#include "platform/Modules.h"

#include <QCoreApplication>
#include <QWidget>
#if QT_CONFIG(opengl)
#include <QOpenGLContext>
#endif

#if defined(TARNWICK_HAVE_WEBENGINE) && QT_CONFIG(opengl)
QT_BEGIN_NAMESPACE
// Exported by Qt GUI and used the same way by Qt WebEngine itself; there is no public setter.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE
#endif

namespace tarnwick::browser {

#ifdef TARNWICK_HAVE_WEBENGINE
namespace {

// The engine's signals and names on the program's side of the module contract.
class ModuleBrowserEngine final : public platform::BrowserEngine, private module::EngineEvents
{
public:
    ModuleBrowserEngine(module::CreateFunction create, QWidget* parent, QString* error)
        : m_engine(create(module::AbiVersion, parent, this, error))
    {
    }
    bool isValid() const { return m_engine != nullptr; }

    QWidget* widget() const override { return m_engine->view(); }
    void Navigate(const QString& URL) override { m_engine->navigate(URL); }
    void GoBack() override { m_engine->goBack(); }
    void GoForward() override { m_engine->goForward(); }
    void Refresh() override { m_engine->refresh(); }
    void Stop() override { m_engine->stop(); }
    void GoSearch() override { m_engine->goSearch(); }
    QString LocationName() const override { return m_engine->locationName(); }
    QString LocationURL() const override { return m_engine->locationUrl(); }
    bool Busy() const override { return m_engine->busy(); }

private:
    void loadEnded() override { emit DownloadComplete(); }
    void locationChanged(const QString& url) override { emit NavigateComplete2(m_engine->view(), url); }
    platform::BrowserFileTarget fileTarget(const QString& url, const QString& suggestedFileName) override
    {
        return downloadTarget(url, suggestedFileName);
    }

    std::unique_ptr<module::Engine> m_engine;
};

// Linked in, the engine makes a graphics context to share with Chromium while the application
// object is made; loaded late, that falls to us, just before the module is loaded. The engine
// needs the context to exist even where OpenGL does not (it then composites in software), so it
// is installed whether or not it could be created, as the engine itself does.
void prepareSharedGraphicsContext()
{
#if QT_CONFIG(opengl)
    if (QOpenGLContext::globalShareContext())
        return;
    auto* context = new QOpenGLContext;
    context->create();
    qt_gl_set_global_share_context(context);
    qAddPostRoutine([] {
        QOpenGLContext* shared = QOpenGLContext::globalShareContext();
        qt_gl_set_global_share_context(nullptr);
        delete shared;
    });
#endif
}

module::CreateFunction resolveModule(const QString& moduleDirectory, QString* why)
{
    static module::CreateFunction create = nullptr;
    if (create)
        return create;
    prepareSharedGraphicsContext();
    // Never unloaded: Chromium cannot be shut down and started again in one process.
    create = reinterpret_cast<module::CreateFunction>(
        platform::resolveModuleSymbol(moduleDirectory, module::FileBaseName, module::CreateSymbol, why));
    return create;
}

} // namespace
#endif

std::unique_ptr<platform::BrowserEngine> loadBrowserEngine(const QString& moduleDirectory, QWidget* parent,
                                                           platform::BrowserEngineError* error)
{
    error->number = platform::BrowserEngineError::ComponentMissing;
#ifdef TARNWICK_HAVE_WEBENGINE
    QString why;
    if (module::CreateFunction create = resolveModule(moduleDirectory, &why)) {
        auto engine = std::make_unique<ModuleBrowserEngine>(create, parent, &why);
        if (engine->isValid()) {
            *error = {};
            return engine;
        }
    }
    error->description = why;
#else
    Q_UNUSED(moduleDirectory)
    Q_UNUSED(parent)
    error->description = QStringLiteral("This build of the program has no web engine.");
#endif
    qWarning("Browser window unavailable: %s", qPrintable(error->description));
    return nullptr;
}

} // namespace tarnwick::browser
