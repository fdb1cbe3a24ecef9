#include "FilterConditions.h"

#include "Cp1251.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace FilterConditions {

bool isAllCaption(const QString& caption) {
    return caption == u"ВСЁ" || caption == u"All";
}

QString quoteLiteralText(const QString& text) {
    QString out = text;
    out.replace(u'\'', u"''"_s);
    return out;
}

QString letterCondition(const QString& caption) {
    // Captions come from the language file, so they are quoted like typed text.
    const QString upper = quoteLiteralText(cp1251::toUpper(caption));
    const QString lower = quoteLiteralText(cp1251::toLower(caption));
    return u"FAM Like '"_s + upper + u"%' or FAM Like '"_s + lower + u"%'"_s;
}

QString searchCondition(const QString& text, const QStringList& fieldNames) {
    if (text.isEmpty())
        return {};
    const QString pattern = u"'%"_s + quoteLiteralText(text) + u"%'"_s;
    QStringList terms;
    terms.reserve(fieldNames.size());
    for (const QString& name : fieldNames)
        terms << name + u" Like "_s + pattern;
    return terms.join(u" or "_s);
}

QString narrowedSearchCondition(const QString& text, const QStringList& fieldNames, const std::vector<int>& keys,
                                qint64 changedFrom) {
    const QString terms = searchCondition(text, fieldNames);
    if (terms.isEmpty())
        return {};
    // The server takes at most 1,500 values in one "in" list.
    constexpr size_t kPerList = 1000;
    QStringList candidates;
    for (size_t from = 0; from < keys.size(); from += kPerList) {
        QStringList values;
        for (size_t i = from; i < std::min(keys.size(), from + kPerList); ++i)
            values << QString::number(keys[i]);
        candidates << u"NUM_MAIN in ("_s + values.join(u',') + u')';
    }
    candidates << u"CHANGE_TX >= "_s + QString::number(changedFrom);
    return u"("_s + candidates.join(u" or "_s) + u") and ("_s + terms + u')';
}

const QStringList& searchedFieldNames() {
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
        QStringLiteral("NOTES"),
    };
    return names;
}

QStringList searchableFields(const std::vector<FieldInfo>& fields) {
    QStringList out;
    for (const FieldInfo& f : fields)
        if (f.isText && f.isVisible)
            out << f.name;
    return out;
}

} // namespace FilterConditions
