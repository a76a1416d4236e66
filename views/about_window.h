#pragma once
// The about window: the program's picture, name and version.
#include <QDialog>

namespace kalvimo {

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);
};

}  // namespace kalvimo
