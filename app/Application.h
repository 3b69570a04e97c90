#pragma once

#include <QApplication>
#include <QString>

namespace qor {

// The application object. The title and the flags are kept by the class, so
// that the windows reach them also when tests run them under a plain
// QApplication.
class Application : public QApplication
{
    Q_OBJECT

public:
    Application(int &argc, char **argv);

    // Caption of the program's message boxes and of its default error display.
    static QString title();
    static void setTitle(const QString &title);

    // Whether the main window is shown when the message loop starts; only a
    // successful sign-in sets it.
    static bool showMainForm();
    static void setShowMainForm(bool show);

    // Asks the program to end: the message loop ends, or does not start.
    static void terminate();
    static bool terminated();

    // The message loop, until the program is asked to end.
    static int run();

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
