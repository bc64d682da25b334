#pragma once

#include "setting.h"

#include <QString>
#include <array>
#include <cstdint>
#include <variant>

// One element of settings.xml and the value it carries.
struct SettingField {
    const char* name;
    std::variant<bool*, std::int32_t*, QString*> value;
};

// The 21 elements of settings.xml in file order, each pointing into `setting`, except
// ErrorMailAuthPass, which points at `scrambledPassword` (the file never holds it in clear).
// The converter reads these names and text forms: they never change.
std::array<SettingField, 21> settingFields(Setting& setting, QString& scrambledPassword);

// The text form of a field: "1"/"0", a decimal integer, or the string unchanged.
QString fieldText(const SettingField& field);

// Sets a field from its text: QVariant::toBool for flags; for integers the decimal value with
// optional sign and surrounding blanks, 0 for anything else, out-of-range numbers included.
void setFieldFromText(const SettingField& field, const QString& text);

// Drops from every text field of `setting` the characters that XML 1.0 does not allow in a
// document (W3C XML 1.0, production Char): controls other than tab, LF and CR, U+FFFE, U+FFFF
// and unpaired surrogates. Written as they are, they would leave a file that is not well-formed.
void dropNonXmlChars(Setting& setting);
