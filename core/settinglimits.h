#pragma once

#include <QString>
#include <cstddef>

// What settings.xml gives back as it was saved. A value beyond these limits is written without
// complaint but reads back empty, and a user name read back empty loses the password scrambled
// under it.

// The scrambled password block that reading takes in: the password's UTF-8 bytes, then the
// end marker.
constexpr std::size_t ScrambledBlockLimit = 200;
constexpr std::size_t ScrambleMarkerLength = 14;

// The most UTF-8 bytes of a password (up to its first NUL) that read back: 186.
constexpr std::size_t StoredPasswordLimit = ScrambledBlockLimit - ScrambleMarkerLength;

// True when `password` reads back from settings.xml, i.e. fits StoredPasswordLimit.
bool isStorablePassword(const QString& password);

// True when `text` reads back from settings.xml as written: false for a text made only of
// white space (each character QChar::isSpace, U+3000 and U+00A0 among them), which the XML
// reader drops as ignorable so the element reads back empty. An empty text is true.
bool isStorableText(const QString& text);
