#include "PlacingOrder.h"

#include "ContactMapping.h"

#include <algorithm>

namespace exchange {
namespace {

// (0, 0) for properties without slots; (kind, preference) for slot values, the smaller first.
std::pair<int, int> placingRank(const vcard::Property& p,
                                const std::function<QStringList(const vcard::Property&)>& typesOf) {
    static const QStringList slotProperties = {QStringLiteral("TEL"),     QStringLiteral("EMAIL"),
                                               QStringLiteral("URL"),     QStringLiteral("IMPP"),
                                               QStringLiteral("X-ICQ"),   QStringLiteral("X-JABBER"),
                                               QStringLiteral("X-SKYPE"), QStringLiteral("X-SKYPE-USERNAME"),
                                               QStringLiteral("X-AIM"),   QStringLiteral("X-MSN"),
                                               QStringLiteral("X-YAHOO"), QStringLiteral("X-GOOGLE-TALK")};
    if (!slotProperties.contains(p.name))
        return {0, 0};
    const bool phone = p.name == u"TEL";
    const QStringList t = typesOf(p);
    int pref = 101; // PREF runs from 1 (most preferred) to 100
    for (const QString& v : p.param(QStringLiteral("PREF"))) {
        bool ok = false;
        const int n = v.toInt(&ok);
        if (ok && n >= 1 && n <= 100)
            pref = std::min(pref, n);
    }
    if (t.contains(QStringLiteral("pref")))
        pref = std::min(pref, 1);
    if (!p.param(QString::fromLatin1(kFieldParam)).isEmpty())
        return {1, pref};
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
