// Draws the program's icon (a stack of numbered pages with a down arrow) into
// PNG files of the usual icon sizes. The PNGs are committed; rerun this only
// when the picture changes:
//   cmake --build <build> --target serifetch_draw_icon
//   <build>/resources/serifetch_draw_icon <folder>
// serifetch.svg draws the same picture on the same 64-unit grid.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kNavy(0x1f, 0x3b, 0x73);
const QColor kGreen(0x2e, 0x8b, 0x57);

void drawPage(QPainter& p, QRectF box, const QColor& fill) {
    p.setPen(QPen(kNavy, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawRoundedRect(box, 2.5, 2.5);
}

QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / 64.0, size / 64.0);

    drawPage(p, QRectF(22, 3, 30, 38), QColor(0xc9, 0xd6, 0xea));
    drawPage(p, QRectF(15, 8, 30, 38), QColor(0xe4, 0xeb, 0xf5));
    drawPage(p, QRectF(8, 13, 30, 38), Qt::white);

    // The front page's number, then a few lines of "text".
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(12);
    p.setFont(font);
    p.setPen(kNavy);
    p.drawText(QRectF(8, 15, 30, 14), Qt::AlignCenter, "01");
    p.setPen(QPen(QColor(0x8a, 0x9b, 0xb8), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(13, 33), QPointF(30, 33));
    p.drawLine(QPointF(13, 38), QPointF(26, 38));
    p.drawLine(QPointF(13, 43), QPointF(22, 43));

    // The download arrow on a green disc.
    p.setPen(QPen(Qt::white, 2.5));
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(46, 46), 15, 15);
    QPainterPath arrow;
    arrow.moveTo(43, 36);
    arrow.lineTo(49, 36);
    arrow.lineTo(49, 46);
    arrow.lineTo(54, 46);
    arrow.lineTo(46, 55);
    arrow.lineTo(38, 46);
    arrow.lineTo(43, 46);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(arrow);
    return image;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString name = QString("%1/serifetch-%2.png").arg(folder).arg(size);
        if (!drawIcon(size).save(name))
            return 1;
    }
    return 0;
}
