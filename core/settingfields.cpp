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

} // namespace

QString fieldText(const SettingField& field)
{
    return std::visit([](auto* value) { return textOf(*value); }, field.value);
}

void setFieldFromText(const SettingField& field, const QString& text)
{
    std::visit([&text](auto* value) { assignText(*value, text); }, field.value);
}
