#include "PhoneNumbers.h"

#include "ContactMapping.h"

#include <QLocale>
#include <phonenumbers/phonenumberutil.h>

namespace exchange {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

PhoneNumbers::PhoneNumbers(const QString& region) : region_(region.toUpper().toStdString()) {}

QString PhoneNumbers::defaultRegion() {
    const QLocale locale = QLocale::system();
    const QString code =
        locale.territory() == QLocale::AnyTerritory ? QString() : QLocale::territoryToCode(locale.territory());
    // "C" and "POSIX" locales name no country; a code of digits ("001", the world) is no region.
    return code.size() == 2 && code[0].isLetter() ? code : QStringLiteral("RU");
}

QString PhoneNumbers::key(const QString& phone) const {
    const PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
    PhoneNumber number;
    // A number that is too short or too long for its country is no number of the plan ("123", an
    // office extension): its digits are all there is to compare.
    if (util.Parse(phone.toStdString(), region_, &number) != PhoneNumberUtil::NO_PARSING_ERROR ||
        !util.IsPossibleNumber(number))
        return phoneDigits(phone);
    std::string e164;
    util.Format(number, PhoneNumberUtil::E164, &e164);
    QString k = QString::fromStdString(e164);
    if (number.has_extension() && !number.extension().empty())
        k += u',' + QString::fromStdString(number.extension());
    return k;
}

} // namespace exchange
