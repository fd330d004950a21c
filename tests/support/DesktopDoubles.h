#pragma once

#include "platform/DesktopServices.h"
#include "platform/HelpEngine.h"

#include <QFileInfo>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace tarnwick::test {

// Records what the program hands to the desktop. Programs start when their file is there, as they
// would; opening a document or address succeeds unless told otherwise.
class FakeDesktopServices : public platform::DesktopServices
{
public:
    struct ShellCall
    {
        QPointer<QWidget> owner;
        QString operation;
        QString file;
        QString parameters;
        QString directory;
        int show = -1;
    };

    bool shellExecute(QWidget* owner, const QString& operation, const QString& file, const QString& parameters,
                      const QString& directory, int show) override
    {
        shellCalls << ShellCall{owner, operation, file, parameters, directory, show};
        return shellSucceeds;
    }
    bool startProgram(const QString& path) override
    {
        startedPrograms << path;
        return !path.isEmpty() && QFileInfo(path).isFile();
    }

    bool shellSucceeds = true;
    QList<ShellCall> shellCalls;
    QStringList startedPrograms;
};

// Records every call into the help engine and answers as scripted.
class RecordingHelpEngine : public platform::HelpEngine
{
public:
    struct Call
    {
        QPointer<QWidget> owner;
        QString helpFile;
        quint32 command = 0;
        QString keyword;
    };

    bool showHelp(QWidget* owner, const QString& helpFile, quint32 command, const QString& keyword,
                  QString* error) override
    {
        calls << Call{owner, helpFile, command, keyword};
        if (failure.isEmpty())
            return true;
        if (error)
            *error = failure;
        return false;
    }

    // Non-empty: every call fails with this description.
    QString failure;
    QList<Call> calls;
};

} // namespace tarnwick::test
