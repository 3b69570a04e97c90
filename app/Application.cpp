#include "app/Application.h"

#include "controls/MessageBoxes.h"
#include "engine/Error.h"

#include <QFile>
#include <QFontDatabase>
#include <QLocale>

#include <exception>

namespace qor {

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const Error &e) {
        showErrorDisplay(e.text());
    } catch (const std::exception &e) {
        showErrorDisplay(QString::fromUtf8(e.what()));
    }
    return false;
}

void registerWindowsFonts()
{
    static const char *const files[] = {"tahoma.ttf", "tahomabd.ttf", "ms_sans_serif.ttf"};
    for (const char *file : files) {
        const QString path = QStringLiteral("/usr/share/wine/fonts/") + QLatin1String(file);
        if (QFile::exists(path))
            QFontDatabase::addApplicationFont(path);
    }
}

void useRussianWithoutSystemLocale()
{
    if (QLocale::system().language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

} // namespace qor
