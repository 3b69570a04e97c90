#include "app/Application.h"
#include "app/StartUp.h"
#include "controls/MessageBoxes.h"
#include "data/TDM.h"
#include "screens/TForm1.h"

#include <memory>

int main(int argc, char *argv[])
{
    qor::Application app(argc, argv);
    qor::registerWindowsFonts();
    qor::useRussianWithoutSystemLocale();

    // The sign-in replaces it with the main window's title.
    qor::setApplicationTitle(QStringLiteral("QOR Слушатели"));

    qor::DM = new qor::TDM(&app);

    // Its creation runs the sign-in; the window stays hidden unless that succeeds.
    const std::unique_ptr<qor::TForm1> mainWindow(new qor::TForm1);
    qor::Form1 = mainWindow.get();

    int code = 0;
    if (qor::runMainWindowCreation(*mainWindow)) {
        mainWindow->show();
        code = app.exec();
    }
    qor::Form1 = nullptr;
    return code;
}
