#include "app/Application.h"
#include "app/StartUp.h"
#include "data/TDM.h"
#include "screens/TForm1.h"

#include <memory>

int main(int argc, char *argv[])
{
    qor::Application app(argc, argv);
    qor::registerWindowsFonts();
    qor::useRussianWithoutSystemLocale();

    // The main window stays hidden unless the sign-in succeeds.
    qor::Application::setShowMainForm(false);
    qor::Application::setTitle(QStringLiteral("QOR Слушатели"));

    qor::DM = new qor::TDM(&app);

    // Its creation runs the sign-in.
    const std::unique_ptr<qor::TForm1> mainWindow(new qor::TForm1);
    qor::Form1 = mainWindow.get();

    int code = 0;
    if (qor::runMainWindowCreation(*mainWindow)) {
        qor::Form1->show();
        code = qor::Application::run();
    }
    qor::Form1 = nullptr;
    return code;
}
