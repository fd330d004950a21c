#pragma once

#include <QString>

namespace tarnwick::shell::settings {

// Every value the program keeps between runs, with its default where it has a fixed one.
inline const QString MainLeft = QStringLiteral("MainLeft");
inline const QString MainTop = QStringLiteral("MainTop");
inline const QString MainWidth = QStringLiteral("MainWidth");
inline const QString MainHeight = QStringLiteral("MainHeight");
inline const QString DefaultDirectory = QStringLiteral("Default Directory");
inline const QString SaveLogFileOnExit = QStringLiteral("Save Log File on Exit");
inline const QString HomePage = QStringLiteral("Home Page");

inline const QString DefaultMainLeft = QStringLiteral("1000");
inline const QString DefaultMainTop = QStringLiteral("1000");
inline const QString DefaultMainWidth = QStringLiteral("6500");
inline const QString DefaultMainHeight = QStringLiteral("6500");
inline const QString DefaultSaveLogFileOnExit = QStringLiteral("False");

// Numbers are stored as the decimal text of a single-precision value ("1000", not "1000.0").
QString formatSingle(float value);
// Reads a stored number the way the program always has: leading and trailing blanks allowed,
// anything else that is not a number fails.
bool parseSingle(const QString& text, float* value);
// "True"/"False" in any letter case, or a number (0 is False). Anything else fails.
bool parseBoolean(const QString& text, bool* value);
QString formatBoolean(bool value);

} // namespace tarnwick::shell::settings
