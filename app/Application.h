#pragma once

#include <QApplication>

namespace qor {

// The application object: the message loop, with a last net for errors.
class Application : public QApplication
{
    Q_OBJECT

public:
    Application(int &argc, char **argv);

    // Last net: an error that escaped every user action is shown, not fatal.
    bool notify(QObject *receiver, QEvent *event) override;
};

// Makes the faces the windows were drawn with (Tahoma, MS Sans Serif of
// fonts-wine) known to the program when they are installed.
void registerWindowsFonts();

// The interface is Russian: without a system locale, dates and numbers are
// written the Russian way.
void useRussianWithoutSystemLocale();

} // namespace qor
