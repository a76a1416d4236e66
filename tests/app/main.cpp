// Runs the main-window tests, offscreen when no display is set.
#include <QApplication>
#include <QTest>

#include "tests/app/app_tests.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int failed = 0;
    {
        StartupSettingsTest t;
        failed += QTest::qExec(&t, argc, argv);
    }
    {
        RunsTest t;
        failed += QTest::qExec(&t, argc, argv);
    }
    {
        ControlsTest t;
        failed += QTest::qExec(&t, argc, argv);
    }
    {
        WindowsTest t;
        failed += QTest::qExec(&t, argc, argv);
    }
    {
        InputTest t;
        failed += QTest::qExec(&t, argc, argv);
    }
    return failed == 0 ? 0 : 1;
}
