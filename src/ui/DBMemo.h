#pragma once

#include <QPlainTextEdit>

namespace lesaro {

class DataSource;
class FieldLink;

// A multi-line edit of a text field of the current row. The field keeps its lines ended by CR LF, as the
// program's files and exports always have.
class DBMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit DBMemo(QWidget* parent = nullptr);

    void bind(DataSource* source, const QString& fieldName);
    FieldLink* link() const { return m_link; }

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void refresh();
    QString fieldText() const;

    FieldLink* m_link;
    bool m_refreshing = false;
};

} // namespace lesaro
