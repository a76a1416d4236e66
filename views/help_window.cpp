#include "views/help_window.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "platform/qt/look.h"

// The resources of a static library must be registered by hand.
static void initViewsResources() { Q_INIT_RESOURCE(views); }

namespace kalvimo {

QString userManual() {
    initViewsResources();
    QFile f(QStringLiteral(":/views/manual.txt"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmHlp"));
    setWindowTitle(QStringLiteral("Помощь"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twips(6165), twips(7380));

    auto* version = new QLabel(QStringLiteral("Kalvimo версия 1.2 28.08.2000"), this);
    version->setObjectName(QStringLiteral("Label1"));
    version->setFont(textFont(11.25));
    version->setAlignment(Qt::AlignCenter);
    version->setWordWrap(true);
    placeTwips(version, 2040, 120, 1935, 495);

    auto* manual = new QPlainTextEdit(this);
    manual->setObjectName(QStringLiteral("Text2"));
    manual->setReadOnly(true);
    manual->setFont(listFont(9.75));
    manual->setPlainText(QString(userManual()).remove(QLatin1Char('\r')));
    // The box is a little wider than the window, as it always was; keep it inside.
    manual->setGeometry(0, twips(720), std::min(twips(6255), width()), twips(6015));

    auto* exit = new QPushButton(QStringLiteral("Выход"), this);
    exit->setObjectName(QStringLiteral("Command1"));
    exit->setFont(textFont(11.25));
    placeTwips(exit, 2400, 6840, 1215, 495);
    connect(exit, &QPushButton::clicked, this, &HelpWindow::close);
}

}  // namespace kalvimo
