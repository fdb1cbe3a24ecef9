#include "CardIndex.h"

#include "LocalContacts.h"

namespace cardsync {

void CardIndex::loadAll() {
    for (CardState& c : state_.cards())
        keep(std::move(c));
}

void CardIndex::loadPart(const ServerListing& listing, LocalContacts& local) {
    partial_ = true;
    for (CardState& c : state_.unsettled())
        keep(std::move(c));
    auto byHref = [this](const QString& href) {
        if (!cards_.contains(href))
            if (std::optional<CardState> c = state_.card(href))
                keep(std::move(*c));
    };
    for (auto it = listing.changed.begin(); it != listing.changed.end(); ++it)
        byHref(it.key());
    for (const QString& href : listing.removed)
        byHref(href);
    for (const QString& href : local.cardsOfDeletedContacts())
        byHref(href);
    const QList<int> changed = local.changedSinceSync();
    QSet<int> nums(changed.begin(), changed.end());
    for (int num : changed)
        if (!hrefOfNum_.contains(num))
            if (std::optional<CardState> c = state_.cardOf(num))
                keep(std::move(*c));
    for (const CardState& c : cards_)
        if (c.num >= 0)
            nums.insert(c.num);
    for (int num : nums)
        local.loadOne(num);
}

CardState* CardIndex::find(const QString& href) {
    auto it = cards_.find(href);
    return it == cards_.end() ? nullptr : &it.value();
}

bool CardIndex::linked(int num) {
    if (hrefOfNum_.contains(num))
        return true;
    if (!partial_)
        return false;
    if (std::optional<CardState> c = state_.cardOf(num)) {
        keep(std::move(*c));
        return true;
    }
    return false;
}

void CardIndex::write(const CardState& c) {
    state_.write(c);
    keep(c);
}

void CardIndex::forget(const QString& href) {
    if (const CardState* c = find(href))
        if (c->num >= 0 && hrefOfNum_.value(c->num) == href)
            hrefOfNum_.remove(c->num);
    state_.remove(href);
    cards_.remove(href);
}

void CardIndex::keep(CardState c) {
    if (c.num >= 0)
        hrefOfNum_.insert(c.num, c.href);
    cards_.insert(c.href, std::move(c));
}

} // namespace cardsync
