#pragma once

#include <QColor>
#include <QPushButton>

namespace lesaro {

// A flat button with a coloured face, as the dialogs' button bars carry. It does not take the focus on
// a click, so that a click leaves the edit the user is in and its text; Tab still reaches it. It never
// becomes a default button: Return in an edit does not press it.
class FlatButton : public QPushButton {
    Q_OBJECT
public:
    explicit FlatButton(const QString& caption, const QColor& face = Qt::white, QWidget* parent = nullptr);

    QColor faceColor() const { return m_face; }
    void setFaceColor(const QColor& face);

private:
    QColor m_face;
};

} // namespace lesaro
