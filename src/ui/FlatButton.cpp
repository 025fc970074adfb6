#include "ui/FlatButton.h"

namespace lesaro {

FlatButton::FlatButton(const QString& caption, const QColor& face, QWidget* parent)
    : QPushButton(caption, parent) {
    setAutoDefault(false);
    setDefault(false);
    setFocusPolicy(Qt::TabFocus);
    setMinimumHeight(25);
    setFaceColor(face);
}

void FlatButton::setFaceColor(const QColor& face) {
    m_face = face;
    // Dark faces take white writing, light faces navy.
    const QColor text = face.lightness() < 128 ? QColor(Qt::white) : QColor(0, 0, 128);
    setStyleSheet(QStringLiteral("lesaro--FlatButton { background-color: %1; color: %2; border: 1px solid %3;"
                                 " padding: 3px 12px; }"
                                 "lesaro--FlatButton:hover { background-color: %4; }"
                                 "lesaro--FlatButton:pressed { background-color: %3; }"
                                 "lesaro--FlatButton:disabled { color: gray; }"
                                 "lesaro--FlatButton:focus { border: 1px dotted %2; }")
                      .arg(face.name(), text.name(), face.darker(140).name(), face.lighter(115).name()));
}

} // namespace lesaro
