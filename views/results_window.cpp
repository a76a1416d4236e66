#include "views/results_window.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMetaMethod>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

#include "platform/files.h"
#include "platform/qt/list_boxes.h"
#include "platform/qt/look.h"
#include "platform/qt/program_starter.h"
#include "platform/qt/qt_text.h"
#include "views/charts_window.h"
#include "views/text_document.h"

namespace kalvimo {

ResultsWindow::ResultsWindow(const std::string& dataRoot, ProgramStarter& starter,
                             std::function<void(const QString&)> report, QWidget* parent)
    : QDialog(parent),
      dataRoot_(dataRoot),
      root_(fromUtf8(dataRoot)),
      log_(QDir(root_).filePath(QStringLiteral("log"))),
      error_(QDir(root_).filePath(QStringLiteral("error"))),
      starter_(starter),
      report_(std::move(report)) {
    setObjectName(QStringLiteral("frmDispRes"));
    setWindowTitle(QStringLiteral("Результаты обработки"));
    setAttribute(Qt::WA_DeleteOnClose);  // the next opening starts afresh on log/
    setModal(false);

    auto* statistics = new QPushButton(QStringLiteral("Статистика"), this);
    statistics->setObjectName(QStringLiteral("btnErrNum"));
    statistics->setToolTip(QStringLiteral("Просмотр отчета о количестве и типе ошибок"));
    statistics->setFont(textFont(11.25));
    auto* charts = new QPushButton(QStringLiteral("Графики ошибок"), this);
    charts->setObjectName(QStringLiteral("btnCharts"));
    charts->setToolTip(QStringLiteral("Аномалии по типам ошибок и по времени"));
    charts->setFont(textFont(11.25));
    errorsButton_ = new QRadioButton(QStringLiteral("Ошибки"), this);
    errorsButton_->setObjectName(QStringLiteral("OptionErr"));
    errorsButton_->setFont(textFont(11.25));
    reportsButton_ = new QRadioButton(QStringLiteral("Рапорта"), this);
    reportsButton_->setObjectName(QStringLiteral("OptionRep"));
    reportsButton_->setFont(textFont(11.25));
    files_ = new FileListBox(this);
    files_->setObjectName(QStringLiteral("File1"));
    files_->setFont(listFont());
    auto* quit = new QPushButton(this);
    quit->setObjectName(QStringLiteral("btnQuit"));
    quit->setIcon(QIcon::fromTheme(QStringLiteral("window-close"), style()->standardIcon(QStyle::SP_DialogCloseButton)));
    quit->setToolTip(QStringLiteral("Закрыть"));
    for (QPushButton* b : {statistics, charts, quit}) b->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(reportsButton_, 0, 0);
    grid->addWidget(errorsButton_, 0, 1);
    grid->addWidget(files_, 1, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(statistics);
    buttons->addWidget(charts);
    grid->addLayout(buttons, 2, 0);
    grid->addWidget(quit, 2, 1, Qt::AlignRight);
    resize(twips(4500), twips(6000));

    connect(errorsButton_, &QRadioButton::clicked, this, &ResultsWindow::showErrors);
    connect(reportsButton_, &QRadioButton::clicked, this, &ResultsWindow::showReports);
    connect(files_, &QListWidget::itemActivated, this, &ResultsWindow::openSelected);
    connect(statistics, &QPushButton::clicked, this, &ResultsWindow::openStatistics);
    connect(charts, &QPushButton::clicked, this, &ResultsWindow::openCharts);
    connect(quit, &QPushButton::clicked, this, &ResultsWindow::close);
    reportsButton_->setChecked(true);
    showReports();
}

void ResultsWindow::showReports() {
    files_->setPattern(QStringLiteral("*.log"));
    files_->setPath(log_);
}

void ResultsWindow::showErrors() {
    files_->setPattern(QStringLiteral("*.*"));
    files_->setPath(error_);
}

void ResultsWindow::openSelected() {
    const std::string name = files_->rawFileName();
    if (name.empty()) {
        report_(QStringLiteral("Файл не выбран"));
        return;
    }
    // The directory follows the option button, not the directory the list happens to show.
    view(pathFromBytes(joinPath(pathToBytes(reportsButton_->isChecked() ? log_ : error_), name)));
}

void ResultsWindow::openStatistics() { view(QDir(error_).filePath(QStringLiteral("errorstat"))); }

void ResultsWindow::openCharts() {
    if (isSignalConnected(QMetaMethod::fromSignal(&ResultsWindow::chartsRequested))) return emit chartsRequested();
    if (!charts_) charts_ = new ChartsWindow(dataRoot_, starter_, this);
    charts_->show();
    charts_->raise();
    charts_->activateWindow();
}

void ResultsWindow::view(const QString& file) {
    const QString problem = startViewer(starter_, root_, file);
    if (!problem.isEmpty()) report_(problem);
}

}  // namespace kalvimo
