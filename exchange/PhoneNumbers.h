#pragma once

#include <QString>
#include <string>

namespace exchange {

// Phone numbers compared as numbers, not as strings: "+7 (495) 123-45-67" and "84951234567" (the
// national trunk prefix) are one number, "+7 495 ..." and "+375 29 ..." are two. The world's
// numbering plans come from libphonenumber; a number it cannot read is compared by its digits.
class PhoneNumbers {
public:
    // region: two letters ("RU", "US") for numbers written without a country code.
    explicit PhoneNumbers(const QString& region = defaultRegion());

    // The form two numbers share when they are the same: "+74951234567" (with ",1234" for an
    // extension), or the bare digits of a number the library cannot read.
    QString key(const QString& phone) const;
    bool same(const QString& a, const QString& b) const { return key(a) == key(b); }

    // The country of the system's locale, RU when the locale names none.
    static QString defaultRegion();

private:
    std::string region_;
};

} // namespace exchange
