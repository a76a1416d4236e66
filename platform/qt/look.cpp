#include "platform/qt/look.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QLabel>
#include <QScreen>
#include <QWidget>

namespace kalvimo {
namespace {

double scale() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return dpi / 96.0;
}

QString firstFamily(std::initializer_list<const char*> names) {
    const QStringList families = QFontDatabase::families();
    for (const char* name : names)
        if (families.contains(QString::fromLatin1(name), Qt::CaseInsensitive)) return QString::fromLatin1(name);
    return {};
}

}  // namespace

int twips(int value) { return static_cast<int>(value / 15.0 * scale() + 0.5); }

QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

void placeTwips(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(twipsRect(left, top, width, height));
}

void growToFit(QLabel* l) {
    if (l->sizeHint().width() > l->width()) l->resize(l->sizeHint().width(), l->height());
}

QFont textFont(double points, bool bold) {
    // PT Serif before EB Garamond: Debian's EB Garamond has no bold Cyrillic, so a bold caption
    // would mix two faces, and its old-style figures make "121" read like "I2I". PT Serif runs
    // about a sixth wider than Garamond, so it is set smaller to fill the places laid out for it.
    static const QString family = firstFamily({"Garamond", "PT Serif", "EB Garamond"});
    static const double size = family == QLatin1String("PT Serif") ? 0.86 : 1.0;
    QFont f = family.isEmpty() ? QGuiApplication::font() : QFont(family);
    f.setPointSizeF(points * size);
    f.setBold(bold);
    return f;
}

QFont listFont(double points) {
    static const QString family = firstFamily({"Times New Roman", "Liberation Serif"});
    QFont f;
    if (family.isEmpty()) f.setStyleHint(QFont::Serif);
    else f.setFamily(family);
    f.setPointSizeF(points);
    return f;
}

QIcon fadedWhenDisabled(const QIcon& icon, const QSize& size) {
    const QPixmap normal = icon.pixmap(size);
    QImage faded = normal.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < faded.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(faded.scanLine(y));
        for (int x = 0; x < faded.width(); ++x) {
            const int gray = qGray(line[x]);
            line[x] = qRgba(gray, gray, gray, qAlpha(line[x]) * 3 / 10);
        }
    }
    QIcon out;
    out.addPixmap(normal, QIcon::Normal);
    out.addPixmap(QPixmap::fromImage(faded), QIcon::Disabled);
    return out;
}

}  // namespace kalvimo
