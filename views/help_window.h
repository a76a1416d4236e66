#pragma once
// The help window with the user manual.
#include <QDialog>
#include <QString>

namespace kalvimo {

// The manual as stored: 63 lines, each ending in CR LF.
QString userManual();

class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
};

}  // namespace kalvimo
