#include "views/about_window.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/qt/look.h"

// The resources of a static library must be registered by hand.
static void initViewsResources() { Q_INIT_RESOURCE(views); }

namespace kalvimo {

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(QStringLiteral("О программе"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);

    auto* outer = new QVBoxLayout(this);
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFrameShape(QFrame::Box);
    outer->addWidget(frame);
    auto* inner = new QVBoxLayout(frame);
    auto* picture = new QLabel(frame);
    picture->setObjectName(QStringLiteral("Picture1"));
    initViewsResources();
    picture->setPixmap(QPixmap(QStringLiteral(":/views/about.png")));
    picture->setAlignment(Qt::AlignCenter);
    auto* name = new QLabel(QStringLiteral("Kalvimo версия 1.2 28.08.2000г. "), frame);
    name->setObjectName(QStringLiteral("Label1"));
    name->setFont(textFont(13.5, true));
    name->setAlignment(Qt::AlignCenter);
    auto* purpose = new QLabel(QStringLiteral("Для персонала, обслуживающего станцию S12:\n"
                                              "выборка рапортов, анализ ошибок, статистика."),
                               frame);
    purpose->setObjectName(QStringLiteral("Label2"));
    purpose->setFont(textFont(11.25));
    purpose->setAlignment(Qt::AlignCenter);
    for (QWidget* w : {static_cast<QWidget*>(picture), static_cast<QWidget*>(name), static_cast<QWidget*>(purpose)})
        inner->addWidget(w);
}

}  // namespace kalvimo
