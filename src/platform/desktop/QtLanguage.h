#pragma once

class QCoreApplication;

// Qt's own texts (standard buttons, file dialogs, context menus) in the
// language of the user interface, Japanese, from the translations that come
// with Qt.
class QtLanguage
{
public:
    // True when the translations were found and installed.
    static bool install(QCoreApplication &app);
};
