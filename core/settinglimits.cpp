#include "settinglimits.h"

#include "utf8bytes.h"

bool isStorablePassword(const QString& password)
{
    return utf8UpToNul(password).size() <= StoredPasswordLimit;
}

bool isStorableText(const QString& text)
{
    return text.isEmpty() || !text.trimmed().isEmpty();
}
