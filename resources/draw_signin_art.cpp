// Draws the two pictures of the sign-in window. To regenerate:
//   cmake --build build --target draw_signin_art && build/bin/draw_signin_art resources

#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdio>

namespace {

// Window geometry. Both pictures are placed by window coordinates; the lower
// one starts at BottomTop, overlapping the last row of the upper one.
constexpr int Width = 497;
constexpr int TopHeight = 278;
constexpr int BottomHeight = 139;
constexpr int BottomTop = 277;

// Upper picture, window coordinates.
constexpr QRect VersionLabel(6, 5, 40, 16);    // kept plain for the "V.1" label
constexpr QRect StatusArea(60, 107, 330, 79);  // status text is centred here
constexpr QRect UserEdit(146, 202, 187, 21);
constexpr QRect PasswordEdit(146, 238, 187, 21);
constexpr QRect LoginButton(349, 200, 55, 20);
constexpr QRect CancelButton(418, 199, 67, 22);
constexpr QRect MoreButton(346, 236, 139, 22);

// Lower picture, window coordinates (drawn shifted by BottomTop).
constexpr QRect NewPasswordEdit(148, 309, 186, 21);
constexpr QRect ConfirmEdit(148, 345, 186, 21);

// The banner sits below a plain strip so the version label stays readable.
constexpr int BannerTop = 26;
constexpr int BannerBottom = 98;
// Only these rows of the lower picture show while the panel is closed.
constexpr int ClosedRows = 2;

static_assert(VersionLabel.bottom() < BannerTop, "label must sit on the plain strip");
static_assert(StatusArea.top() > BannerBottom + 2, "status text must sit on the light body");

constexpr int CaptionGap = 7;  // caption's right edge to the field frame

const QColor Navy(0x14, 0x33, 0x55);
const QColor Teal(0x0f, 0x6e, 0x7a);
const QColor CaptionText(0x1a, 0x2f, 0x48);
const QColor FrameOuter(0x7f, 0x9d, 0xb9);
const QColor FrameInner(0xc9, 0xd6, 0xe2);
const QColor WindowEdge(0x1b, 0x3a, 0x57);

QString gFamily = QStringLiteral("Liberation Sans");

// System font matching on a bare offscreen platform can pick anything, so the
// face is loaded straight from its files when they are present.
void loadFonts()
{
    const QStringList files = {
        QStringLiteral("/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"),
        QStringLiteral("/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf"),
        QStringLiteral("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"),
        QStringLiteral("/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf"),
    };
    for (const QString &file : files) {
        const int id = QFontDatabase::addApplicationFont(file);
        if (id >= 0) {
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (!families.isEmpty())
                gFamily = families.first();
        }
    }
}

QFont font(int pixelSize, bool bold)
{
    QFont f(gFamily);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// Colour of the light body as a function of window row, so the two pictures
// join without a seam at BottomTop.
QColor bodyColor(int windowY)
{
    const QColor from(0xf1, 0xf5, 0xf8);
    const QColor to(0xd9, 0xe4, 0xec);
    const double span = BottomTop + BottomHeight - BannerBottom;
    double t = (windowY - BannerBottom) / span;
    t = qBound(0.0, t, 1.0);
    return QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * t,
                            from.greenF() + (to.greenF() - from.greenF()) * t,
                            from.blueF() + (to.blueF() - from.blueF()) * t);
}

// Paints the body row by row; offsetY is the window row of picture row 0.
void paintBody(QPainter &p, int offsetY, int fromY, int toY)
{
    for (int y = fromY; y < toY; ++y) {
        p.setPen(bodyColor(y + offsetY));
        p.drawLine(0, y, Width - 1, y);
    }
}

// Deep blue to teal band with faint rings; the same look closes the lower panel.
void paintBand(QPainter &p, const QRect &band, const QPointF &ringCentre)
{
    QLinearGradient g(band.topLeft(), band.topRight());
    g.setColorAt(0.0, Navy);
    g.setColorAt(0.65, QColor(0x17, 0x4f, 0x73));
    g.setColorAt(1.0, Teal);
    p.fillRect(band, g);

    p.save();
    p.setClipRect(band);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    for (int r = 24; r < 460; r += 14) {
        p.setPen(QPen(QColor(255, 255, 255, r % 28 == 0 ? 22 : 12), 1.0));
        p.drawEllipse(ringCentre, r, r);
    }
    QRadialGradient glow(ringCentre, 220);
    glow.setColorAt(0.0, QColor(0x6f, 0xd3, 0xd8, 60));
    glow.setColorAt(1.0, QColor(0x6f, 0xd3, 0xd8, 0));
    p.fillRect(band, glow);
    p.restore();
}

// White field with a thin sunken frame just outside it, so an edit placed on
// the rectangle covers only the white part.
void paintField(QPainter &p, const QRect &r)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    p.setPen(FrameOuter);
    p.drawRect(r.adjusted(-2, -2, 1, 1));
    p.setPen(FrameInner);
    p.drawRect(r.adjusted(-1, -1, 0, 0));
    p.fillRect(r, Qt::white);
}

void paintCaption(QPainter &p, const QRect &field, const QString &text)
{
    p.setFont(font(12, true));
    p.setPen(CaptionText);
    const QRect box(0, field.top(), field.left() - 2 - CaptionGap, field.height());
    p.drawText(box, Qt::AlignRight | Qt::AlignVCenter, text);
}

void paintButton(QPainter &p, const QRect &r, const QString &text)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(face.topLeft(), face.bottomLeft());
    g.setColorAt(0.0, QColor(0xff, 0xff, 0xff));
    g.setColorAt(0.5, QColor(0xec, 0xf1, 0xf6));
    g.setColorAt(1.0, QColor(0xcf, 0xdc, 0xe7));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x2b, 0x55, 0x7c), 1.0));
    p.drawRoundedRect(face, 3.0, 3.0);
    // Inner highlight for a raised look.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 170), 1.0));
    p.drawRoundedRect(face.adjusted(1, 1, -1, -1), 2.0, 2.0);
    p.restore();

    p.setFont(font(11, true));
    p.setPen(CaptionText);
    p.drawText(r, Qt::AlignCenter, text);
}

QImage drawTop()
{
    QImage img(Width, TopHeight, QImage::Format_RGB32);
    QPainter p(&img);

    // Plain strip on top: reads as a title bar and keeps the label area quiet.
    QLinearGradient strip(0, 0, 0, BannerTop);
    strip.setColorAt(0.0, QColor(0xf6, 0xf8, 0xfa));
    strip.setColorAt(1.0, QColor(0xe3, 0xea, 0xf0));
    p.fillRect(QRect(0, 0, Width, BannerTop), strip);

    const QRect band(0, BannerTop, Width, BannerBottom - BannerTop);
    paintBand(p, band, QPointF(Width - 40, BannerTop + 10));
    paintBody(p, 0, BannerBottom, TopHeight);
    // Teal rule between banner and body.
    p.fillRect(QRect(0, BannerBottom, Width, 2), QColor(0x3a, 0xa6, 0xb0));

    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::white);
    p.setFont(font(42, true));
    const QRect heading(22, BannerTop, 110, band.height());
    p.drawText(heading, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("QOR"));
    p.fillRect(QRect(134, BannerTop + 18, 1, band.height() - 36), QColor(255, 255, 255, 110));
    p.setPen(QColor(0xdc, 0xf2, 0xf4));
    p.setFont(font(19, false));
    p.drawText(QRect(150, BannerTop, 300, band.height()), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Слушатели курсов"));

    paintField(p, UserEdit);
    paintField(p, PasswordEdit);
    paintCaption(p, UserEdit, QStringLiteral("Пользователь"));
    paintCaption(p, PasswordEdit, QStringLiteral("Пароль"));

    paintButton(p, LoginButton, QStringLiteral("Вход"));
    paintButton(p, CancelButton, QStringLiteral("Отмена"));
    paintButton(p, MoreButton, QStringLiteral("Дополнительно"));

    // Window edge: the lower picture carries the rest of the frame.
    p.setPen(WindowEdge);
    p.drawLine(0, 0, Width - 1, 0);
    p.drawLine(0, 0, 0, TopHeight - 1);
    p.drawLine(Width - 1, 0, Width - 1, TopHeight - 1);
    return img;
}

QImage drawBottom()
{
    QImage img(Width, BottomHeight, QImage::Format_RGB32);
    QPainter p(&img);
    paintBody(p, BottomTop, 0, BottomHeight);

    // Everything drawn below uses window coordinates.
    p.translate(0, -BottomTop);
    const int top = BottomTop + ClosedRows;

    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font(14, true));
    p.setPen(Teal);
    const QRect heading(20, top + 4, 300, 20);
    p.drawText(heading, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Замена пароля"));
    const int headingWidth = p.fontMetrics().horizontalAdvance(QStringLiteral("Замена пароля"));
    p.fillRect(QRect(heading.left() + headingWidth + 10, heading.center().y() + 1,
                     Width - 20 - (heading.left() + headingWidth + 10), 1),
               QColor(0x9c, 0xbc, 0xcc));

    paintField(p, NewPasswordEdit);
    paintField(p, ConfirmEdit);
    paintCaption(p, NewPasswordEdit, QStringLiteral("Новый пароль"));
    paintCaption(p, ConfirmEdit, QStringLiteral("Подтверждение"));

    // A thin band closes the window with the banner's look.
    const int windowBottom = BottomTop + BottomHeight;
    const QRect band(0, windowBottom - 12, Width, 12);
    paintBand(p, band, QPointF(Width - 40, windowBottom - 100));
    p.fillRect(QRect(0, band.top() - 2, Width, 2), QColor(0x3a, 0xa6, 0xb0));

    p.setPen(WindowEdge);
    p.drawLine(0, BottomTop, 0, windowBottom - 1);
    p.drawLine(Width - 1, BottomTop, Width - 1, windowBottom - 1);
    p.drawLine(0, windowBottom - 1, Width - 1, windowBottom - 1);
    return img;
}

bool save(const QImage &img, const QString &path)
{
    if (img.save(path, "JPG", 92))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    // No display is needed: the pictures are drawn into memory.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists()) {
        std::fprintf(stderr, "no such folder: %s\n", argv[1]);
        return 2;
    }

    loadFonts();
    const bool ok = save(drawTop(), out.filePath(QStringLiteral("signin_top.jpg")))
                    && save(drawBottom(), out.filePath(QStringLiteral("signin_bottom.jpg")));
    return ok ? 0 : 1;
}
