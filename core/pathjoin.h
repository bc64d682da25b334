#pragma once

#include <QString>
#include <boost/filesystem/path.hpp>

// `text` as a POSIX path: its UTF-8 bytes up to the first NUL, nothing normalised.
boost::filesystem::path toFsPath(const QString& text);

// `base` and `name` joined by boost::filesystem::path::operator/=: one "/" between them unless
// `base` is empty, `base` ends in "/" or `name` begins with "/". Nothing else is normalised.
QString joinPath(const QString& base, const QString& name);
