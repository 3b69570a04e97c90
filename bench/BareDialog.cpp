// The least a Qt program's start can cost: one empty dialog of the given
// size, shown as the client shows its sign-in window (a modal dialog's exec),
// nothing else. qor-bench times it beside the client.
#include <QApplication>
#include <QDialog>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    QDialog dialog;
    if (arguments.size() >= 3)
        dialog.resize(arguments[1].toInt(), arguments[2].toInt());
    return dialog.exec();
}
