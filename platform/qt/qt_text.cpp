#include "platform/qt/qt_text.h"

#include <QDir>

#include "platform/cp1251.h"

namespace kalvimo {

std::string toSystemPath(const QString& path) { return toUtf8(QDir::toNativeSeparators(path)); }

QString fromSystemPath(const std::string& path) { return QDir::fromNativeSeparators(fromUtf8(path)); }


QString fromCp1251(std::string_view bytes) { return fromUtf8(cp1251ToUtf8(bytes)); }

std::string toCp1251(const QString& text) { return utf8ToCp1251(toUtf8(text)); }

QString fileNameText(std::string_view bytes) { return fromUtf8(fileNameForDisplay(bytes)); }

}  // namespace kalvimo
