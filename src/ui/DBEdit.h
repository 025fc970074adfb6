#pragma once

#include <QLineEdit>

namespace lesaro {

class DataSource;
class FieldLink;

// A one-line edit of a field of the current row. It shows the field as displayed ("12,50 €") and, while
// it has the focus, as typed ("12,5").
class DBEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DBEdit(QWidget* parent = nullptr);

    void bind(DataSource* source, const QString& fieldName);
    FieldLink* link() const { return m_link; }

Q_SIGNALS:
    // The focus moved to another control of the window and the field took the text (a window's OnExit).
    void exited();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Escape takes back what was typed here; with nothing to take back it closes the window as usual.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();
    void showText(const QString& text);

    FieldLink* m_link;
};

} // namespace lesaro
