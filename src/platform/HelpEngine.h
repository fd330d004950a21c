#pragma once

#include <QString>

class QWidget;

namespace tarnwick::platform {

// The help engine the Help menu drives: one call names the help file, a command and its data.
class HelpEngine
{
public:
    // Command numbers as the help menu is written in.
    enum Command : quint32 {
        Contents = 0x0003,   // the contents page
        PartialKey = 0x0105, // the keyword index, opened on a keyword (empty: nothing filled in)
    };

    virtual ~HelpEngine() = default;

    // False, with *error describing it, when the call itself fails. A help file that is missing or
    // unreadable is the engine's own to report; the call still succeeds.
    virtual bool showHelp(QWidget* owner, const QString& helpFile, quint32 command, const QString& keyword,
                          QString* error) = 0;
};

} // namespace tarnwick::platform
