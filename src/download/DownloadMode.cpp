#include "download/DownloadMode.h"

namespace tarnwick::download {

const DownloadModeSettings& settingsOf(DownloadMode mode)
{
    // The option captions say "and" where the status texts say "&"; every status text ends in a blank.
    static const DownloadModeSettings automatic{QStringLiteral("Download file automatically on drag and drop"),
                                                1,
                                                1,
                                                false,
                                                false,
                                                QStringLiteral("Download file automatically on drag & drop ")};
    static const DownloadModeSettings confirmation{QStringLiteral("Download file only after user confirmation"),
                                                   2,
                                                   2,
                                                   true,
                                                   false,
                                                   QStringLiteral("Download file only after user confirmation ")};
    static const DownloadModeSettings wordProcessor{QStringLiteral("Disable Download and use as Word Processor"),
                                                    2,
                                                    2,
                                                    false,
                                                    true,
                                                    QStringLiteral("Disable Download and use as Word Processor ")};
    switch (mode) {
    case DownloadMode::Confirmation:
        return confirmation;
    case DownloadMode::WordProcessor:
        return wordProcessor;
    case DownloadMode::Automatic:
        break;
    }
    return automatic;
}

std::optional<DownloadMode> modeFromPair(qint32 intOLEModertfText, bool downloadFileEnabled)
{
    if (intOLEModertfText == 1)
        return DownloadMode::Automatic;
    if (intOLEModertfText == 2)
        return downloadFileEnabled ? DownloadMode::Confirmation : DownloadMode::WordProcessor;
    return std::nullopt;
}

} // namespace tarnwick::download
