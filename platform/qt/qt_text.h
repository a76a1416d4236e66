#pragma once
// Conversions between the program's byte strings and Qt's strings: Windows-1251 for what is
// read from or written to files, UTF-8 for paths and status texts.
#include <QString>
#include <string>
#include <string_view>

namespace kalvimo {

QString fromCp1251(std::string_view bytes);
// Characters Windows-1251 lacks become "?".
std::string toCp1251(const QString& text);
inline QString fromUtf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string toUtf8(const QString& s) { return s.toUtf8().toStdString(); }
// A path of the window's (Qt's "/" everywhere) as the engine and the system take it, and back:
// on Windows with "\\", so that the status texts show Windows paths.
std::string toSystemPath(const QString& path);
QString fromSystemPath(const std::string& path);
// A file name or path as the file system holds it, as a person reads it (see fileNameForDisplay).
QString fileNameText(std::string_view bytes);

}  // namespace kalvimo
