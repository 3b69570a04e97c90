#include "screens/QtRussianTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace qor {

QtRussianTexts::QtRussianTexts()
{
    if (m_translator.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        m_installed = QCoreApplication::installTranslator(&m_translator);
}

QtRussianTexts::~QtRussianTexts()
{
    if (m_installed)
        QCoreApplication::removeTranslator(&m_translator);
}

} // namespace qor
