#pragma once

#include "catalogue/EntrySteps.h"
#include "catalogue/sru/TitleLookup.h"
#include "library/BookEntryWindow.h"
#include "ui/LesaroDialog.h"

#include <QList>

class QLabel;
class QPushButton;
class QToolButton;

namespace lesaro {

class DBComboBox;
class DBEdit;
class DBMemo;
class DBNavigator;
class FlatButton;
class IsbnCopies;
class LibraryHandle;

// The book entry window: every input is bound to the current book, so the lists show a change at once.
// It registers with the book table's rules, which add the values of each saved book to its drop-down lists
// and name the borrower of the current book.
class TDB1EingabeF : public LesaroDialog, public BookEntryWindow {
    Q_OBJECT
public:
    explicit TDB1EingabeF(LibraryHandle& library, QWidget* parent = nullptr);
    ~TDB1EingabeF() override;

    // Fills the drop-down lists from the remembered values; moves the book table to its first row.
    void LoadRememberedValues();
    // The labels of the twelve captioned fields, from the book column captions (entries 1 to 12).
    void ApplyFieldCaptions(const QStringList& bookColumnCaptions);

    // BookEntryWindow; the lists by box name.
    bool entryShowing() const override;
    QStringList items(const QString& box) const override;
    void setItems(const QString& box, const QStringList& items) override;
    void showBorrower(const QString& borrower) override;

    void FormShow() override;
    bool FormCloseQuery() override;

    void BNeuClick();
    void Button3Click(); // "Speichern"
    void Button4Click(); // "Löschen"
    void Button1Click(); // "Schließen"
    void SpeedButton1Click();

    // The ISBN box: the check of its number and the other books with the same ISBN, shown beside it. The
    // field stays free text; nothing here ever refuses a save.
    void DBEdit6Change();
    void BISBN13Click(); // the ISBN-10 as ISBN-13
    // "Titeldaten holen": asks the catalogue services of the Options for the ISBN and fills the empty
    // fields; while it waits, the same button cancels.
    void BTiteldatenClick();
    TitleLookup& titleLookup() { return *m_lookup; }

Q_SIGNALS:
    // "Ausleihhistorie": the main window shows the loan history of the book, which the loan table holds now.
    void loanHistoryRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void buildIsbnTools(QWidget* area, QWidget* isbnEdit);
    void titleDataArrived(const TitleLookup::Result& result);
    int chooseRecord(const QList<TitleData>& records);
    void takeOver(const TitleData& data);
    bool titleFieldsEmpty() const;
    QString fieldText(const QString& field) const;
    QString fieldCaption(const QString& field) const;
    int currentBookId() const;
    void showAsking(bool asking);
    void showIsbnNote(const QString& text);
    void bindControls();
    DBComboBox* box(const QString& name) const;

    LibraryHandle& m_library;
    EntrySteps m_entry;
    QList<QLabel*> m_captionedLabels; // LVerfasser … LBemerkungen, in caption order
    QList<DBEdit*> m_edits;
    QList<DBComboBox*> m_boxes;
    DBMemo* m_memo = nullptr;
    QLabel* m_borrower = nullptr;
    QPushButton* m_history = nullptr;
    DBNavigator* m_navigator = nullptr;

    DBEdit* m_isbn = nullptr;
    QLabel* m_isbnWarning = nullptr; // LISBNWarnung
    QToolButton* m_isbn13 = nullptr; // BISBN13
    QPushButton* m_fetch = nullptr;  // BTiteldaten
    QLabel* m_isbnNote = nullptr;    // LISBNHinweis: second copies, the state of a lookup
    QString m_copiesNote;
    IsbnCopies* m_copies = nullptr;
    TitleLookup* m_lookup = nullptr;
    int m_askedForBook = 0; // the book a running lookup fills
    QString m_askedIsbn;
};

} // namespace lesaro
