// The window "Графики ошибок" of a build without the charts library (the Windows build, whose
// toolkit is built here without it): it says so instead of drawing, and the rest of the program
// is the same.
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "platform/qt/look.h"
#include "platform/qt/qt_text.h"
#include "views/charts_window.h"

namespace kalvimo {

ChartsWindow::ChartsWindow(const std::string& dataRoot, ProgramStarter& starter, QWidget* parent)
    : QDialog(parent), dataRoot_(dataRoot), root_(fromUtf8(dataRoot)), starter_(starter) {
    setObjectName(QStringLiteral("frmCharts"));
    setWindowTitle(QStringLiteral("Графики ошибок"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    note_ = new QLabel(QStringLiteral("В этой сборке программы графиков нет. Статистика ошибок — в файле "
                                      "error\\errorstat (кнопка «Статистика»)."),
                       this);
    note_->setObjectName(QStringLiteral("labNote"));
    note_->setWordWrap(true);
    note_->setFont(textFont(11.25));
    quitButton_ = new QPushButton(this);
    quitButton_->setObjectName(QStringLiteral("btnQuit"));
    quitButton_->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    quitButton_->setToolTip(QStringLiteral("Закрыть"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note_);
    layout->addWidget(quitButton_, 0, Qt::AlignRight);
    connect(quitButton_, &QPushButton::clicked, this, &QWidget::close);
}

ChartsWindow::~ChartsWindow() = default;

QChartView* ChartsWindow::currentChart() const { return nullptr; }

bool ChartsWindow::saveShownChart(const QString&) { return false; }

}  // namespace kalvimo
