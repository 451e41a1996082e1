#pragma once

#include <QString>

namespace platform {

// Installs Qt's own Chinese texts (the standard buttons 确定 and 取消, the
// file dialog's 保存, ...) into the application object, which must exist:
// qt_zh_CN.qm from the "translations" folder shipped beside the program (see
// findShared), else from Qt's translations folder. The translator lives as
// long as the application object. `programFolder` stands for the program's
// folder as in findShared. True when a translation was found and installed.
bool installQtTranslation(const QString& programFolder = QString());

}  // namespace platform
