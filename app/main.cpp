// kalvimo: the desktop program. Without arguments the main window; with files, the viewer on
// them (for "Open with" in file managers), following their ends with --follow; --version and
// --help print their texts.
#include <QApplication>
#include <QTabWidget>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "platform/console.h"
#include "platform/process_setup.h"
#include "platform/qt/qt_translations.h"
#include "views/text_document.h"
#include "views/viewer_starter.h"
#include "views/viewer_tab.h"
#include "views/viewer_window.h"

namespace {

const char* const kUsage =
    "Использование: kalvimo [--follow] [ФАЙЛ...]\n"
    "\n"
    "Без файлов открывает главное окно; с файлами - просмотр этих файлов\n"
    "(Windows-1251), каждый во вкладке.\n"
    "\n"
    "Параметры:\n"
    "  --follow     следить за концом файлов: дописанные строки сразу видны\n"
    "  -h, --help   эта справка\n"
    "  --version    версия программы\n"
    "  --           дальше только файлы\n"
    "Принимаются и стандартные параметры Qt (например -platform, -style).\n"
    "Обработка из терминала и по расписанию: kalvimo-batch --help\n";

}  // namespace

int main(int argc, char** argv) {
    // Closed standard descriptors would be taken by the files the program opens.
    kalvimo::reopenClosedStandardDescriptors();
    kalvimo::ignoreFileSizeLimitSignal();
    kalvimo::raiseOpenFileLimit();
    // Before the window system is asked for: a terminal without a display can ask too.
    kalvimo::useParentConsole();
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("kalvimo " KALVIMO_VERSION);
            return 0;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kalvimo"));
    kalvimo::installQtTranslations();
    // Qt has taken its own options out; the rest are files, named by their bytes.
    std::vector<std::string> files;
    bool endOfOptions = false, follow = false;
    for (int i = 1; i < argc; ++i) {
        if (!endOfOptions && std::strcmp(argv[i], "--") == 0) endOfOptions = true;
        else if (!endOfOptions && std::strcmp(argv[i], "--follow") == 0) follow = true;
        else files.emplace_back(argv[i]);
    }
    if (files.empty()) {
        auto* window = new kalvimo::MainWindow();
        window->setAttribute(Qt::WA_DeleteOnClose);  // its own windows go with it
        window->show();
        return QApplication::exec();
    }
    kalvimo::ViewerStarter viewer;
    for (const std::string& f : files) {
        viewer.openInViewer(kalvimo::pathFromBytes(f));
        if (follow) viewer.window()->currentTab()->follow();
    }
    viewer.window()->tabs->setCurrentIndex(0);
    return QApplication::exec();
}
