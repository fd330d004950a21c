#pragma once

#include <QString>
#include <QStringList>

namespace tarnwick::shell {

// What the program was asked to do on its command line. Local files are made absolute against the
// directory the process started in, before start-up makes the download directory current.
struct CommandLine
{
    enum class Action { Run, Help, Version, Error };

    Action action = Action::Run;
    // The text to print for Help, Version and Error.
    QString text;
    QStringList files;
    QStringList urls;

    // arguments[0] is the program. Unknown options are an error; help and version win over errors,
    // so that they can be answered before any window system is opened.
    static CommandLine parse(const QStringList& arguments, const QString& currentDirectory);

    // An argument is an address when it carries a scheme (two letters or more, so that a Windows
    // drive letter stays a path) and does not name an existing local file.
    static bool isAddress(const QString& argument, const QString& currentDirectory);
};

} // namespace tarnwick::shell
