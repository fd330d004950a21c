#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace tarnwick::download {

// How a link dropped on a document is treated. The mode has no variable of its own: it is read
// back from the main window's intOLEModertfText and whether toolbar button 21 is enabled.
enum class DownloadMode { Automatic = 0, Confirmation = 1, WordProcessor = 2 };

// Everything one mode sets; its option's index in the Download Options dialog is the mode's value.
struct DownloadModeSettings
{
    QString optionCaption;
    qint32 oleMode;           // the main window's intOLEModertfText
    int dropMode;             // drop mode of a document's rich text box
    bool downloadFileEnabled; // toolbar button 21
    bool openEnabled;         // toolbar button 2 and File > Open
    QString statusText;       // status bar panel 1
};

const DownloadModeSettings& settingsOf(DownloadMode mode);

// The mode the pair stands for; none when intOLEModertfText holds a value no mode sets.
std::optional<DownloadMode> modeFromPair(qint32 intOLEModertfText, bool downloadFileEnabled);

} // namespace tarnwick::download
