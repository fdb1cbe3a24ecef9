#pragma once

#include <QStringList>

// The 37 columns the search window looks in, in dataset order. The search condition and the search
// index read this one list, so the index always covers what a search asks about. Header-only: the
// GUI-free browse code uses it without linking the data layer.
namespace searchedcolumns {

inline const QStringList& names() {
    static const QStringList names = {
        QStringLiteral("JOB_ORG"),    QStringLiteral("FAM"),         QStringLiteral("FIRST_NAME"),
        QStringLiteral("MID_NAME"),   QStringLiteral("JOB_POST"),    QStringLiteral("DEPARTAMENT"),
        QStringLiteral("NICKNAME"),   QStringLiteral("OCCUPATION"),  QStringLiteral("JOBRIGHTFORM"),
        QStringLiteral("COUNTRY"),    QStringLiteral("JOB_ADDRESS"), QStringLiteral("JOB_CITY"),
        QStringLiteral("JOB_ST"),     QStringLiteral("JOB_ZIP"),     QStringLiteral("HOME_ADDRESS"),
        QStringLiteral("HOME_CITY"),  QStringLiteral("HOME_ST"),     QStringLiteral("HOME_ZIP"),
        QStringLiteral("AREA_CODE"),  QStringLiteral("JOB_TEL1"),    QStringLiteral("JOB_TEL2"),
        QStringLiteral("JOB_TEL3"),   QStringLiteral("JOB_TEL4"),    QStringLiteral("JOB_FAX"),
        QStringLiteral("HOME_TEL1"),  QStringLiteral("HOME_TEL2"),   QStringLiteral("HOME_FAX"),
        QStringLiteral("CELLULAR"),   QStringLiteral("PAGER"),       QStringLiteral("JOB_EMAIL"),
        QStringLiteral("HOME_EMAIL"), QStringLiteral("JOB_WWW"),     QStringLiteral("HOME_WWW"),
        QStringLiteral("JOB_ICQ"),    QStringLiteral("HOME_ICQ"),    QStringLiteral("OTHER_COMMUN"),
        QStringLiteral("NOTES")};
    return names;
}

} // namespace searchedcolumns
