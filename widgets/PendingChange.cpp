#include "PendingChange.h"

#include "Dataset.h"
#include "DbError.h"
#include "IniLang.h"
#include "MessageBoxes.h"

namespace pendingchange {

QString discardQuestion(const QString& reason) {
    const QString key = QStringLiteral("M200");
    QString text = LangMessage(key, key);
    if (text.isEmpty() || text == key)
        text = QStringLiteral("Изменение текущей записи не удалось сохранить:\n%1\n\nОтменить изменение? "
                              "Нажмите «Нет», чтобы вернуться к нему.");
    return text.arg(reason);
}

bool settleBeforeReread(Dataset& dataset) {
    if (!dataset.isOpen() || !dataset.isEditing())
        return true;
    try {
        dataset.checkBrowseMode();
        return true;
    } catch (const DbError& e) {
        if (!msgbox::confirmDefaultNo(discardQuestion(e.message())))
            return false;
    }
    try {
        dataset.cancel();
    } catch (const DbError&) {
        // A discard that fails leaves nothing the user could do about it.
    }
    return true;
}

} // namespace pendingchange
