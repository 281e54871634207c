// The symbols of the cards and protections, each drawn to fill its box.
// Internal to the artwork.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>

namespace dw::art {

void symbolRocket(QPainter& p, const QRectF& r, const QColor& c);
void symbolAnchor(QPainter& p, const QRectF& r, const QColor& c);
void symbolSkull(QPainter& p, const QRectF& r, const QColor& c);
void symbolReload(QPainter& p, const QRectF& r, const QColor& c);
void symbolSwirl(QPainter& p, const QRectF& r, const QColor& c);
void symbolWarp(QPainter& p, const QRectF& r, const QColor& c);
void symbolExplosion(QPainter& p, const QRectF& r, const QColor& c);
void symbolWrench(QPainter& p, const QRectF& r, const QColor& c);
QPolygonF boltShape();
void symbolBolt(QPainter& p, const QRectF& r, const QColor& c);
void symbolDrain(QPainter& p, const QRectF& r, const QColor& c);
void shieldPath(QPainterPath& path, const QRectF& r);
// The emblem of the attack that protection k (1..4) guards against.
void attackEmblem(QPainter& p, int k, const QRectF& r);
void symbolShield(QPainter& p, const QRectF& r, int k);
// Protection symbol k drawn in a 30 x 24 box at `origin`, lit or dim.
void protectionSymbol(QPainter& p, QPointF origin, int k, bool lit);

} // namespace dw::art
