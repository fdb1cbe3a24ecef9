#pragma once

#include "ServerListing.h"
#include "SyncState.h"

#include <QHash>

namespace cardsync {

class LocalContacts;

// The cards of the sync state a run works with, by address and by contact: all of them, or only the
// ones a run with few changes needs, the rest asked for when a question comes up.
class CardIndex {
public:
    explicit CardIndex(SyncState& state) : state_(state) {}

    void loadAll();
    // The cards the server listed, the unsettled ones (conflicts, unconfirmed uploads), the cards of
    // contacts deleted on the desk and of the contacts the database finds changed since their last
    // sync; those contacts and the ones of the cards are read into local.
    void loadPart(const ServerListing& listing, LocalContacts& local);
    bool partial() const { return partial_; }

    const QHash<QString, CardState>& all() const { return cards_; }
    CardState* find(const QString& href);
    // Whether a contact is linked to a card.
    bool linked(int num);
    // Stores a card's state and keeps it.
    void write(const CardState& c);
    void forget(const QString& href);

private:
    void keep(CardState c);
    SyncState& state_;
    QHash<QString, CardState> cards_;
    QHash<int, QString> hrefOfNum_;
    bool partial_ = false;
};

} // namespace cardsync
