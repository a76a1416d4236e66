#include "views/results_window.h"

#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

#include "platform/qt/list_boxes.h"
#include "platform/qt/look.h"
#include "platform/qt/program_starter.h"
#include "platform/qt/qt_text.h"

namespace kalvimo {

frmDispRes::frmDispRes(const std::string& dataRoot, ProgramStarter& starter,
                       std::function<void(const QString&)> report, QWidget* parent)
    : QDialog(parent),
      root_(fromUtf8(dataRoot)),
      log_(QDir(root_).filePath(QStringLiteral("log"))),
      error_(QDir(root_).filePath(QStringLiteral("error"))),
      starter_(starter),
      report_(std::move(report)) {
    setObjectName(QStringLiteral("frmDispRes"));
    setWindowTitle(QStringLiteral("Результаты обработки"));
    setAttribute(Qt::WA_DeleteOnClose);  // the next opening starts afresh on log/
    setModal(false);

    btnErrNum = new QPushButton(QStringLiteral("Статистика"), this);
    btnErrNum->setObjectName(QStringLiteral("btnErrNum"));
    btnErrNum->setToolTip(QStringLiteral("Просмотр отчета о количестве и типе ошибок"));
    btnErrNum->setFont(textFont(11.25));
    OptionErr = new QRadioButton(QStringLiteral("Ошибки"), this);
    OptionErr->setObjectName(QStringLiteral("OptionErr"));
    OptionErr->setFont(textFont(11.25));
    OptionRep = new QRadioButton(QStringLiteral("Рапорта"), this);
    OptionRep->setObjectName(QStringLiteral("OptionRep"));
    OptionRep->setFont(textFont(11.25));
    File1 = new FileListBox(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setFont(listFont());
    btnQuit = new QPushButton(this);
    btnQuit->setObjectName(QStringLiteral("btnQuit"));
    btnQuit->setIcon(QIcon::fromTheme(QStringLiteral("window-close"), style()->standardIcon(QStyle::SP_DialogCloseButton)));
    btnQuit->setToolTip(QStringLiteral("Закрыть"));
    for (QPushButton* b : {btnErrNum, btnQuit}) b->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(OptionRep, 0, 0);
    grid->addWidget(OptionErr, 0, 1);
    grid->addWidget(File1, 1, 0, 1, 2);
    grid->addWidget(btnErrNum, 2, 0);
    grid->addWidget(btnQuit, 2, 1, Qt::AlignRight);
    resize(twips(4500), twips(6000));

    connect(OptionErr, &QRadioButton::clicked, this, &frmDispRes::OptionErr_Click);
    connect(OptionRep, &QRadioButton::clicked, this, &frmDispRes::OptionRep_Click);
    connect(File1, &QListWidget::itemActivated, this, &frmDispRes::File1_dblclick);
    connect(btnErrNum, &QPushButton::clicked, this, &frmDispRes::btnErrNum_Click);
    connect(btnQuit, &QPushButton::clicked, this, &frmDispRes::btnQuit_Click);
    Form_Load();
}

void frmDispRes::Form_Load() {
    OptionRep->setChecked(true);
    File1->setPattern(QStringLiteral("*.log"));
    File1->setPath(log_);
}

void frmDispRes::OptionErr_Click() {
    File1->setPattern(QStringLiteral("*.*"));
    File1->setPath(error_);
}

void frmDispRes::OptionRep_Click() {
    File1->setPattern(QStringLiteral("*.log"));
    File1->setPath(log_);
}

void frmDispRes::File1_dblclick() {
    const std::string name = File1->rawFileName();
    if (name.empty()) {
        report_(QStringLiteral("Файл не выбран"));
        return;
    }
    // The directory follows the option button, not the directory the list happens to show.
    view(QDir(OptionRep->isChecked() ? log_ : error_).filePath(QFile::decodeName(QByteArray::fromStdString(name))));
}

void frmDispRes::btnErrNum_Click() { view(QDir(error_).filePath(QStringLiteral("errorstat"))); }

void frmDispRes::view(const QString& file) {
    const QString problem = startViewer(starter_, root_, file);
    if (!problem.isEmpty()) report_(problem);
}

}  // namespace kalvimo
