#pragma once
// A program starter that only records what it was asked to start, for the window tests.
#include <QStringList>

#include "platform/qt/program_starter.h"

namespace kalvimo::test {

struct RecordingStarter : ProgramStarter {
    QStringList started;  // "program|arg", "desktop|path" or "viewer|path"
    bool succeed = true;
    bool startDetached(const QString& program, const QStringList& arguments) override {
        started << program + "|" + arguments.join("|");
        return succeed;
    }
    bool openWithDesktop(const QString& path) override {
        started << "desktop|" + path;
        return succeed;
    }
    void openInViewer(const QString& path, const QString&) override { started << "viewer|" + path; }
};

}  // namespace kalvimo::test
