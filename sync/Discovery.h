#pragma once

#include "SyncTypes.h"

#include <atomic>

// Finding the address books of a user on a server.
namespace cardsync {

struct DiscoveryResult {
    std::vector<AddressBook> books;
    SyncError error;
};

// From a bare host ("dav.example.org"), a server URL or a full address-book URL to the address books
// of the user: an address book given is taken as it is; otherwise /.well-known/carddav, the
// current-user-principal, its addressbook-home-set and the books in it (PROPFIND Depth 1). A bare
// host is tried with https first. Blocking: runs its own event loop, so it may be called from any
// thread (the window runs it on a worker thread so it stays responsive). cancel: a flag another
// thread may set; the request under way is then aborted and the result fails as Cancelled.
DiscoveryResult discoverAddressBooks(const QString& serverOrUrl, const ServerLogin& login,
                                     const std::atomic_bool* cancel = nullptr);

// The URL a user's text means: "host" and "host:port" become https://host[:port]/.
QUrl serverUrlOf(const QString& text, bool https = true);

} // namespace cardsync
