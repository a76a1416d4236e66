#include "platform/qt/button_keys.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace kalvimo {
namespace {

class EnterPressesButtons : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
        auto* button = qobject_cast<QPushButton*>(watched);
        if (!button || !button->hasFocus() || !button->isEnabled()) return false;
        button->click();
        return true;
    }
};

}  // namespace

void pressButtonsWithEnter(QWidget* window) {
    auto* filter = new EnterPressesButtons(window);
    for (QPushButton* b : window->findChildren<QPushButton*>()) b->installEventFilter(filter);
}

}  // namespace kalvimo
