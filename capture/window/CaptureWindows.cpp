#include "capture/window/CaptureWindows.h"

#include "capture/viewer/QViewItem.h"
#include "capture/window/QImportTopic.h"
#include "ui/Modal.h"

namespace capturewindows {

void runCapture()
{
    QImportTopic window;
    modal::exec(window);
}

void runViewer(std::vector<_detail_t>* page, int row, std::function<void()> saved, std::function<void(int)> moved)
{
    if (!page || row < 0 || row >= static_cast<int>(page->size()))
        return;
    QViewItem viewer(page, row, nullptr);
    if (saved)
        QObject::connect(&viewer, &QViewItem::detail_Changed, &viewer, [&saved] { saved(); });
    if (moved)
        QObject::connect(&viewer, &QViewItem::rowChanged, &viewer, [&moved](int r) { moved(r); });
    modal::exec(viewer);
}

}  // namespace capturewindows
