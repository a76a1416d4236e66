#include "platform/qt/qt_translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kalvimo {

bool installQtTranslations() {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));  // dates and sizes in its dialogs too
    const QString besideProgram = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"));
    const QString ofQt = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString& dir : {besideProgram, ofQt}) {
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"), dir)) {
            QCoreApplication::installTranslator(translator);
            return true;
        }
        delete translator;
    }
    return false;
}

}  // namespace kalvimo
