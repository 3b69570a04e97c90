#pragma once

#include <QMainWindow>
#include <QString>

#include <memory>

namespace Ui {
class TForm1;
}

namespace qor {

// The main window. Its creation runs the sign-in; nothing else of the
// program runs before a successful one.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // The caption the title is composed from at every sign-in attempt.
    static QString designCaption();

    // Shows the sign-in window; a cancelled sign-in ends the program, a
    // successful one loads the lists.
    void FormCreate();

    void loadLists();

private:
    std::unique_ptr<Ui::TForm1> ui;
};

// The program's one main window.
extern TForm1 *Form1;

} // namespace qor
