#pragma once
// The help window with the user manual and the about window.
#include <QDialog>
#include <QString>

class QLabel;
class QFrame;
class QPlainTextEdit;
class QPushButton;

namespace kalvimo {

// The manual as stored: 63 lines, each ending in CR LF.
QString userManual();

class FrmHlp : public QDialog {
    Q_OBJECT
public:
    explicit FrmHlp(QWidget* parent = nullptr);
    void Command1_Click() { close(); }

    QPlainTextEdit* Text2;
    QPushButton* Command1;
    QLabel* Label1;
};

class frmInfo : public QDialog {
    Q_OBJECT
public:
    explicit frmInfo(QWidget* parent = nullptr);

    QFrame* Frame1;
    QLabel* Picture1;
    QLabel* Label1;
    QLabel* Label2;
};

}  // namespace kalvimo
