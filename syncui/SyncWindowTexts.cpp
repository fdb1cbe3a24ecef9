#include "SyncWindowTexts.h"

#include "IniLang.h"

#include <QLocale>

namespace syncui {

QString text(const char* key, const char* russian) {
    const QString k = QString::fromLatin1(key);
    const QString t = LangMessage(k, k);
    return t.isEmpty() || t == k ? QString::fromUtf8(russian) : t;
}

QString outcomeText(const SyncOutcome& outcome) {
    switch (outcome.failure.kind) {
    case Failure::Cancelled:
        return text("M334", "Синхронизация отменена; изменения, записанные до отмены, будут учтены при следующей.");
    case Failure::Untrusted:
    case Failure::Other:
        return text("M333", "Синхронизация не удалась: %1").arg(outcome.failure.message);
    case Failure::None:
        break;
    }
    const QString when =
        QLocale().toString(outcome.finished.isValid() ? outcome.finished.toLocalTime() : QDateTime::currentDateTime(),
                           QLocale::ShortFormat);
    return text("M314", "Последняя синхронизация: %1. С сервера: %2, на сервер: %3, удалено: %4, конфликтов: %5.")
        .arg(when)
        .arg(outcome.fromServer)
        .arg(outcome.toServer)
        .arg(outcome.deleted)
        .arg(outcome.conflicts);
}

QString choiceText(Choice choice) {
    switch (choice) {
    case Choice::KeepDesk:
        return text("M326", "Оставить как на компьютере");
    case Choice::KeepServer:
        return text("M327", "Оставить как на сервере");
    case Choice::Chosen:
        return text("M335", "выбор сделан, применяется при следующей синхронизации");
    case Choice::Undecided:
        break;
    }
    return text("M325", "не выбрано");
}

QString columnsChoiceText(Choice choice, int columns) {
    return text("M378", "%1, кроме полей: %2").arg(choiceText(choice)).arg(columns);
}

QString photoText(const QString& digest) {
    if (digest.isEmpty())
        return {};
    return text("M380", "фотография %1").arg(digest.left(8));
}

QString unreadablePhotoText() {
    return text("M379", "фотография (файл не читается)");
}

QString certificateQuestion(const QString& server, const QString& fingerprint, bool changed) {
    if (changed)
        return text("M321", "Сертификат сервера %1 изменился и не совпадает с принятым ранее. "
                            "Новый отпечаток SHA-256: %2. Доверять новому сертификату?")
            .arg(server, fingerprint);
    return text("M320", "Сервер %1 предъявил сертификат, которому система не доверяет. "
                        "Отпечаток SHA-256: %2. Доверять этому сертификату для этой учётной записи?")
        .arg(server, fingerprint);
}

} // namespace syncui
