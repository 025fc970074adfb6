#include "ui/GradientPanel.h"

#include <QLinearGradient>
#include <QPainter>

namespace lesaro {

GradientPanel::GradientPanel(const QColor& top, const QColor& bottom, QWidget* parent)
    : QWidget(parent)
    , m_top(top)
    , m_bottom(bottom) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GradientPanel::setColors(const QColor& top, const QColor& bottom) {
    m_top = top;
    m_bottom = bottom;
    update();
}

void GradientPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, m_top);
    gradient.setColorAt(1, m_bottom);
    painter.fillRect(rect(), gradient);
}

} // namespace lesaro
