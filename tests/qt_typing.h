#pragma once
// Typing as a person does: a click into the field, then keys to whatever has the focus.
#include <QApplication>
#include <QLineEdit>
#include <QtTest>

namespace kalvimo::test {

// Clicks into the field and replaces its text by typing; keys go where the system sends them,
// to the widget that has the focus.
inline void typeInto(QLineEdit* edit, const QString& text) {
    QTest::mouseClick(edit, Qt::LeftButton);
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(focus, Qt::Key_Delete);
    QTest::keyClicks(focus, text);
}

}  // namespace kalvimo::test
