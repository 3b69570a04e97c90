#include "screens/TForm14.h"

#include "controls/ClassicLook.h"
#include "controls/DataGrid.h"
#include "controls/MessageBoxes.h"
#include "controls/UserAction.h"
#include "controls/WindowPlacement.h"
#include "data/DataSource.h"
#include "data/StudentStatements.h"
#include "data/TDM.h"
#include "screens/StudentColumns.h"
#include "screens/TForm15.h"

#include <QAction>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace qor {

TForm14 *Form14 = nullptr;

namespace {

const QString Caption = QStringLiteral("Найти слушателя");

QList<GridColumn> resultColumns()
{
    QList<GridColumn> columns{
        GridColumn::titled(QStringLiteral("s_fio"), QStringLiteral("ФИО"), 230),
        GridColumn::titled(QStringLiteral("faculty"), QStringLiteral("Факультет"), 170),
        GridColumn::titled(QStringLiteral("name_full"), QStringLiteral("Группа"), 200),
    };
    columns.append(enrolmentAndExpulsionColumns());
    return columns;
}

QString number(int count)
{
    return QLocale().toString(count);
}

} // namespace

TForm14::TForm14(QWidget *parent) : SecondaryWindow(parent)
{
    setFont(tahoma(11));
    setWindowTitle(Caption);
    closeOnEscape();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 12, 8, 8);
    new DecorativeStrip(this);

    auto *searchLine = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("ФИО:"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setFont(tahoma(11, true));
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("Edit1"));
    m_edit->setFont(tahoma(12));
    m_edit->setClearButtonEnabled(true);
    label->setBuddy(m_edit);
    searchLine->addWidget(label);
    searchLine->addWidget(m_edit, 1);
    layout->addLayout(searchLine);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Label2"));
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    m_rows = new Query(DM->ADOCon, QStringLiteral("ADOQ_search"), this);
    m_rows->setReadOnly(true);
    m_source = new DataSource(m_rows, QStringLiteral("DS_search"), this);
    m_grid = new DataGrid(this);
    m_grid->setObjectName(QStringLiteral("DBGridEh1"));
    m_grid->setGridBackground(inactiveCaptionGradientColor());
    m_grid->setCellFont(tahoma(12));
    m_grid->setTitleFont(tahoma(11, true));
    m_grid->setTwoLevelTitles(true);
    m_grid->setFitColumns(true);
    m_grid->setColumns(resultColumns());
    m_grid->setDataSource(m_source);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The keys stay in the field: Up and Down are handed to the rows from there.
    m_grid->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_grid, 1);
    connect(m_grid, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { runUserAction([&] { chooseRow(index.row()); }); });

    auto *buttons = new QHBoxLayout;
    m_card = new QPushButton(QStringLiteral("Карточка слушателя…"), this);
    m_card->setObjectName(QStringLiteral("BitBtn1"));
    m_close = new QPushButton(QStringLiteral("Закрыть"), this);
    m_close->setObjectName(QStringLiteral("BitBtn2"));
    for (QPushButton *button : {m_card, m_close}) {
        button->setFont(tahoma(11, true));
        button->setMinimumWidth(130);
        button->setFocusPolicy(Qt::NoFocus); // Enter in the field chooses a row, never a button
    }
    buttons->addStretch(1);
    buttons->addWidget(m_card);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);
    connect(m_card, &QPushButton::clicked, this, [this] { runUserAction([this] { BitBtn1Click(); }); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    // The card from the keyboard and from the rows' own menu, as in the roster.
    auto *card = new QAction(QStringLiteral("Карточка слушателя"), this);
    card->setObjectName(QStringLiteral("N1"));
    card->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    card->setShortcutContext(Qt::WindowShortcut);
    connect(card, &QAction::triggered, this, [this] { runUserAction([this] { BitBtn1Click(); }); });
    addAction(card);
    m_grid->addAction(card);
    m_grid->setContextMenuPolicy(Qt::ActionsContextMenu);

    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::textChanged, this, [this] { runUserAction([this] { Edit1Change(); }); });
    for (auto change : {&Query::opened, &Query::closed})
        connect(m_rows, change, this, [this] { m_card->setEnabled(m_rows->isOpen() && !m_rows->eof()); });
    m_card->setEnabled(false);

    setOuterSize(this, QSize(1120, 600), mainWindow());
    m_edit->setFocus();

    // The names the last opening read answer at once; those read now replace them.
    m_names = StudentNames::kept(DM->ADOCon->connectionString());
    if (m_names)
        Edit1Change();
    else
        showStatus(QStringLiteral("Читается список слушателей… Набирайте: поиск начнётся, как только он прочитается."));
    connect(&m_reading, &QFutureWatcherBase::finished, this, &TForm14::namesRead);
    m_reading.setFuture(StudentNames::readLater(DM->ADOCon->connectionString()));
}

TForm14::~TForm14()
{
    // The reading uses the program's data folder: it ends before the window goes.
    m_reading.waitForFinished();
}

void TForm14::namesRead()
{
    const StudentNamesRead read = m_reading.result();
    m_readError = read.error;
    if (!read.names) {
        m_names = nullptr;
        showStatus(QStringLiteral("Список слушателей не прочитан: %1").arg(m_readError));
        showErrorDisplay(m_readError);
        return;
    }
    m_names = read.names;
    m_namesFresh = true;
    StudentNames::keep(DM->ADOCon->connectionString(), m_names);
    // What was typed while the names were being read is searched now.
    runUserAction([this] { Edit1Change(); });
}

void TForm14::Edit1Change()
{
    if (!m_names) {
        if (!m_readError.isEmpty())
            showStatus(QStringLiteral("Список слушателей не прочитан: %1").arg(m_readError));
        return;
    }
    const QString typed = m_edit->text();
    if (NameIndex::typedWords(typed).empty()) {
        m_rows->close();
        m_shown.clear();
        showStatus(QStringLiteral("Наберите начало фамилии, имени или отчества (слушателей в списке: %1); "
                                  "несколько слов сужают поиск.")
                       .arg(number(m_names->count())));
        return;
    }
    const StudentSearch search = StudentSearch::of(*m_names, typed);
    // A key that leaves the same students (a space, a letter more of a word
    // all of them share) reads nothing again.
    if (search.shown != m_shown || search.shown.isEmpty()) {
        m_rows->close();
        m_shown.clear();
        if (search.found == 0) {
            showStatus(QStringLiteral("Не найдено ни одного слушателя, слова имени которого начинаются с набранного."));
            return;
        }
        m_rows->setSql(statements::rosterRowsOfStudents(search.shown));
        m_rows->open();
        m_shown = search.shown;
    }
    const QString order = QStringLiteral(
        "Сначала строки, где слушатель числится в группе (без даты отчисления), "
        "затем остальные; в каждой части — по алфавиту.");
    if (search.isCut())
        showStatus(QStringLiteral("Найдено слушателей: %1. Показаны строки только первых %2 из них по алфавиту — "
                                  "наберите больше букв или ещё одно слово, чтобы увидеть остальных.\n%3")
                       .arg(number(search.found), number(int(search.shown.size())), order));
    else
        showStatus(QStringLiteral("Найдено слушателей: %1, строк: %2.\n%3")
                       .arg(number(search.found), number(m_rows->rowCount()), order));
}

QVariant TForm14::valueOfRow(int row, const char *field) const
{
    return m_rows->valueAt(row, m_rows->findField(QString::fromLatin1(field)));
}

void TForm14::chooseRow(int row)
{
    if (row < 0 || row >= m_rows->rowCount())
        return;
    const QVariant group = valueOfRow(row, "id_group_slushatel");
    if (group.isNull()) {
        showMessage(QStringLiteral("Слушатель %1 не зачислен ни в одну группу: показать его в списке группы нельзя. "
                                   "Его карточка открывается кнопкой «Карточка слушателя…».")
                        .arg(valueOfRow(row, "s_fio").toString()));
        return;
    }
    const StudentPlace place{valueOfRow(row, "id_faculty"), group, valueOfRow(row, "id_student"),
                             valueOfRow(row, "id_movement")};
    accept();
    emit studentChosen(place);
}

void TForm14::BitBtn1Click()
{
    if (m_rows->eof())
        return;
    const QVariant student = valueOfRow(m_rows->currentRow(), "id_student");
    bool transferred = false;
    showModal(Form15, [&] {
        auto *card = new TForm15(student);
        connect(card, &TForm15::studentTransferred, this, [&] { transferred = true; });
        return card;
    });
    if (transferred) {
        // The rows found show the transfer, and so does the main window.
        m_shown.clear();
        Edit1Change();
        emit studentTransferred();
    }
}

void TForm14::showStatus(const QString &text)
{
    m_status->setText(text);
}

bool TForm14::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                QCoreApplication::sendEvent(m_grid, key);
                return true;
            }
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            runUserAction([this] { chooseRow(m_rows->eof() ? -1 : m_rows->currentRow()); });
            return true;
        default:
            break;
        }
    }
    return SecondaryWindow::eventFilter(watched, event);
}


} // namespace qor
