#pragma once

// Qt's own texts (the standard buttons 确定, 取消, 是, 否 of every message
// box, the fields' context menus) in Chinese, whatever the system's
// language: the program speaks Chinese only.

class QCoreApplication;

// Loads qtbase_zh_CN.qm from Qt's translations folder into `app`. A missing
// file is logged and the program goes on with Qt's English texts.
bool installQtChinese(QCoreApplication& app);
