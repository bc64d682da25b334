#pragma once

#include <QByteArray>
#include <QString>
#include <string>

// The UTF-8 form of `text` up to its first NUL: the byte string handed to file-system calls,
// the digest and the codec, which all treat NUL as an end marker.
inline std::string utf8UpToNul(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return bytes.toStdString();
}
