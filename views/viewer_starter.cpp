#include "views/viewer_starter.h"

#include <QAction>

#include "platform/files.h"
#include "platform/qt/list_boxes.h"
#include "views/text_document.h"
#include "views/viewer_window.h"

namespace kalvimo {

ViewerStarter::~ViewerStarter() { delete window_; }

ViewerWindow* ViewerStarter::window() const { return window_; }

void ViewerStarter::openInViewer(const QString& path, const QString& filter) {
    if (!window_) {
        window_ = new ViewerWindow(*this, owner_);
        window_->setAttribute(Qt::WA_DeleteOnClose);
    }
    window_->openFile(path, filter);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void addOpenInViewer(FileListBox* list, ProgramStarter& starter, std::function<void(const QString&)> report) {
    auto* view = new QAction(QStringLiteral("Открыть в просмотре"), list);
    view->setObjectName(list->objectName() + QStringLiteral("_view"));
    list->addAction(view);
    list->setContextMenuPolicy(Qt::ActionsContextMenu);
    QObject::connect(view, &QAction::triggered, list, [list, &starter, report = std::move(report)] {
        const std::string name = list->rawFileName();
        if (name.empty()) return report(QStringLiteral("Файл не выбран"));
        starter.openInViewer(pathFromBytes(joinPath(pathToBytes(list->path()), name)));
    });
}

}  // namespace kalvimo
