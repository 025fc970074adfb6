#pragma once

#include <QComboBox>

namespace lesaro {

class DataSource;
class FieldLink;

// An editable drop-down box on a field of the current row: the user types a text or picks one of the
// items the window fills in (remembered publishers, places, keywords). Typed texts are not added to the
// items.
class DBComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit DBComboBox(QWidget* parent = nullptr);

    void bind(DataSource* source, const QString& fieldName);
    FieldLink* link() const { return m_link; }

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void refresh();

    FieldLink* m_link;
};

} // namespace lesaro
