#pragma once

#include <QGroupBox>
#include <functional>

class QLabel;
class QLineEdit;

namespace lesaro {

class DataGrid;
class DataSource;
struct GridColumn;

// One list with its three search boxes under it, as the loan booking and the return windows show the
// readers and the books: a number box that only moves the current row, and two boxes that narrow the list
// by the beginning of a field. Entering one box empties the other two, which undoes their narrowing, so at
// most one box is in effect at a time.
class NarrowingGroup : public QGroupBox {
    Q_OBJECT
public:
    struct Box {
        QString objectName; // "EVorname"
        QString caption;    // "Vorname"
        QString field;      // the table field it narrows or finds by
    };
    // filterFor(field, text) builds the filter text for a narrowing box; an empty result switches the
    // table's filter off.
    NarrowingGroup(const QString& title, DataSource* source, const QString& gridName, const QList<GridColumn>& columns,
                   const QList<Box>& boxes, std::function<QString(const QString&, const QString&)> filterFor,
                   QWidget* parent);

    DataGrid* grid() const { return m_grid; }
    QLineEdit* box(int index) const { return m_boxes[index]; }
    QLineEdit* numberBox() const { return m_boxes[0]; }

    // The change handler of box index (number: locate; name: narrow).
    void boxChange(int index);
    // The enter handler of box index: empties the other boxes.
    void boxEnter(int index);
    // Orders the table by the clicked column's field; a lookup field gets the engine's refusal.
    void titleClick(const QString& field);
    // While the window opens, the focus it hands to its first box is not the user entering it.
    void setOpening(bool opening) { m_opening = opening; }

    // Whether the current row's number is the number typed into the number box.
    bool currentMatchesNumber() const;

    enum class Choice {
        Chosen,    // the current row is the librarian's choice
        Spent,     // a booking used the chosen row; nothing is chosen until the librarian picks again
        Unmatched, // the number box names no row (or holds no number), or the librarian emptied it since
    };
    Choice choice() const { return m_choice; }
    // After a booking has used the current row.
    void markSpent() { setChoice(Choice::Spent); }
    // On opening the current row counts as chosen, unless the number box kept from the last opening names
    // another row.
    void resetChoice();
    // Why nothing is chosen while Unmatched: notFound (with %1 for the number) when the box holds a number,
    // "not a number" for other text, pickPrompt when the box is empty.
    QString unmatchedMessage(const QString& notFound, const QString& pickPrompt) const;
    // The number box's text is not a whole number (a letter typed or scanned into it).
    bool numberBoxHoldsNoNumber() const;

Q_SIGNALS:
    void cellClicked();
    void numberReturnPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setChoice(Choice choice);
    void showChoice();

    DataSource* m_source;
    DataGrid* m_grid;
    QList<Box> m_boxDefs;
    QList<QLineEdit*> m_boxes;
    std::function<QString(const QString&, const QString&)> m_filterFor;
    bool m_opening = false;
    Choice m_choice = Choice::Chosen;
};

} // namespace lesaro
