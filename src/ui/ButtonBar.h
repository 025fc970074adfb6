#pragma once

#include "ui/GradientPanel.h"

class QHBoxLayout;
class QToolButton;

namespace lesaro {

class FlatButton;

// The bottom bar of every dialog: 51 pixels high, a gradient from the dialog's grey to navy, flat colour
// buttons from the left and the help button ("Hile aufrufen", which opens the manual) at the right end.
class ButtonBar : public GradientPanel {
    Q_OBJECT
public:
    explicit ButtonBar(QWidget* parent = nullptr);

    FlatButton* addButton(const QString& objectName, const QString& caption, const QColor& face = Qt::white);
    QToolButton* helpButton() const { return m_help; }

private:
    QHBoxLayout* m_layout;
    QToolButton* m_help;
};

} // namespace lesaro
