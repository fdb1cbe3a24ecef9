#include "ExchangeTexts.h"

#include "IniLang.h"

namespace exchange {

QString text(const char* key, const char* russian) {
    const QString k = QString::fromLatin1(key);
    const QString t = LangMessage(k, k);
    return t.isEmpty() || t == k ? QString::fromUtf8(russian) : t;
}

namespace {
QString titleOf(int column, const QStringList& titles) {
    QString t = titles.value(column);
    if (t.isEmpty())
        t = russianTitle(column);
    return t;
}
} // namespace

QString refusalText(const Refusal& r, const QStringList& titles) {
    switch (r.kind) {
    case Refusal::Character:
    case Refusal::GroupCharacter: {
        // A character beyond the basic plane is named whole, never by half of its surrogate pair.
        const char32_t code = r.codePoint ? r.codePoint : r.character.unicode();
        return text("M106", "Поле «%1»: символ «%2» (U+%3) не входит в кодировку cp1251")
            .arg(r.kind == Refusal::GroupCharacter ? text("M120", "Группа") : titleOf(r.column, titles),
                 QString::fromUcs4(&code, 1),
                 QStringLiteral("%1").arg(static_cast<uint>(code), 4, 16, QLatin1Char('0')).toUpper());
    }
    case Refusal::TooLong:
        return text("M107", "Поле «%1»: %2 знаков, а помещается не больше %3")
            .arg(titleOf(r.column, titles))
            .arg(r.length)
            .arg(r.limit);
    case Refusal::GroupNameTooLong:
        return text("M107", "Поле «%1»: %2 знаков, а помещается не больше %3")
            .arg(text("M120", "Группа"))
            .arg(r.length)
            .arg(r.limit);
    case Refusal::BadDate:
        return text("M108", "Поле «%1»: «%2» не является датой").arg(titleOf(r.column, titles), r.value);
    case Refusal::Empty:
        return text("M109", "Карточка не содержит данных");
    case Refusal::GroupTooDeep:
        return text("M150", "Группа: %1 уровней вложенности, а допускается не больше %2").arg(r.length).arg(r.limit);
    case Refusal::BadText:
        return text("M160", "Строка %1: текст не читается в кодировке %2; карточка не принята, чтобы не сохранить "
                            "искажённые буквы")
            .arg(r.line)
            .arg(r.value);
    case Refusal::None:
        break;
    }
    return {};
}

QString duplicateText(const DuplicateMatch& m) {
    return m.by == DuplicateMatch::Email ? text("M112", "тот же e-mail %1").arg(m.value)
                                         : text("M111", "те же фамилия, имя и телефон %1").arg(m.value);
}

QString actionText(Action a) {
    switch (a) {
    case Action::Add:
        return text("M113", "Добавить");
    case Action::Skip:
        return text("M114", "Пропустить");
    case Action::Merge:
        return text("M115", "Объединить");
    }
    return {};
}

QString layoutText(csv::Layout layout) {
    switch (layout) {
    case csv::Layout::Own:
        return text("M181", "таблица Korvane");
    case csv::Layout::Google:
        return text("M182", "Google Контакты");
    case csv::Layout::OutlookEnglish:
        return text("M183", "Outlook (английские заголовки)");
    case csv::Layout::OutlookRussian:
        return text("M184", "Outlook (русские заголовки)");
    case csv::Layout::Thunderbird:
        return text("M185", "Thunderbird");
    }
    return {};
}

QString csvFactsText(const CsvFacts& facts) {
    if (!facts.csv)
        return {};
    QStringList lines;
    lines << text("M180", "Формат файла: %1").arg(layoutText(facts.layout));
    if (!facts.unknownFilled.isEmpty())
        lines << text("M186", "Столбцы со значениями, которым нет места в контакте (не сохраняются): %1")
                     .arg(facts.unknownFilled.join(QStringLiteral(", ")));
    if (facts.unknownEmpty > 0)
        lines << text("M187", "Пустых столбцов без места в контакте: %1").arg(facts.unknownEmpty);
    return lines.join(u'\n');
}

} // namespace exchange
