#pragma once

#include "platform/AppEnvironment.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "support/DesktopDoubles.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedDialogService.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <memory>

namespace tarnwick::shell {
class frmMain;
}

namespace tarnwick::test {

// A fresh main window over temporary folders: the application folder, a documents folder and the
// folder the process starts in. The process's current directory is restored afterwards.
class ShellFixture
{
public:
    // withDocuments: whether the documents fallback folder exists.
    explicit ShellFixture(bool withDocuments = true);
    ~ShellFixture();

    QString appDir() const { return m_root.path() + QStringLiteral("/app"); }
    QString documentsDir() const { return m_root.path() + QStringLiteral("/Documents"); }
    QString startDir() const { return m_root.path() + QStringLiteral("/start"); }
    QString dataDir() const { return m_root.path() + QStringLiteral("/data"); }
    QString downloadRoot() const { return m_root.path() + QStringLiteral("/cache/downloads"); }
    QString path(const QString& name) const { return m_root.path() + QLatin1Char('/') + name; }

    // Creates (and loads, unless load is false) a main window; any earlier one is destroyed first.
    shell::frmMain* createMain(bool load = true);
    shell::frmMain* main() const { return m_main.get(); }
    // Closes the main window as the close box would; true when it closed.
    bool closeMain();

    static QDateTime fixedStart() { return QDateTime(QDate(2027, 3, 3), QTime(9, 5, 7)); }

    ScriptedDialogService dialogs;
    MemorySettingsStore settings;
    // Empty: no System Information program is known.
    platform::TableRegistry registry;
    FakeDesktopServices desktop;
    RecordingHelpEngine help;

private:
    QTemporaryDir m_root;
    QString m_previousCurrent;
    std::unique_ptr<platform::AppEnvironment> m_environment;
    std::unique_ptr<platform::Services> m_services;
    std::unique_ptr<shell::frmMain> m_main;
};

} // namespace tarnwick::test
