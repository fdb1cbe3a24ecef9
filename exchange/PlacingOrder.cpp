#include "PlacingOrder.h"

#include "ContactMapping.h"

#include <QSet>

#include <algorithm>

namespace exchange {
namespace {

// The values of a parameter without copying the others; none when it is absent.
const QStringList* paramValues(const vcard::Property& p, QStringView name) {
    for (const vcard::Parameter& param : p.params)
        if (param.name == name)
            return &param.values;
    return nullptr;
}

// (0, 0) for properties without slots; (kind, preference) for slot values, the smaller first.
std::pair<int, int> placingRank(const vcard::Property& p,
                                const std::function<QStringList(const vcard::Property&)>& typesOf) {
    static const QSet<QString> slotProperties = {QStringLiteral("TEL"),     QStringLiteral("EMAIL"),
                                                 QStringLiteral("URL"),     QStringLiteral("IMPP"),
                                                 QStringLiteral("X-ICQ"),   QStringLiteral("X-JABBER"),
                                                 QStringLiteral("X-SKYPE"), QStringLiteral("X-SKYPE-USERNAME"),
                                                 QStringLiteral("X-AIM"),   QStringLiteral("X-MSN"),
                                                 QStringLiteral("X-YAHOO"), QStringLiteral("X-GOOGLE-TALK")};
    if (!slotProperties.contains(p.name))
        return {0, 0};
    int pref = 101; // PREF runs from 1 (most preferred) to 100
    if (const QStringList* prefs = paramValues(p, u"PREF"))
        for (const QString& v : *prefs) {
            bool ok = false;
            const int n = v.toInt(&ok);
            if (ok && n >= 1 && n <= 100)
                pref = std::min(pref, n);
        }
    static const QString fieldParam = QString::fromLatin1(kFieldParam);
    if (paramValues(p, fieldParam))
        return {1, pref}; // our own files name the column: no types to work out for them
    const bool phone = p.name == u"TEL";
    const QStringList t = typesOf(p);
    if (t.contains(QStringLiteral("pref")))
        pref = std::min(pref, 1);
    // Types that choose a column: all of them for phones, home and work for the others.
    static const QStringList placing = {QStringLiteral("home"),   QStringLiteral("work"), QStringLiteral("cell"),
                                        QStringLiteral("iphone"), QStringLiteral("fax"),  QStringLiteral("pager")};
    for (const QString& type : t)
        if (placing.contains(type) && (phone || type == u"home" || type == u"work"))
            return {2, pref};
    return {3, pref};
}

} // namespace

std::vector<const vcard::Property*> placingOrder(const std::vector<vcard::Property>& properties,
                                                 const std::function<QStringList(const vcard::Property&)>& typesOf) {
    // Each rank is worked out once: a card of many phones is not typed again at every comparison.
    std::vector<std::pair<std::pair<int, int>, const vcard::Property*>> ranked;
    ranked.reserve(properties.size());
    for (const vcard::Property& p : properties)
        ranked.emplace_back(placingRank(p, typesOf), &p);
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const vcard::Property*> order;
    order.reserve(ranked.size());
    for (const auto& r : ranked)
        order.push_back(r.second);
    return order;
}

} // namespace exchange
