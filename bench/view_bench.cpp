// kalvimo-viewbench: the viewer on a large file. Opens it as the program does and measures the
// time to the first screen, to the complete line index, and of a search and a filter over the
// whole file (typed into their fields and started with Enter), with the memory it took.
// Usage: kalvimo-viewbench FILE SEARCH_TEXT FILTER_TEXT
// Prints one line: the times and speeds, the matches found, and the memory beyond what the
// window takes on a one-line file.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryFile>
#include <cstdio>
#include <fstream>
#include <string>

#include "views/text_document.h"
#include "views/text_pane.h"
#include "views/viewer_starter.h"
#include "views/viewer_tab.h"
#include "views/viewer_window.h"

namespace {

// Resident memory now and at its peak, in MiB, from the kernel's account of this process.
double statusMiB(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::string(field).size())) / 1024;
    return 0;
}

bool waitFor(QObject* sender, const char* signal, int ms) {
    QSignalSpy spy(sender, signal);
    return spy.wait(ms);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 4 || !QFileInfo(args[1]).isFile()) {
        std::fprintf(stderr, "Usage: kalvimo-viewbench FILE SEARCH_TEXT FILTER_TEXT\n");
        return 2;
    }
    const double bytes = static_cast<double>(QFileInfo(args[1]).size());
    kalvimo::ViewerStarter starter;
    // The window, its fonts and a painted screen first, on a file of one line: what the large
    // file costs beyond them is the viewer's own.
    QTemporaryFile small;
    if (!small.open() || small.write("x\r\n") != 3 || !small.flush()) return 1;
    starter.openInViewer(small.fileName());
    starter.window()->currentTab()->text->viewport()->grab();
    const double before = statusMiB("VmRSS:");

    QElapsedTimer clock;
    clock.start();
    starter.openInViewer(args[1]);
    kalvimo::ViewerTab* tab = starter.window()->currentTab();
    tab->text->viewport()->grab();  // the first screen, painted
    const double firstMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (tab->text->rowCount() == 0) {
        std::fprintf(stderr, "kalvimo-viewbench: nothing shown: %s\n", qPrintable(tab->status->text()));
        return 1;
    }
    if (!tab->document()->indexComplete() && !waitFor(tab->document(), SIGNAL(indexFinished()), 600000)) return 1;
    const double indexS = static_cast<double>(clock.nsecsElapsed()) / 1e9;

    tab->findText->setText(args[2]);
    clock.restart();
    emit tab->findText->returnPressed();
    if (tab->searching() && !waitFor(tab, SIGNAL(searchFinished()), 600000)) return 1;
    const double searchS = static_cast<double>(clock.nsecsElapsed()) / 1e9;

    tab->filterText->setText(args[3]);
    QSignalSpy filtered(tab, SIGNAL(filterFinished()));
    clock.restart();
    emit tab->filterText->returnPressed();
    if (filtered.isEmpty() && !filtered.wait(600000)) return 1;
    const double filterS = static_cast<double>(clock.nsecsElapsed()) / 1e9;

    const double peak = statusMiB("VmHWM:");
    std::printf("first %.1f ms  index %.3f s %.2f GB/s  search %.3f s %.0f MB/s [%s]  filter %.3f s %.0f MB/s [%s]"
                "  rss_growth %.1f MiB (window on a one-line file %.1f MiB, peak %.1f MiB)  index %.2f MiB  lines %llu\n",
                firstMs, indexS, bytes / indexS / 1e9, searchS, bytes / searchS / 1e6,
                qPrintable(tab->findCount->text()), filterS, bytes / filterS / 1e6, qPrintable(tab->filterCount->text()),
                peak - before, before, peak, static_cast<double>(tab->document()->memoryBytes()) / (1 << 20),
                static_cast<unsigned long long>(tab->document()->lines()));
    return 0;
}
