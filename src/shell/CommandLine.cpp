#include "shell/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace tarnwick::shell {

bool CommandLine::isAddress(const QString& argument, const QString& currentDirectory)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    if (!scheme.match(argument).hasMatch())
        return false;
    return !QFileInfo::exists(QDir(currentDirectory).absoluteFilePath(argument));
}

CommandLine CommandLine::parse(const QStringList& arguments, const QString& currentDirectory)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("CommandLine", "Rich-text word processor, downloader and web browser.\n"
                                                   "Files open in document windows in the word-processor mode;\n"
                                                   "addresses (http, https, ftp, file) are downloaded."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QCoreApplication::translate("CommandLine", "Files to open or addresses to download."),
                                 QStringLiteral("[FILE|URL...]"));

    CommandLine result;
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        result.action = Action::Help;
        // Qt names the program by whatever started it, or by a placeholder before the application
        // object exists; the usage line names the command instead.
        QString text = parser.helpText();
        const int lineEnd = text.indexOf(QLatin1Char('\n'));
        const int optionsAt = text.indexOf(QLatin1String(" [options]"));
        if (text.startsWith(QLatin1String("Usage: ")) && optionsAt > 0 && optionsAt < lineEnd)
            text.replace(7, optionsAt - 7, QFileInfo(arguments.value(0, QStringLiteral("tarnwick"))).fileName());
        result.text = text;
        return result;
    }
    if (parser.isSet(version)) {
        result.action = Action::Version;
        result.text = QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion() +
                      QLatin1Char('\n');
        return result;
    }
    if (!parsed) {
        result.action = Action::Error;
        result.text = parser.errorText() + QLatin1Char('\n') +
                      QCoreApplication::translate("CommandLine", "Try '%1 --help' for more information.\n")
                          .arg(QFileInfo(arguments.value(0, QStringLiteral("tarnwick"))).fileName());
        return result;
    }
    const QDir start(currentDirectory);
    for (const QString& argument : parser.positionalArguments()) {
        if (argument.isEmpty())
            continue;
        if (isAddress(argument, currentDirectory))
            result.urls << argument;
        else
            result.files << QDir::toNativeSeparators(QDir::cleanPath(start.absoluteFilePath(argument)));
    }
    return result;
}

} // namespace tarnwick::shell
