// kalvimo: the desktop program. Without arguments the main window; with files, the viewer on
// them (for "Open with" in file managers).
#include <QApplication>
#include <QTabWidget>
#include <cstdio>
#include <string>
#include <vector>

#include "frmopen.h"
#include "text_document.h"
#include "viewer_starter.h"
#include "viewer_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kalvimo"));
    // Qt has taken its own options; the rest are files, named by their bytes.
    std::vector<std::string> files;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--version") {
            std::puts("kalvimo 1.2");
            return 0;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        auto* window = new kalvimo::frmopen();
        window->setAttribute(Qt::WA_DeleteOnClose);  // its own windows go with it
        window->show();
        return QApplication::exec();
    }
    kalvimo::ViewerStarter viewer;
    for (const std::string& f : files) viewer.openInViewer(kalvimo::pathFromBytes(f));
    viewer.window()->tabs->setCurrentIndex(0);
    return QApplication::exec();
}
