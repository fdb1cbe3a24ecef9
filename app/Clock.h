#pragma once

#include <QLocale>
#include <QString>
#include <QTime>

// The status bar's clock: the time in the locale's long time format, without the time-zone name
// that Qt's long format carries (the clock panel has room for the time only).
namespace statusclock {

// The format with its time-zone fields ("t" and its longer forms) and the blanks around them taken out.
QString withoutTimeZone(const QString& format);

QString text(const QTime& time, const QLocale& locale = QLocale::system());

} // namespace statusclock
