#include "ui/pictures.h"

#include "platform/jpeg.h"

#include <QFile>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

// The built-in resources live in a static library: make sure they are linked
// in and registered.
static void registerResources() { Q_INIT_RESOURCE(resources); }

namespace tw::pictures {
namespace {

QImage blank(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QFont boldFont(int pixelSize) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(true);
    return f;
}

} // namespace

void loadResources() {
    static const bool registered = (registerResources(), true);
    (void)registered;
}

QImage splash() {
    loadResources();
    QFile file(QStringLiteral(":/pictures/splash.jpg"));
    if (!file.open(QIODevice::ReadOnly)) return mapPlaceholder();
    const QByteArray bytes = file.readAll();
    const RgbImage rgb = decodeJpeg(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    return QImage(rgb.pixels.data(), rgb.width, rgb.height, rgb.width * 3, QImage::Format_RGB888).copy();
}

QImage folderIcon() {
    QImage image = blank(33, 33);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(120, 90, 0), 1));
    p.setBrush(QColor(230, 180, 40));
    p.drawRoundedRect(QRectF(2.5, 6.5, 12, 6), 2, 2);
    p.setBrush(QColor(250, 205, 70));
    p.drawRoundedRect(QRectF(2.5, 9.5, 28, 19), 2, 2);
    p.setPen(QPen(QColor(60, 60, 60), 2.5));
    p.drawEllipse(QPointF(19, 17), 5, 5);
    p.drawLine(QPointF(22.5, 20.5), QPointF(28, 26));
    return image;
}

QImage gameIcon() {
    QImage image = blank(36, 37);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 50, 20), 1.5));
    p.setBrush(QColor(95, 110, 55));
    p.drawEllipse(QRectF(2, 3, 32, 31));
    p.setPen(QColor(240, 230, 200));
    p.setFont(boldFont(12));
    p.drawText(QRect(0, 0, 36, 37), Qt::AlignCenter, QStringLiteral("BF"));
    return image;
}

QImage archiveIcon(bool addon) {
    QImage image = blank(33, 33);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(70, 50, 20), 1));
    p.setBrush(addon ? QColor(90, 140, 200) : QColor(180, 130, 70));
    p.drawRect(QRectF(4.5, 8.5, 24, 20));
    p.setBrush(addon ? QColor(130, 175, 230) : QColor(210, 165, 100));
    p.drawRect(QRectF(2.5, 4.5, 28, 6));
    p.setPen(Qt::white);
    p.setFont(boldFont(8));
    p.drawText(QRect(4, 12, 25, 14), Qt::AlignCenter, addon ? QStringLiteral("ADD") : QStringLiteral("MAP"));
    return image;
}

QImage supportBanner() {
    QImage image(400, 57, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient gradient(0, 0, 400, 0);
    gradient.setColorAt(0, QColor(30, 60, 110));
    gradient.setColorAt(1, QColor(70, 120, 60));
    p.fillRect(image.rect(), gradient);
    p.setPen(Qt::white);
    p.setFont(boldFont(17));
    p.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Support Tarnwick \u2014 one click helps"));
    return image;
}

QImage doneBanner() {
    QImage image(713, 41, QImage::Format_RGB32);
    image.fill(QColor(192, 192, 192));
    QPainter p(&image);
    p.setPen(QColor(0, 0, 200));
    p.setFont(boldFont(24));
    p.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("CLICK HERE WHEN YOU ARE DONE"));
    return image;
}

QImage mapPlaceholder() {
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(QColor(128, 128, 128));
    return image;
}

QImage flag(const QColor& color) {
    QImage image = blank(41, 49);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Pole: its foot is the pixel 24, 48, which stands on the corner point.
    p.fillRect(QRect(24, 2, 1, 47), QColor(60, 40, 20));
    QPainterPath pennant;
    pennant.moveTo(24, 3);
    pennant.lineTo(3, 11);
    pennant.lineTo(24, 19);
    pennant.closeSubpath();
    p.setPen(QPen(color.darker(150), 1));
    p.setBrush(color);
    p.drawPath(pennant);
    return image;
}

QImage solid(const QColor& color) {
    QImage image(1, 1, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

} // namespace tw::pictures
