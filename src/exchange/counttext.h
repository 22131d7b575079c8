#pragma once

#include <QLocale>
#include <QString>

// A count as the office reads it, grouped the Italian way ("1.048.575"), whatever the
// locale the program runs under.
inline QString countText(qint64 count) { return QLocale(QLocale::Italian, QLocale::Italy).toString(count); }
