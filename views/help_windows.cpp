#include "views/help_windows.h"

#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

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

FrmHlp::FrmHlp(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmHlp"));
    setWindowTitle(QStringLiteral("Помощь"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twips(6165), twips(7380));

    Label1 = new QLabel(QStringLiteral("Kalvimo версия 1.2 28.08.2000"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(textFont(11.25));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    placeTwips(Label1, 2040, 120, 1935, 495);

    Text2 = new QPlainTextEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setReadOnly(true);
    Text2->setFont(listFont(9.75));
    Text2->setPlainText(QString(userManual()).remove(QLatin1Char('\r')));
    // The box is a little wider than the window, as it always was; keep it inside.
    Text2->setGeometry(0, twips(720), std::min(twips(6255), width()), twips(6015));

    Command1 = new QPushButton(QStringLiteral("Выход"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setFont(textFont(11.25));
    placeTwips(Command1, 2400, 6840, 1215, 495);
    connect(Command1, &QPushButton::clicked, this, &FrmHlp::Command1_Click);
}

frmInfo::frmInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(QStringLiteral("О программе"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);

    auto* outer = new QVBoxLayout(this);
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    outer->addWidget(Frame1);
    auto* inner = new QVBoxLayout(Frame1);
    Picture1 = new QLabel(Frame1);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    initViewsResources();
    Picture1->setPixmap(QPixmap(QStringLiteral(":/views/about.png")));
    Picture1->setAlignment(Qt::AlignCenter);
    Label1 = new QLabel(QStringLiteral("Kalvimo версия 1.2 28.08.2000г. "), Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(textFont(13.5, true));
    Label1->setAlignment(Qt::AlignCenter);
    Label2 = new QLabel(QStringLiteral("Для персонала, обслуживающего станцию S12:\n"
                                       "выборка рапортов, анализ ошибок, статистика."),
                        Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(textFont(11.25));
    Label2->setAlignment(Qt::AlignCenter);
    for (QWidget* w : {static_cast<QWidget*>(Picture1), static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2)})
        inner->addWidget(w);
}

}  // namespace kalvimo
