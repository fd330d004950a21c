#include "support/ShellFixture.h"

#include "platform/Units.h"
#include "shell/Globals.h"
#include "shell/frmMain.h"

#include <QDir>

namespace tarnwick::test {

ShellFixture::ShellFixture(bool withDocuments)
    : m_previousCurrent(QDir::currentPath())
{
    QDir root(m_root.path());
    root.mkpath(QStringLiteral("app"));
    root.mkpath(QStringLiteral("start"));
    if (withDocuments)
        root.mkpath(QStringLiteral("Documents"));
    QDir::setCurrent(startDir());
    platform::Units::setDpiOverride(96);
    m_environment = std::make_unique<platform::AppEnvironment>(appDir(), QStringList{documentsDir()}, dataDir());
    m_environment->setDownloadRoot(m_root.path() + QStringLiteral("/cache/downloads"));
    // Downloads retry as they really do, at a hundredth of the pauses.
    platform::net::RetryPolicy retries;
    retries.pauseScale = 0.01;
    m_environment->setDownloadRetryPolicy(retries);
    m_services = std::make_unique<platform::Services>(
        platform::Services{dialogs, settings, *m_environment, registry, desktop, help});
}

ShellFixture::~ShellFixture()
{
    m_main.reset();
    shell::OpenDocuments.clear();
    shell::blBrowserNotRightHalf = false;
    QDir::setCurrent(m_previousCurrent);
}

shell::frmMain* ShellFixture::createMain(bool load)
{
    m_main.reset();
    shell::OpenDocuments.clear();
    m_main = std::make_unique<shell::frmMain>(*m_services);
    shell::MainWindow = m_main.get();
    m_main->setClock([] { return fixedStart(); });
    if (load) {
        m_main->Load();
        m_main->show();
    }
    return m_main.get();
}

bool ShellFixture::closeMain()
{
    return m_main && m_main->close();
}

} // namespace tarnwick::test
