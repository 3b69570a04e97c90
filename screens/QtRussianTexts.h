#pragma once

#include <QTranslator>

namespace qor {

// While alive, the toolkit's own dialogs (file, print, preview) speak
// Russian, from Qt's translations when they are installed. Held only around
// those dialogs: the program's own boxes keep their fixed texts.
class QtRussianTexts
{
public:
    QtRussianTexts();
    ~QtRussianTexts();
    QtRussianTexts(const QtRussianTexts &) = delete;
    QtRussianTexts &operator=(const QtRussianTexts &) = delete;

private:
    QTranslator m_translator;
    bool m_installed = false;
};

} // namespace qor
