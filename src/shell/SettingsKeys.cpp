#include "shell/SettingsKeys.h"

#include <QLocale>

namespace tarnwick::shell::settings {

QString formatSingle(float value)
{
    return QString::number(double(value), 'g', 7);
}

bool parseSingle(const QString& text, float* value)
{
    bool ok = false;
    const float parsed = QLocale::c().toFloat(text.trimmed(), &ok);
    if (ok && value)
        *value = parsed;
    return ok;
}

bool parseBoolean(const QString& text, bool* value)
{
    const QString trimmed = text.trimmed();
    bool parsed = false;
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        parsed = true;
    } else if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        parsed = false;
    } else {
        bool ok = false;
        const double number = QLocale::c().toDouble(trimmed, &ok);
        if (!ok)
            return false;
        parsed = number != 0.0;
    }
    if (value)
        *value = parsed;
    return true;
}

QString formatBoolean(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace tarnwick::shell::settings
