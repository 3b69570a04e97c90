#include "app/Application.h"
#include "controls/MessageBoxes.h"
#include "controls/UserAction.h"
#include "engine/Error.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>

#include <stdexcept>

using qor::BoxKind;
using qor::BoxRequest;

Q_DECLARE_METATYPE(BoxKind)

namespace {

// Records every box and answers it.
struct BoxLog
{
    QList<BoxRequest> boxes;
    QMessageBox::StandardButton answer = QMessageBox::Ok;

    BoxLog()
    {
        qor::boxInterceptor() = [this](const BoxRequest &request) {
            boxes.append(request);
            return answer;
        };
    }
    ~BoxLog() { qor::boxInterceptor() = nullptr; }
};

// An object whose event handler fails, as a faulty handler would.
class Failing : public QObject
{
public:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User)
            throw qor::Error(QStringLiteral("Сбой в обработчике"));
        return QObject::event(event);
    }
};

} // namespace

class TestMessageBoxes : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void errorDisplayText_data();
    void errorDisplayText();
    void messageText_data();
    void messageText();
    void requests_data();
    void requests();
    void userActionShowsErrors_data();
    void userActionShowsErrors();
    void notifyIsLastNet();
    void realBoxes_data();
    void realBoxes();
};

void TestMessageBoxes::init()
{
    qor::setApplicationTitle(QStringLiteral("QOR Слушатели"));
}

void TestMessageBoxes::errorDisplayText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    QTest::newRow("letter") << "File not found" << "File not found.";
    QTest::newRow("cyrillic") << "Ошибка" << "Ошибка.";
    QTest::newRow("full stop") << "Login failed for user 'x'." << "Login failed for user 'x'.";
    QTest::newRow("exclamation") << "Стоп!" << "Стоп!";
    QTest::newRow("parenthesis") << "List index out of bounds (4)" << "List index out of bounds (4)";
    QTest::newRow("hyphen, 45") << "a-" << "a-";
    QTest::newRow("slash, 47") << "a/" << "a/.";
    QTest::newRow("carriage return") << "line\r" << "line\r";
    QTest::newRow("empty") << "" << "";
}

void TestMessageBoxes::errorDisplayText()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(qor::errorDisplayText(text), shown);
}

void TestMessageBoxes::messageText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("underlined");

    QTest::newRow("mnemonic") << "&Файл" << "Файл" << "Ф";
    QTest::newRow("double ampersand") << "A && B" << "A & B" << "";
    QTest::newRow("ampersand pair then mnemonic") << "&&&x" << "&x" << "x";
    QTest::newRow("last ampersand") << "end&" << "end" << "";
    QTest::newRow("carriage return") << "Вы должны\rпоменять" << "Вы должны\nпоменять" << "";
    QTest::newRow("crlf is one break") << "a\r\nb" << "a\nb" << "";
    QTest::newRow("markup is text") << "<b>x</b> & y" << "<b>x</b>  y" << " ";
    QTest::newRow("spaces kept") << "a   b" << "a   b" << "";
}

void TestMessageBoxes::messageText()
{
    QFETCH(QString, text);
    QFETCH(QString, plain);
    QFETCH(QString, underlined);

    QTextDocument document;
    document.setHtml(qor::messageRichText(text));
    QString shown;
    QString underlinedShown;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            shown += u'\n';
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QString part = fragment.text();
            part.replace(QChar::LineSeparator, u'\n');
            shown += part;
            if (fragment.charFormat().fontUnderline())
                underlinedShown += part;
        }
    }
    QCOMPARE(shown, plain);
    QCOMPARE(underlinedShown, underlined);
}

void TestMessageBoxes::requests_data()
{
    QTest::addColumn<int>("call");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<BoxKind>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("confirmed");

    QTest::newRow("error display") << 0 << QMessageBox::Ok << BoxKind::ErrorDisplay << "QOR Слушатели" << "Нет связи." << false;
    QTest::newRow("message") << 1 << QMessageBox::Ok << BoxKind::Message << "QOR Слушатели" << "Нет связи" << false;
    QTest::newRow("deletion, OK") << 2 << QMessageBox::Ok << BoxKind::DeletionConfirmation << "Confirm" << "Delete record?" << true;
    QTest::newRow("deletion, Cancel") << 2 << QMessageBox::Cancel << BoxKind::DeletionConfirmation << "Confirm" << "Delete record?" << false;
}

void TestMessageBoxes::requests()
{
    QFETCH(int, call);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(BoxKind, kind);
    QFETCH(QString, caption);
    QFETCH(QString, text);
    QFETCH(bool, confirmed);

    BoxLog log;
    log.answer = answer;
    bool result = false;
    switch (call) {
    case 0: qor::showErrorDisplay(QStringLiteral("Нет связи")); break;
    case 1: qor::showMessage(QStringLiteral("Нет связи")); break;
    default: result = qor::confirmDeletion(); break;
    }
    QCOMPARE(log.boxes.size(), 1);
    QCOMPARE(log.boxes[0].kind, kind);
    QCOMPARE(log.boxes[0].caption, caption);
    QCOMPARE(log.boxes[0].text, text);
    QCOMPARE(result, confirmed);
}

void TestMessageBoxes::userActionShowsErrors_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("none") << 0 << QStringList();
    QTest::newRow("program error") << 1 << QStringList{"Нет строки (3)"};
    QTest::newRow("standard exception") << 2 << QStringList{"boom."};
}

void TestMessageBoxes::userActionShowsErrors()
{
    QFETCH(int, failure);
    QFETCH(QStringList, shown);

    BoxLog log;
    bool ranAfter = false;
    qor::runUserAction([&] {
        if (failure == 1)
            throw qor::Error(QStringLiteral("Нет строки (3)"));
        if (failure == 2)
            throw std::runtime_error("boom");
    });
    ranAfter = true; // the action's failure does not leave the helper
    QVERIFY(ranAfter);
    QStringList texts;
    for (const BoxRequest &box : std::as_const(log.boxes)) {
        QCOMPARE(box.kind, BoxKind::ErrorDisplay);
        texts << box.text;
    }
    QCOMPARE(texts, shown);
}

void TestMessageBoxes::notifyIsLastNet()
{
    BoxLog log;
    Failing failing;
    QEvent event(QEvent::User);
    QCOMPARE(QCoreApplication::sendEvent(&failing, &event), false);
    QCOMPARE(log.boxes.size(), 1);
    QCOMPARE(log.boxes[0].kind, BoxKind::ErrorDisplay);
    QCOMPARE(log.boxes[0].text, QStringLiteral("Сбой в обработчике."));
}

void TestMessageBoxes::realBoxes_data()
{
    QTest::addColumn<int>("call");
    QTest::addColumn<int>("key");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("confirmed");

    const QStringList ok{"OK"};
    const QStringList okCancel{"OK", "Cancel"};
    QTest::newRow("error display, Enter") << 0 << int(Qt::Key_Return) << QMessageBox::Critical << ok << "QOR Слушатели" << false;
    QTest::newRow("message, Enter") << 1 << int(Qt::Key_Return) << QMessageBox::NoIcon << ok << "QOR Слушатели" << false;
    QTest::newRow("message, Escape") << 1 << int(Qt::Key_Escape) << QMessageBox::NoIcon << ok << "QOR Слушатели" << false;
    QTest::newRow("deletion, Enter") << 2 << int(Qt::Key_Return) << QMessageBox::Question << okCancel << "Confirm" << true;
    QTest::newRow("deletion, Escape") << 2 << int(Qt::Key_Escape) << QMessageBox::Question << okCancel << "Confirm" << false;
}

void TestMessageBoxes::realBoxes()
{
    QFETCH(int, call);
    QFETCH(int, key);
    QFETCH(QMessageBox::Icon, icon);
    QFETCH(QStringList, buttons);
    QFETCH(QString, caption);
    QFETCH(bool, confirmed);

    // A long text, so that it must wrap to fit.
    const QString text = QStringLiteral("Слишком длинное сообщение ").repeated(20);
    QMessageBox::Icon seenIcon = QMessageBox::Warning;
    QStringList seenButtons;
    QString seenCaption;
    QPoint centreOffset(99, 99);
    int width = 0;
    bool seen = false;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = true;
        seenIcon = box->icon();
        for (QAbstractButton *button : box->buttons())
            seenButtons << button->text();
        seenCaption = box->windowTitle();
        centreOffset = box->frameGeometry().center() - QGuiApplication::primaryScreen()->geometry().center();
        width = box->width();
        QTest::keyClick(box, Qt::Key(key));
    });
    bool result = false;
    switch (call) {
    case 0: qor::showErrorDisplay(text); break;
    case 1: qor::showMessage(text); break;
    default: result = qor::confirmDeletion(); break;
    }
    QVERIFY(seen);
    QCOMPARE(seenIcon, icon);
    std::sort(seenButtons.begin(), seenButtons.end(), [](const QString &a, const QString &b) { return a.size() < b.size(); });
    QCOMPARE(seenButtons, buttons);
    QCOMPARE(seenCaption, caption);
    QVERIFY2(qAbs(centreOffset.x()) <= 1 && qAbs(centreOffset.y()) <= 1, "centred on the screen");
    QVERIFY(width < QGuiApplication::primaryScreen()->geometry().width());
    QCOMPARE(result, confirmed);
}

int main(int argc, char *argv[])
{
    qor::Application app(argc, argv);
    TestMessageBoxes test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_messageboxes.moc"
