// Conversions between the program's byte strings (UTF-8, the system code page
// here) and the toolkit's strings.
#pragma once

#include <QFile>
#include <QString>
#include <string>
#include <string_view>

namespace veltaro {

inline QString ToQString(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

inline std::string ToStdString(const QString& s) { return s.toStdString(); }

// A file name as the file system spells it.
inline std::string ToFileName(const QString& s) { return QFile::encodeName(s).toStdString(); }

}  // namespace veltaro
