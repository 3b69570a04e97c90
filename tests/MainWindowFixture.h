#pragma once

// The main window on the demo data, and typing as a person types, for the
// tests that drive the windows.

#include "DemoFixture.h"

#include "controls/LookupList.h"
#include "controls/MessageBoxes.h"
#include "data/TDM.h"
#include "screens/TForm1.h"

#include <QApplication>
#include <QStringList>
#include <QTest>

// Typed as a person types: each key goes to the widget that has the focus,
// one key event per character (Cyrillic too).
inline void type(const QString &text)
{
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

// Chooses a row of a closed list by typing the start of its text (Escape
// first, so that nothing typed before counts).
inline void typeInto(qor::LookupList *list, const QString &start)
{
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Escape);
    type(start);
}

// The demo data with the data module and the main window on it, its lists
// loaded (not yet shown); every box the program shows is answered OK and its
// text kept in boxes.
struct MainWindowFixture
{
    DemoFixture demo;
    QStringList boxes;

    MainWindowFixture()
    {
        qor::DM = new qor::TDM;
        qor::DM->ADOCon->setConnectionString(demo.workingConnectionString(QStringLiteral("demo")));
        qor::Form1 = new qor::TForm1;
        qor::Form1->loadLists();
        qor::boxInterceptor() = [this](const qor::BoxRequest &box) {
            boxes.append(box.text);
            return QMessageBox::Ok;
        };
    }
    ~MainWindowFixture()
    {
        qor::boxInterceptor() = nullptr;
        delete qor::Form1;
        qor::Form1 = nullptr;
        delete qor::DM;
        qor::DM = nullptr;
    }
    MainWindowFixture(const MainWindowFixture &) = delete;
    MainWindowFixture &operator=(const MainWindowFixture &) = delete;
};
