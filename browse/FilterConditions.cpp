#include "FilterConditions.h"

#include "Cp1251.h"
#include "SearchedColumns.h"

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
    return searchedcolumns::names();
}

QStringList searchableFields(const std::vector<FieldInfo>& fields) {
    QStringList out;
    for (const FieldInfo& f : fields)
        if (f.isText && f.isVisible)
            out << f.name;
    return out;
}

} // namespace FilterConditions
