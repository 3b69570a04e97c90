#include "screens/TForm1.h"

#include "app/Application.h"
#include "signin/TForm8.h"
#include "ui_TForm1.h"

#include <QGuiApplication>
#include <QScreen>

namespace qor {

TForm1 *Form1 = nullptr;

TForm1::TForm1(QWidget *parent) : QMainWindow(parent), ui(std::make_unique<Ui::TForm1>())
{
    ui->setupUi(this);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

TForm1::~TForm1() = default;

QString TForm1::designCaption()
{
    return QStringLiteral("QOR Слушатель");
}

void TForm1::FormCreate()
{
    Form8 = new TForm8;
    if (Form8->exec() == TForm8::mrCancel) {
        Application::terminate();
        close();
    } else {
        loadLists();
    }
    delete Form8;
    Form8 = nullptr;
}

void TForm1::loadLists()
{
}

} // namespace qor
