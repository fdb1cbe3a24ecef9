#include "SyncTexts.h"

#include "DataTexts.h"

namespace cardsync::texts {

using datatexts::text;

QString errorText(SyncError::Kind kind, const QString& d1, const QString& d2) {
    switch (kind) {
    case SyncError::None:
        return {};
    case SyncError::Network:
        return text("M340", "Cannot reach the server: %1").arg(d1);
    case SyncError::Timeout:
        return text("M341", "The server did not answer within %1 seconds").arg(d1);
    case SyncError::Unauthorized:
        return text("M342", "The server refused the user name or the password (401)");
    case SyncError::Forbidden:
        return text("M343", "The server refused access to %1 (403)").arg(d1);
    case SyncError::NotFound:
        return text("M344", "Not found on the server: %1 (404)").arg(d1);
    case SyncError::PreconditionFailed:
        return text("M345", "The card was changed on the server meanwhile (412): %1").arg(d1);
    case SyncError::Server:
        return text("M346", "The server failed (%1): %2").arg(d1, d2);
    case SyncError::UntrustedCertificate:
        return text("M347", "The system does not trust the server's certificate. Its SHA-256 fingerprint is %1")
            .arg(d1);
    case SyncError::CertificateChanged:
        return text("M348", "The server's certificate has changed: accepted %1, now %2").arg(d1, d2);
    case SyncError::NotAddressBook:
        return text("M349", "No address book found at %1").arg(d1);
    case SyncError::Busy:
        return text("M350", "Another sync of this database is running");
    case SyncError::Database:
        return text("M351", "The contact database failed: %1").arg(d1);
    case SyncError::Protocol:
        return text("M352", "The server's answer is not CardDAV: %1").arg(d1);
    case SyncError::Cancelled:
        return text("M353", "The sync was cancelled");
    }
    return {};
}

QString phaseReading() {
    return text("M354", "Reading the changes on the server");
}

QString phaseFetching() {
    return text("M355", "Fetching cards");
}

QString phaseStoring() {
    return text("M356", "Storing the changes");
}

QString noAccount() {
    return text("M357", "No sync account is set up");
}

QString countsText(const SyncCounts& c) {
    return text("M358", "Synced: %1 cards fetched; desk: %2 added, %3 changed, %4 deleted; server: %5 added, %6 "
                        "changed, %7 deleted")
        .arg(c.fetched)
        .arg(c.createdDesk)
        .arg(c.updatedDesk)
        .arg(c.deletedDesk)
        .arg(c.createdServer)
        .arg(c.updatedServer)
        .arg(c.deletedServer);
}

QString conflictsText(int n) {
    return text("M359", "Contacts waiting in the conflict list: %1").arg(n);
}

QString plainHttpHint(const QString& host) {
    return text("M390", "The server did not answer over HTTPS. For a server without TLS, type its address as "
                        "http://%1 (the password then travels unencrypted).")
        .arg(host);
}

} // namespace cardsync::texts
