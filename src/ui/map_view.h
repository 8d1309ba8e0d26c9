// The map view: a level's picture laid over the world square in metres (x
// east, z north, north up), with layers drawn over it, zoom and pan, and the
// mouse reported in metres. The Areas page shows it fixed at its design
// size with the picture stretched over it; the pathmap window lets the user
// zoom with the wheel and pan by dragging with the middle button.
#pragma once

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

namespace tw {

class MapView : public QWidget {
    Q_OBJECT
public:
    explicit MapView(QWidget* parent = nullptr);

    // The world's side in metres (the picture covers it whole).
    void setWorldSize(double metres);
    double worldSize() const { return world_; }
    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }

    // Fixed: the world square fills the widget, stretched. Navigable: it
    // keeps its proportions; the wheel zooms about the mouse and the middle
    // button pans.
    void setNavigable(bool navigable);
    bool navigable() const { return navigable_; }
    double pixelsPerMetre() const { return sx_; }
    void zoomBy(double factor, QPointF aboutWidgetPoint);
    void fitWorld();
    void centreOn(double x, double z);

    QPointF toWidget(double x, double z) const;
    QPointF toWorld(QPointF widgetPoint) const;
    // The widget rectangle of a world rectangle.
    QRectF widgetRect(double minX, double minZ, double maxX, double maxZ) const;
    // The world rectangle (x, z of the south-west corner, width, height) that
    // the widget rectangle shows.
    QRectF worldRect(const QRectF& widgetRect) const;

    // Layers, drawn in the order they were added over the picture.
    using Paint = std::function<void(QPainter&, const QRect& exposed)>;
    void addLayer(const QString& name, Paint paint, bool shown = true);
    void setLayerShown(const QString& name, bool shown);
    bool layerShown(const QString& name) const;
    QStringList layerNames() const;

signals:
    // The left or right button, in metres; moves while a button is held.
    void pressed(QPointF world, Qt::MouseButton button);
    void dragged(QPointF world, Qt::MouseButtons buttons);
    void released(QPointF world, Qt::MouseButton button);
    // The mouse over the view (with mouse tracking on), in metres.
    void hovered(QPointF world);
    void viewChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Layer {
        QString name;
        Paint paint;
        bool shown;
    };
    void stretchToWidget();

    double world_ = 512;
    QImage picture_;
    bool navigable_ = false;
    double sx_ = 1, sy_ = 1;  // widget pixels per metre
    QPointF origin_;          // the widget point of the world's north-west corner
    std::vector<Layer> layers_;
    std::optional<QPointF> panFrom_;
};

// An area's outline with its name on a small dark box, so that the name
// stays readable over the picture's own lettering.
void paintAreaOutline(QPainter& painter, const QRectF& outline, const QString& name, const QColor& colour,
                      const QPen& pen);
// The colour of an area's side: 1, 2, 0 (neutral) or none.
QColor sideColour(int side);

} // namespace tw
