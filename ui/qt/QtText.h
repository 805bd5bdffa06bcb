// Conversions between the program's byte strings (UTF-8, the system code page
// here) and the toolkit's strings.
#pragma once

#include <QFile>
#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

namespace veltaro {

inline QString ToQString(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

inline std::string ToStdString(const QString& s) { return s.toStdString(); }

// Positions in a text: a byte offset into its UTF-8 form as a position in
// the toolkit's string, and back.
inline int PositionOfOffset(const std::string& text, std::size_t offset) {
  if (offset > text.size()) offset = text.size();
  return static_cast<int>(QString::fromUtf8(text.data(), static_cast<qsizetype>(offset)).size());
}
inline std::size_t OffsetOfPosition(const QString& text, int position) {
  return static_cast<std::size_t>(text.left(position).toUtf8().size());
}

// A file name as the file system spells it.
inline std::string ToFileName(const QString& s) { return QFile::encodeName(s).toStdString(); }

}  // namespace veltaro
