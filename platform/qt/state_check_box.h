#pragma once
// A check box with three states that the user only ticks and clears: the greyed state comes
// from a hand-edited settings file, and the next click clears it.
#include <QCheckBox>

namespace kalvimo {

class StateCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;
    int state() const;  // 0 clear, 1 ticked, 2 greyed
    void setState(int state);

protected:
    void nextCheckState() override;
};

}  // namespace kalvimo
