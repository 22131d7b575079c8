#pragma once

#include <QIcon>
#include <QString>

// An icon from the desktop's theme, with the program's own picture where the theme lacks it.
inline QIcon themedIcon(const QString &themeName, const QString &file)
{
    const QIcon fallback(QStringLiteral(":/icons/%1.png").arg(file));
    return themeName.isEmpty() ? fallback : QIcon::fromTheme(themeName, fallback);
}
