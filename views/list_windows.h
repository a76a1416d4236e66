#pragma once
// The two windows in which the user keeps the working lists: report numbers with their
// catalogue, and devices with theirs. Every change reaches its file before the handler
// returns; a change the file refused is taken back in the window and reported.
#include <QDialog>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kalvimo {

class IoError;
class SortedListBox;

class frmSpisokrrn : public QDialog {
    Q_OBJECT
public:
    explicit frmSpisokrrn(const std::string& dataRoot, QWidget* parent = nullptr);

    void Form_Load();
    void addRRN_Click();
    void remspisok_Click();
    void btnclear_Click();
    void addnew_Click();
    void btnExit_Click();

    QPushButton *btnclear, *btnExit, *remspisok, *addRRN, *addnew;
    QLineEdit* TextAddRrn;
    SortedListBox *ListRrnFor, *ListRrnAll;
    QLabel *spisok0, *spisok1, *allrrn, *Image1_0, *Image1_1;

private:
    std::string catalogue_, working_;
};

class frmSpisokDev : public QDialog {
    Q_OBJECT
public:
    explicit frmSpisokDev(const std::string& dataRoot, QWidget* parent = nullptr);

    void Form_Load();
    void addnew_Click();
    void ListDev_dblClick();
    void remspisok_Click() { ListDev_dblClick(); }
    void btnclear_Click();
    void btnExit_Click();

    QComboBox* ComboAdd;
    QPushButton *addnew, *btnExit, *remspisok, *btnclear;
    SortedListBox* ListDev;
    QLabel *Image2, *Image1, *Label2, *Label1;

private:
    std::string catalogue_, working_;
};

// Shows a list file that could not be read or changed, without blocking the window.
void reportListFailure(QWidget* window, const IoError& error);

}  // namespace kalvimo
