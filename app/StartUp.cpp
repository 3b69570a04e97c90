#include "app/StartUp.h"

#include "controls/UserAction.h"
#include "screens/TForm1.h"

namespace qor {

bool runMainWindowCreation(TForm1 &mainWindow)
{
    runUserAction([&mainWindow] { mainWindow.FormCreate(); });
    return mainWindow.signedIn();
}

} // namespace qor
