#pragma once

#include <QColor>
#include <QWidget>

namespace lesaro {

// A panel filled with a vertical colour gradient: the main window's header and the dialogs' button bar.
class GradientPanel : public QWidget {
    Q_OBJECT
public:
    GradientPanel(const QColor& top, const QColor& bottom, QWidget* parent = nullptr);

    QColor topColor() const { return m_top; }
    QColor bottomColor() const { return m_bottom; }
    void setColors(const QColor& top, const QColor& bottom);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_top;
    QColor m_bottom;
};

} // namespace lesaro
