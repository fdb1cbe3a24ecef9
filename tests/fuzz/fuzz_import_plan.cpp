// libFuzzer target: a file of either kind read and planned against a small stored tree and contact list,
// without a database.
#include "ImportPlan.h"

#include <cstddef>
#include <cstdint>

namespace {

const exchange::Snapshot& stored() {
    static const exchange::Snapshot s = [] {
        exchange::Snapshot out;
        out.groups = {{1, 0, QStringLiteral("Все")},
                      {2, 1, QStringLiteral("Работа")},
                      {3, 1, QStringLiteral("Дом")},
                      {4, 2, QStringLiteral("Клиенты")}};
        exchange::StoredContact c;
        c.num = 1;
        c.fam = QStringLiteral("Петров");
        c.first = QStringLiteral("Иван");
        c.title = QStringLiteral("Петров Иван");
        c.phones = {QStringLiteral("74951234567")};
        c.emails = {QStringLiteral("ivan@example.org")};
        out.contacts.push_back(c);
        return out;
    }();
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QStringList notes;
    bool recognised = false;
    auto contacts = exchange::readFile(bytes, {}, {}, &notes, &recognised);
    const exchange::ImportPlan plan = exchange::makePlan(std::move(contacts), stored(), QStringLiteral("/tmp/photos"));
    // A card that is not refused fits every column.
    for (const exchange::PlannedCard& c : plan.cards)
        if (c.status != exchange::CardStatus::Refused &&
            exchange::checkRow(c.contact.row).kind != exchange::Refusal::None)
            __builtin_trap();
    return 0;
}
