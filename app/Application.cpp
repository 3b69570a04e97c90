#include "app/Application.h"

#include "controls/MessageBoxes.h"
#include "data/Error.h"

#include <QFile>
#include <QFontDatabase>
#include <QLocale>

#include <exception>

namespace qor {

namespace {

struct State
{
    QString title;
    bool showMainForm = false;
    bool terminated = false;
    bool running = false;
};

State &state()
{
    static State s;
    return s;
}

} // namespace

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

QString Application::title()
{
    return state().title;
}

void Application::setTitle(const QString &title)
{
    state().title = title;
}

bool Application::showMainForm()
{
    return state().showMainForm;
}

void Application::setShowMainForm(bool show)
{
    state().showMainForm = show;
}

void Application::terminate()
{
    state().terminated = true;
    // Before the loop runs, quit() would be lost or end a modal loop early;
    // the flag alone keeps the loop from starting.
    if (state().running)
        QCoreApplication::quit();
}

bool Application::terminated()
{
    return state().terminated;
}

int Application::run()
{
    if (state().terminated)
        return 0;
    state().running = true;
    const int code = QApplication::exec();
    state().running = false;
    return code;
}

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
