#include "DataTexts.h"

namespace datatexts {

namespace {
Lookup& current() {
    static Lookup lookup;
    return lookup;
}
} // namespace

void setLookup(Lookup lookup) {
    current() = std::move(lookup);
}

QString text(const char* key, const char* english) {
    if (current()) {
        const QString found = current()(QString::fromLatin1(key));
        if (!found.isEmpty())
            return found;
    }
    return QString::fromUtf8(english);
}

} // namespace datatexts
