#pragma once

#include <QDialog>

namespace lesaro {

class ButtonBar;
class FlatButton;

// The frame of every dialog: grey background, a tool-window border of fixed size, the window's own
// controls in contentArea() and the button bar below them. A window adds its layout to contentArea() and
// its buttons with addBarButton().
class LesaroDialog : public QDialog {
    Q_OBJECT
public:
    explicit LesaroDialog(QWidget* parent = nullptr);

    QWidget* contentArea() const { return m_content; }
    ButtonBar* buttonBar() const { return m_bar; }
    FlatButton* addBarButton(const QString& objectName, const QString& caption, const QColor& face = Qt::white);

    // Fixes the window at its design size; without it the window takes the size its layout asks for.
    void setClientSize(int width, int height);

private:
    QWidget* m_content;
    ButtonBar* m_bar;
};

} // namespace lesaro
