#include "ui/map_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace tw {

MapView::MapView(QWidget* parent) : QWidget(parent) {}

void MapView::setWorldSize(double metres) {
    if (metres <= 0 || metres == world_) return;
    world_ = metres;
    navigable_ ? fitWorld() : stretchToWidget();
}

void MapView::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void MapView::setNavigable(bool navigable) {
    navigable_ = navigable;
    navigable_ ? fitWorld() : stretchToWidget();
}

void MapView::stretchToWidget() {
    sx_ = width() / world_;
    sy_ = height() / world_;
    origin_ = {0, 0};
    update();
    emit viewChanged();
}

void MapView::fitWorld() {
    if (!navigable_) return stretchToWidget();
    const double side = std::max(1, std::min(width(), height()));
    sx_ = sy_ = side / world_;
    origin_ = {(width() - side) / 2, (height() - side) / 2};
    update();
    emit viewChanged();
}

void MapView::zoomBy(double factor, QPointF about) {
    if (!navigable_) return;
    const double fit = std::max(1, std::min(width(), height())) / world_;
    // From the whole world to 16 screen pixels a metre.
    const double scale = std::clamp(sx_ * factor, fit / 2, 16.0);
    const QPointF world = toWorld(about);
    sx_ = sy_ = scale;
    origin_ = about - QPointF(world.x() * sx_, (world_ - world.y()) * sy_);
    update();
    emit viewChanged();
}

void MapView::centreOn(double x, double z) {
    const QPointF at = toWidget(x, z);
    origin_ += QPointF(width() / 2.0, height() / 2.0) - at;
    update();
    emit viewChanged();
}

QPointF MapView::toWidget(double x, double z) const {
    return origin_ + QPointF(x * sx_, (world_ - z) * sy_);
}

QPointF MapView::toWorld(QPointF p) const {
    return {(p.x() - origin_.x()) / sx_, world_ - (p.y() - origin_.y()) / sy_};
}

QRectF MapView::widgetRect(double minX, double minZ, double maxX, double maxZ) const {
    return QRectF(toWidget(minX, maxZ), toWidget(maxX, minZ));
}

QRectF MapView::worldRect(const QRectF& r) const {
    const QPointF a = toWorld(r.bottomLeft()), b = toWorld(r.topRight());
    return QRectF(a, b).normalized();
}

void MapView::addLayer(const QString& name, Paint paint, bool shown) {
    layers_.push_back({name, std::move(paint), shown});
    update();
}

void MapView::setLayerShown(const QString& name, bool shown) {
    for (Layer& l : layers_)
        if (l.name == name) l.shown = shown;
    update();
}

bool MapView::layerShown(const QString& name) const {
    for (const Layer& l : layers_)
        if (l.name == name) return l.shown;
    return false;
}

QStringList MapView::layerNames() const {
    QStringList names;
    for (const Layer& l : layers_) names << l.name;
    return names;
}

void MapView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (navigable_) painter.fillRect(event->rect(), QColor(40, 40, 40));
    const QRectF square = widgetRect(0, 0, world_, world_);
    if (!picture_.isNull()) {
        // Only the part of the picture that shows.
        const QRectF shown = square.intersected(QRectF(event->rect()));
        if (!shown.isEmpty()) {
            const double px = picture_.width() / square.width(), py = picture_.height() / square.height();
            const QRectF source((shown.left() - square.left()) * px, (shown.top() - square.top()) * py,
                                shown.width() * px, shown.height() * py);
            painter.drawImage(shown, picture_, source);
        }
    }
    for (const Layer& l : layers_)
        if (l.shown) {
            painter.save();
            l.paint(painter, event->rect());
            painter.restore();
        }
}

void MapView::resizeEvent(QResizeEvent*) { navigable_ ? fitWorld() : stretchToWidget(); }

void MapView::wheelEvent(QWheelEvent* event) {
    if (!navigable_) return QWidget::wheelEvent(event);
    const double steps = event->angleDelta().y() / 120.0;
    zoomBy(std::pow(1.25, steps), event->position());
    event->accept();
}

void MapView::mousePressEvent(QMouseEvent* event) {
    if (navigable_ && event->button() == Qt::MiddleButton) {
        panFrom_ = event->position();
        return;
    }
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        emit pressed(toWorld(event->position()), event->button());
    QWidget::mousePressEvent(event);
}

void MapView::mouseMoveEvent(QMouseEvent* event) {
    if (panFrom_) {
        origin_ += event->position() - *panFrom_;
        panFrom_ = event->position();
        update();
        emit viewChanged();
        return;
    }
    emit hovered(toWorld(event->position()));
    if (event->buttons() & (Qt::LeftButton | Qt::RightButton)) emit dragged(toWorld(event->position()), event->buttons());
    QWidget::mouseMoveEvent(event);
}

void MapView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton && panFrom_) {
        panFrom_.reset();
        return;
    }
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        emit released(toWorld(event->position()), event->button());
    QWidget::mouseReleaseEvent(event);
}

QColor sideColour(int side) {
    switch (side) {
    case 1: return QColor(230, 60, 50);    // team 1
    case 2: return QColor(50, 120, 240);   // team 2
    case 0: return QColor(250, 220, 60);   // neutral
    default: return QColor(235, 235, 235); // no side chosen
    }
}

void paintAreaOutline(QPainter& painter, const QRectF& outline, const QString& name, const QColor& colour,
                      const QPen& pen) {
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(outline);
    QFont font = painter.font();
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const QRectF backing(outline.left() + 2, outline.top() + 2, metrics.horizontalAdvance(name) + 5,
                         metrics.height() + 1);
    painter.fillRect(backing, QColor(0, 0, 0, 170));
    painter.setPen(colour.lighter(130));
    painter.drawText(backing.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, name);
}

} // namespace tw
