#include "platform/DialogService.h"

#include <QStringList>

namespace tarnwick::platform {

QStringList toQtNameFilterList(const QString& filter)
{
    QStringList result;
    if (filter.isEmpty())
        return result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        QString patterns = i + 1 < parts.size() ? parts.at(i + 1) : QStringLiteral("*");
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns = patterns.simplified();
        // "*.*" means every file on Windows; on Linux it would hide names without a dot.
        QStringList list = patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (QString& pattern : list) {
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        }
        list.removeDuplicates();
        patterns = list.join(QLatin1Char(' '));
        if (patterns.isEmpty())
            patterns = QStringLiteral("*");
        // Qt takes the patterns from the last parenthesised group, so a description that carries its
        // own "(*.htm or *.html)" stays readable while the real patterns decide what is listed.
        result << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return result;
}

QString toQtNameFilters(const QString& filter)
{
    return toQtNameFilterList(filter).join(QStringLiteral(";;"));
}

} // namespace tarnwick::platform
