#pragma once

#include <QString>

class QWidget;

namespace lesaro {

class DataSource;
class Table;

// The steps the book and the reader entry windows share: save, new, delete and the close question. The
// windows differ only in the data source their inputs are bound to and in the question before a delete, so
// both hand those here and keep their own handlers. Every failure is shown over the window and leaves the
// row as the failed step found it.
class EntrySteps {
public:
    EntrySteps(DataSource& source, QWidget* window);

    Table& table() const;
    // Insert or edit state: the row has a change that is neither saved nor dropped.
    bool editing() const;

    // Hands every pending text to the table and saves the row; false (after the message) when a field
    // refuses its text or the save fails, with the row still being edited.
    bool save();
    // A new row, after the box that has the focus has handed over its text; leaving a changed row saves it.
    void insertNew();
    // Asks the question and deletes the current row on "Ja"; an empty table neither asks nor deletes.
    void remove(const QString& question);
    // On an unsaved row asks whether to save it: "Ja" saves, "Nein" drops the changes, "Abbrechen" keeps
    // the window open. False keeps the window open, also when the save or the drop fails.
    bool closeQuery();

private:
    DataSource& m_source;
    QWidget* m_window;
};

} // namespace lesaro
