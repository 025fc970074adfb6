#pragma once

#include <QLabel>

namespace lesaro {

class DataSource;
class FieldLink;

// A read-only text showing a field of the current row as displayed.
class DBText : public QLabel {
    Q_OBJECT
public:
    explicit DBText(QWidget* parent = nullptr);

    void bind(DataSource* source, const QString& fieldName);
    FieldLink* link() const { return m_link; }

private:
    void refresh();

    FieldLink* m_link;
};

} // namespace lesaro
