// kalvimo: the desktop program.
#include <QApplication>

#include "frmopen.h"
#include "process_setup.h"

int main(int argc, char** argv) {
    // Closed standard descriptors would be taken by the files the program opens.
    kalvimo::reopenClosedStandardDescriptors();
    kalvimo::ignoreFileSizeLimitSignal();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kalvimo"));
    auto* window = new kalvimo::frmopen();
    window->setAttribute(Qt::WA_DeleteOnClose);  // its own windows go with it
    window->show();
    return QApplication::exec();
}
