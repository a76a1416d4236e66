// kalvimo: the desktop program.
#include <QApplication>

#include "frmopen.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kalvimo"));
    auto* window = new kalvimo::frmopen();
    window->setAttribute(Qt::WA_DeleteOnClose);  // its own windows go with it
    window->show();
    return QApplication::exec();
}
