#pragma once
// A control of a window found by its name, the name a description of the window gives it. A
// control that is missing ends the test run with its name, so a lost name shows at once.
#include <QObject>
#include <QString>
#include <QtGlobal>

namespace kalvimo::test {

template <class T>
T* control(const QObject& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s named %s in %s", T::staticMetaObject.className(), name, qPrintable(window.objectName()));
    return found;
}

}  // namespace kalvimo::test
