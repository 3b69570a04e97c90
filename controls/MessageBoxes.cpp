#include "controls/MessageBoxes.h"

#include "controls/WindowPlacement.h"

#include <QPushButton>

namespace qor {

namespace {

// Placed in the middle of the screen, whatever window is active.
class CentredBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event); // fixes the size
        centreOnScreen(this);
    }
};

QMessageBox::StandardButton ask(const BoxRequest &request, QMessageBox::Icon icon,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton,
                                QMessageBox::StandardButton escapeButton)
{
    if (const BoxInterceptor &intercept = boxInterceptor())
        return intercept(request);

    CentredBox box(icon, request.caption, QString(), buttons);
    if (request.kind == BoxKind::Message) {
        box.setTextFormat(Qt::RichText); // rich text also wraps words
        box.setText(messageRichText(request.text));
    } else {
        box.setTextFormat(Qt::PlainText);
        box.setText(withLineBreaks(request.text));
    }
    if (request.kind == BoxKind::Question) {
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    }
    box.setDefaultButton(defaultButton);
    box.setEscapeButton(escapeButton);
    box.exec();
    const auto *clicked = box.clickedButton();
    return clicked ? box.standardButton(const_cast<QAbstractButton *>(clicked)) : escapeButton;
}

QString &title()
{
    static QString text;
    return text;
}

} // namespace

QString applicationTitle()
{
    return title();
}

void setApplicationTitle(const QString &text)
{
    title() = text;
}

BoxInterceptor &boxInterceptor()
{
    static BoxInterceptor interceptor;
    return interceptor;
}

QString errorDisplayText(const QString &text)
{
    if (!text.isEmpty() && text.back().unicode() > u'.')
        return text + u'.';
    return text;
}

void showErrorDisplay(const QString &text)
{
    ask({BoxKind::ErrorDisplay, applicationTitle(), errorDisplayText(text)}, QMessageBox::Critical,
        QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok);
}

void showMessage(const QString &text)
{
    ask({BoxKind::Message, applicationTitle(), text}, QMessageBox::NoIcon, QMessageBox::Ok,
        QMessageBox::Ok, QMessageBox::Ok);
}

bool confirmDeletion()
{
    return ask({BoxKind::DeletionConfirmation, QStringLiteral("Confirm"), QStringLiteral("Delete record?")},
               QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok,
               QMessageBox::Cancel)
        == QMessageBox::Ok;
}

bool askYesNo(const QString &text)
{
    return ask({BoxKind::Question, applicationTitle(), text}, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
               QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

QString withLineBreaks(const QString &text)
{
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(u'\r', u'\n');
    return result;
}

QString messageRichText(const QString &text)
{
    const QString lines = withLineBreaks(text);
    QString html;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QChar c = lines[i];
        bool underline = false;
        if (c == u'&') {
            if (i + 1 >= lines.size())
                break; // a last "&" marks nothing
            c = lines[++i];
            underline = c != u'&';
        }
        const QString shown = c == u'\n' ? QStringLiteral("<br>") : QString(c).toHtmlEscaped();
        html += underline ? QStringLiteral("<u>") + shown + QStringLiteral("</u>") : shown;
    }
    return QStringLiteral("<span style=\"white-space: pre-wrap\">") + html + QStringLiteral("</span>");
}

} // namespace qor
