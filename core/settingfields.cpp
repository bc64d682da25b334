#include "settingfields.h"

#include <QVariant>

std::array<SettingField, 21> settingFields(Setting& s, QString& scrambledPassword)
{
    ErrorMailSetting& mail = s.ErrorMail;
    return {{
        {"UnityPath", &s.UnityPath},
        {"Enabled", &s.Enabled},
        {"pvrtcnormal", &s.pvrtcnormal},
        {"pvrtcfast", &s.pvrtcfast},
        {"pvrtcbest", &s.pvrtcbest},
        {"LimitImageSize", &s.LimitImageSize},
        {"Only32bit", &s.Only32bit},
        {"UseDebugConvert", &s.UseDebugConvert},
        {"ConfigPath", &s.ConfigPath},
        {"QuorvaneFilter", &s.QuorvaneFilter},
        {"QuorvaneEdge", &s.QuorvaneEdge},
        {"QuorvaneSel", &s.QuorvaneSel},
        {"DebugConvertOnRedirect", &s.DebugConvertOnRedirect},
        {"ErrorMailUse", &mail.ErrorMailUse},
        {"ErrorMailServer", &mail.ErrorMailServer},
        {"ErrorMailPort", &mail.ErrorMailPort},
        {"ErrorMailFrom", &mail.ErrorMailFrom},
        {"ErrorMailTo", &mail.ErrorMailTo},
        {"ErrorMailAuthUse", &mail.ErrorMailAuthUse},
        {"ErrorMailAuthName", &mail.ErrorMailAuthName},
        {"ErrorMailAuthPass", &scrambledPassword},
    }};
}

namespace
{

QString textOf(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

QString textOf(std::int32_t value)
{
    return QString::number(value, 10);
}

QString textOf(const QString& value)
{
    return value;
}

void assignText(bool& field, const QString& text)
{
    field = QVariant(text).toBool();
}

void assignText(std::int32_t& field, const QString& text)
{
    // QVariant::toInt would accept 4294967297 and wrap it to 1; QString::toInt parses the same
    // forms but yields 0 outside the 32-bit range.
    field = text.toInt();
}

void assignText(QString& field, const QString& text)
{
    field = text;
}

// Whether one UTF-16 unit, standing alone, is a character XML 1.0 allows.
bool isXmlChar(char16_t unit)
{
    return unit == 0x9 || unit == 0xA || unit == 0xD || (unit >= 0x20 && unit <= 0xD7FF) ||
           (unit >= 0xE000 && unit <= 0xFFFD);
}

QString withXmlCharsOnly(const QString& text)
{
    QString kept;
    kept.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar unit = text.at(i);
        if (unit.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            kept += unit; // with its low half: U+10000 and above are allowed
            kept += text.at(++i);
        } else if (isXmlChar(unit.unicode())) {
            kept += unit;
        }
    }
    return kept;
}

} // namespace

QString fieldText(const SettingField& field)
{
    return std::visit([](auto* value) { return textOf(*value); }, field.value);
}

void setFieldFromText(const SettingField& field, const QString& text)
{
    std::visit([&text](auto* value) { assignText(*value, text); }, field.value);
}

void dropNonXmlChars(Setting& setting)
{
    QString scrambledPassword; // Base64, never holds such characters
    for (const SettingField& field : settingFields(setting, scrambledPassword)) {
        if (QString* const* text = std::get_if<QString*>(&field.value))
            **text = withXmlCharsOnly(**text);
    }
}
