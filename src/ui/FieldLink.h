#pragma once

#include "core/Value.h"
#include "ui/DataSource.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace lesaro {

class Table;

// The tie between one control and one field of a table's current row. The control asks it for the text to
// show and hears through refreshNeeded when the row, the field or the state changes. When the user changes
// the control, the link puts the table into edit state and stores the text at once; a text the field
// refuses (a letter in a number) stays pending and is reported by commit(), which the control calls when
// the user leaves it and DataSource::UpdateRecord calls before the window posts.
class FieldLink : public QObject {
    Q_OBJECT
public:
    using TextReader = std::function<QString()>;

    // control: the widget for messages and focus, also the link's parent; controlText: what the user typed
    // (empty for a read-only control).
    explicit FieldLink(QWidget* control, TextReader controlText = {});
    ~FieldLink() override;

    void bind(DataSource* source, const QString& fieldName);
    DataSource* dataSource() const { return m_source; }
    const QString& dataField() const { return m_fieldName; }

    bool hasField() const;       // bound to a field the table knows
    QString text() const;        // the field's value as it is typed
    QString displayText() const; // as it is shown ("12,50 €")
    int maxLength() const;       // a text field's width, otherwise 0

    // The user changed the control.
    void userChanged();
    // Stores the control's text when the user changed it since the last refresh; on refusal shows the
    // engine's message, puts the focus back into the control and returns false.
    bool commit();
    // commit() for a control that lost the focus; a focus that went to another window or a popup is no
    // reason to report anything.
    bool commitOnFocusOut(Qt::FocusReason reason);
    bool touched() const { return m_touched; }
    // Escape: puts back the value the field had before the user started typing in this control. False
    // when there was nothing to take back.
    bool revert();
    // A lookup field follows its key field and is never typed into.
    bool isLookup() const;

Q_SIGNALS:
    void refreshNeeded();

private:
    int fieldIndex() const;
    Table* table() const;
    void store(); // throws EngineError
    void requestRefresh();
    void onFieldChanged(int field);

    QWidget* m_control;
    TextReader m_controlText;
    QPointer<DataSource> m_source;
    QString m_fieldName;
    QList<QMetaObject::Connection> m_connections;
    bool m_busy = false;    // storing: the table's echo of our own change is not a reason to refresh
    bool m_touched = false; // the user changed the control since the last refresh
    bool m_refused = false; // the table refused the control's current text
    bool m_reporting = false;
    QString m_stored; // the text last stored
    Value m_before;   // the field's value when the user began typing
};

} // namespace lesaro
